#include "system/PowerUtils.h"

#include "system/Shell.h"

namespace sys {

// The back end's calls.
bool SuspendSystemNow(bool hibernate, bool force, bool disableWakeEvents);
bool ShutdownSystemNow(unsigned flags);

std::vector<std::wstring>& PowerRequests() {
  static std::vector<std::wstring> requests;
  return requests;
}

namespace {

void Record(std::wstring request) {
  {
    std::lock_guard lock(RecordLock());
    PowerRequests().push_back(request);
  }
  RunRecordedAction(request);
}

}  // namespace

bool SuspendSystem(bool hibernate, bool force, bool disableWakeEvents) {
  if (!RecordSystemActions()) return SuspendSystemNow(hibernate, force, disableWakeEvents);
  Record(L"suspend " + std::to_wstring(hibernate) + L" " + std::to_wstring(force) + L" " +
         std::to_wstring(disableWakeEvents));
  return false;
}

bool ShutdownSystem(unsigned flags) {
  if (!RecordSystemActions()) return ShutdownSystemNow(flags);
  Record(L"shutdown " + std::to_wstring(flags));
  return false;
}

}  // namespace sys
