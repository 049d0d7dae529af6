#include "system/Clock.h"

namespace sys {

const TClock& SystemClock();  // per back end

namespace {

const TClock* gClock = nullptr;
const TClock& Clock() { return gClock ? *gClock : SystemClock(); }

constexpr int64_t kDayMs = 86'400'000;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

}  // namespace

void SetClock(const TClock* clock) { gClock = clock; }

void TFixedClock::Set(const TLocalTime& time) { FUtc = LocalMilliseconds(time); }

TClockReading ReadClock() {
  const TClock& clock = Clock();
  TClockReading now;
  now.Utc = clock.UtcNow();
  now.Local = now.Utc + clock.ZoneOffsetAt(now.Utc);
  now.Real = clock.RealNow();
  return now;
}

TLocalTime LocalNow() { return LocalTimeAt(ReadClock().Local); }

int64_t ZoneOffsetAt(int64_t utc) { return Clock().ZoneOffsetAt(utc); }

int64_t NextZoneChange(int64_t from, int64_t until) {
  const TClock& clock = Clock();
  const int64_t offset = clock.ZoneOffsetAt(from);
  if (until <= from || clock.ZoneOffsetAt(until) == offset) return -1;
  // The first millisecond with the new offset lies in (low, high].
  int64_t low = from, high = until;
  while (high - low > 1) {
    const int64_t middle = low + (high - low) / 2;
    (clock.ZoneOffsetAt(middle) == offset ? low : high) = middle;
  }
  return high;
}

int64_t UtcWhenLocalReaches(int64_t local, int64_t from) {
  const TClock& clock = Clock();
  int64_t utc = from;
  // Each round either arrives or moves on to the next change of offset.
  for (int round = 0; round < 4; ++round) {
    const int64_t offset = clock.ZoneOffsetAt(utc);
    if (utc + offset >= local) return utc;
    const int64_t reached = local - offset;  // if the offset stays
    const int64_t change = NextZoneChange(utc, reached);
    if (change < 0) return reached;
    utc = change;
  }
  return utc;
}

// Days from and to a date of the proleptic Gregorian calendar by its 400-year
// eras, March first, so that the leap day ends the year.
int64_t LocalMilliseconds(const TLocalTime& time) {
  const int64_t y = time.Year - (time.Month <= 2 ? 1 : 0);
  const int64_t era = FloorDiv(y, 400);
  const int64_t yearOfEra = y - era * 400;
  const int64_t month = time.Month > 2 ? time.Month - 3 : time.Month + 9;
  const int64_t dayOfYear = (153 * month + 2) / 5 + time.Day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const int64_t days = era * 146097 + dayOfEra - 719468;
  return days * kDayMs + ((time.Hour * 60 + time.Minute) * 60 + time.Second) * int64_t{1000} + time.Millisecond;
}

TLocalTime LocalTimeAt(int64_t milliseconds) {
  const int64_t days = FloorDiv(milliseconds, kDayMs);
  const int64_t ofDay = milliseconds - days * kDayMs;
  const int64_t z = days + 719468;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t dayOfEra = z - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  TLocalTime t;
  t.Day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  t.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.Year = static_cast<int>(yearOfEra + era * 400 + (t.Month <= 2 ? 1 : 0));
  t.DayOfWeek = static_cast<int>(((days + 4) % 7 + 7) % 7) + 1;  // 1970-01-01 was a Thursday
  t.Hour = static_cast<int>(ofDay / 3'600'000);
  t.Minute = static_cast<int>(ofDay / 60'000 % 60);
  t.Second = static_cast<int>(ofDay / 1000 % 60);
  t.Millisecond = static_cast<int>(ofDay % 1000);
  return t;
}

}  // namespace sys
