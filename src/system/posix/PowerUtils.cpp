#include "system/PowerUtils.h"

namespace sys {

// Nothing to switch off here: the calls are only ever recorded.
bool SuspendSystemNow(bool, bool, bool) { return false; }
bool ShutdownSystemNow(unsigned) { return false; }
bool SetProcessPrivilege(const std::wstring&, bool) { return false; }

}  // namespace sys
