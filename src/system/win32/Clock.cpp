#include "system/Clock.h"

#include <windows.h>

namespace sys {

TLocalTime SystemLocalNow() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  TLocalTime t;
  t.Year = st.wYear;
  t.Month = st.wMonth;
  t.Day = st.wDay;
  t.DayOfWeek = st.wDayOfWeek + 1;  // SYSTEMTIME counts Sunday as 0
  t.Hour = st.wHour;
  t.Minute = st.wMinute;
  t.Second = st.wSecond;
  t.Millisecond = st.wMilliseconds;
  return t;
}

std::wstring TimeSeparator() {
  wchar_t buffer[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, buffer, 8) <= 1) return L":";
  return buffer;
}

}  // namespace sys
