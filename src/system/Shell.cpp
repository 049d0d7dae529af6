#include "system/Shell.h"

#include "system/ProgramFolder.h"

namespace sys {

#ifdef _WIN32
// The Windows shell's "open" verb; may throw.
void ShellExecuteOpen(const std::wstring& file, const std::wstring& folder, int showCommand);
#endif

namespace {
// SW_SHOWNORMAL and SW_SHOWMAXIMIZED.
constexpr int kShowNormal = 1;
constexpr int kShowMaximized = 3;

#ifdef _WIN32
bool gRecord = false;
#else
bool gRecord = true;
#endif

std::function<void(const std::wstring&)> gRecordedAction;

void ShellOpen(const std::wstring& file, const std::wstring& folder, int showCommand) {
#ifdef _WIN32
  if (!gRecord) return ShellExecuteOpen(file, folder, showCommand);
#endif
  {
    std::lock_guard lock(RecordLock());
    ShellRequests().push_back({file, folder, showCommand});
  }
  RunRecordedAction(L"open " + file);
}
}  // namespace

void SetRecordedAction(std::function<void(const std::wstring& request)> action) { gRecordedAction = std::move(action); }

std::mutex& RecordLock() {
  static std::mutex lock;
  return lock;
}

void RunRecordedAction(const std::wstring& request) {
  if (gRecordedAction) gRecordedAction(request);
}

void SetRecordSystemActions(bool record) {
#ifdef _WIN32
  gRecord = record;
#else
  static_cast<void>(record);
#endif
}

bool RecordSystemActions() { return gRecord; }

std::wstring FolderPart(const std::wstring& path) {
  size_t last = path.find_last_of(L"\\:");
  return last == std::wstring::npos ? std::wstring() : path.substr(0, last + 1);
}

void OpenFileInFolder(const std::wstring& path) {
  try {
    ShellOpen(path, FolderPart(path), kShowNormal);
  } catch (...) {
    // An action that finds nothing to open is no error worth a message.
  }
}

void OpenLink(const std::wstring& target) {
  try {
    ShellOpen(target, ProgramFolder(), kShowMaximized);
  } catch (...) {
    // As above: a link the shell cannot open shows nothing.
  }
}

std::vector<TShellRequest>& ShellRequests() {
  static std::vector<TShellRequest> requests;
  return requests;
}

}  // namespace sys
