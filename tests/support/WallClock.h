#pragma once
// The local clock of a test on the headless back end: it runs on with the
// back end's virtual clock, so that the timers and the wall clock agree, and
// a test can change it as a user or the system would (put it forward or back)
// or move it on without the timers, as a computer that sleeps.

#include <cstdint>

#include "system/Clock.h"
#include "widgets/headless/Headless.h"

class TWallClock : public sys::TClock {
 public:
  // at: LocalMilliseconds of the local time now.
  explicit TWallClock(int64_t at) { Set(at); }
  sys::TLocalTime Now() const override { return sys::LocalTimeAt(Ms()); }
  int64_t Ms() const { return FOffset + static_cast<int64_t>(headless::Now()); }
  void Set(int64_t at) { FOffset = at - static_cast<int64_t>(headless::Now()); }
  // A clock change, or the time a sleep took: the timers do not move.
  void Shift(int64_t milliseconds) { FOffset += milliseconds; }

 private:
  int64_t FOffset = 0;
};

// LocalMilliseconds of a moment in the week of Sunday 2026-12-06: day 0 is
// that Sunday, 3 the Wednesday after it.
inline int64_t WeekOf20261206(int day, int hour, int minute, int second = 0, int millisecond = 0) {
  sys::TLocalTime sunday;
  sunday.Year = 2026, sunday.Month = 12, sunday.Day = 6;
  return sys::LocalMilliseconds(sunday) + (((int64_t{day} * 24 + hour) * 60 + minute) * 60 + second) * 1000 +
         millisecond;
}
