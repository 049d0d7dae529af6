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
std::function<void()> gRecordedSleep;
}

void SetRecordedSleep(std::function<void()> sleep) { gRecordedSleep = std::move(sleep); }

bool SuspendSystem(bool hibernate, bool force, bool disableWakeEvents) {
  if (!RecordSystemActions()) return SuspendSystemNow(hibernate, force, disableWakeEvents);
  PowerRequests().push_back(L"suspend " + std::to_wstring(hibernate) + L" " + std::to_wstring(force) + L" " +
                            std::to_wstring(disableWakeEvents));
  if (gRecordedSleep) gRecordedSleep();
  return false;
}

bool ShutdownSystem(unsigned flags) {
  if (!RecordSystemActions()) return ShutdownSystemNow(flags);
  PowerRequests().push_back(L"shutdown " + std::to_wstring(flags));
  return false;
}

}  // namespace sys
