#include "system/Clock.h"

namespace sys {

TLocalTime SystemLocalNow();  // per back end

namespace {
const TClock* gClock = nullptr;
}

TLocalTime LocalNow() { return gClock ? gClock->Now() : SystemLocalNow(); }

void SetClock(const TClock* clock) { gClock = clock; }

}  // namespace sys
