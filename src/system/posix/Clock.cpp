#include "system/Clock.h"

#include <time.h>

namespace sys {

namespace {

int64_t Milliseconds(clockid_t id) {
  timespec now{};
  clock_gettime(id, &now);
  return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1'000'000;
}

class TSystemClock : public TClock {
 public:
  int64_t UtcNow() const override { return Milliseconds(CLOCK_REALTIME); }
  // CLOCK_BOOTTIME goes on while the machine is suspended; CLOCK_MONOTONIC
  // does not.
  int64_t RealNow() const override { return Milliseconds(CLOCK_BOOTTIME); }
  int64_t ZoneOffsetAt(int64_t utc) const override {
    const time_t seconds = static_cast<time_t>(utc / 1000 - (utc % 1000 < 0 ? 1 : 0));
    tm local{};
    localtime_r(&seconds, &local);
    return int64_t{local.tm_gmtoff} * 1000;
  }
};

}  // namespace

const TClock& SystemClock() {
  static const TSystemClock clock;
  return clock;
}

std::wstring TimeSeparator() { return L":"; }

}  // namespace sys
