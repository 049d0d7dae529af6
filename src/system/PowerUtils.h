#pragma once
// Turning the computer off, restarting it, putting it on standby. Each
// reports success through its result and shows nothing.

#include <string>
#include <vector>

namespace sys {

// SetSuspendState from POWRPROF.dll, loaded for this one call.
bool SuspendSystem(bool hibernate, bool force, bool disableWakeEvents);
// Switches a privilege of the process on or off. A privilege the process
// does not hold still gives true: the adjustment itself succeeded.
bool SetProcessPrivilege(const std::wstring& privilegeName, bool enable);
// ExitWindowsEx with the flags, the shutdown privilege held just for it.
bool ShutdownSystem(unsigned flags);

// What was asked while system actions are recorded (SetRecordSystemActions):
// "shutdown <flags>" or "suspend <hibernate> <force> <disable wake>".
std::vector<std::wstring>& PowerRequests();

}  // namespace sys
