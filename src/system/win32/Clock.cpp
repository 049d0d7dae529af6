#include "system/Clock.h"

#include <windows.h>

namespace sys {

namespace {

// FILETIME counts 100 ns from 1601-01-01.
constexpr int64_t kFileTimeAt1970 = 116'444'736'000'000'000;

int64_t UtcOfFileTime(const FILETIME& time) {
  const int64_t ticks = static_cast<int64_t>((uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
  return (ticks - kFileTimeAt1970) / 10'000;
}

class TSystemClock : public TClock {
 public:
  int64_t UtcNow() const override {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return UtcOfFileTime(now);
  }
  // GetTickCount64 counts sleep and hibernation, and is never set.
  int64_t RealNow() const override { return static_cast<int64_t>(GetTickCount64()); }
  int64_t ZoneOffsetAt(int64_t utc) const override {
    const uint64_t ticks = static_cast<uint64_t>(utc / 1000 * 10'000'000 + kFileTimeAt1970);
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal, local;
    // Read afresh each time (under a microsecond, cached by the system): a
    // zone changed in the settings counts at once.
    TIME_ZONE_INFORMATION zone;
    if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID || !FileTimeToSystemTime(&time, &universal) ||
        !SystemTimeToTzSpecificLocalTime(&zone, &universal, &local))
      return 0;
    TLocalTime t;
    t.Year = local.wYear, t.Month = local.wMonth, t.Day = local.wDay;
    t.Hour = local.wHour, t.Minute = local.wMinute, t.Second = local.wSecond;
    return LocalMilliseconds(t) - utc / 1000 * 1000;
  }
};

}  // namespace

const TClock& SystemClock() {
  static const TSystemClock clock;
  return clock;
}

std::wstring TimeSeparator() {
  wchar_t buffer[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, buffer, 8) <= 1) return L":";
  return buffer;
}

}  // namespace sys
