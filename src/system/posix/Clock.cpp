#include "system/Clock.h"

#include <time.h>

namespace sys {

TLocalTime SystemLocalNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  TLocalTime t;
  t.Year = local.tm_year + 1900;
  t.Month = local.tm_mon + 1;
  t.Day = local.tm_mday;
  t.DayOfWeek = local.tm_wday + 1;  // tm counts Sunday as 0
  t.Hour = local.tm_hour;
  t.Minute = local.tm_min;
  t.Second = local.tm_sec;
  t.Millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return t;
}

std::wstring TimeSeparator() { return L":"; }

}  // namespace sys
