#pragma once
// The clocks of a test on the headless back end: they run on with the back
// end's virtual clock, so that the timers and the wall clock agree, and a
// test can change them as a user or the system would (the clock put forward
// or back, another time zone, daylight saving time) or move them on without
// the timers, as a computer that sleeps.

#include <cstdint>
#include <vector>

#include "system/Clock.h"
#include "widgets/headless/Headless.h"

class TWallClock : public sys::TClock {
 public:
  // A change of the zone's offset, at a UTC moment.
  struct TZoneChange {
    int64_t Utc;
    int64_t Offset;
  };

  // at: LocalMilliseconds of the local time now, in a zone without offset.
  explicit TWallClock(int64_t at) { Set(at); }
  int64_t UtcNow() const override { return FUtc + Virtual(); }
  int64_t RealNow() const override { return FReal + Virtual(); }
  int64_t ZoneOffsetAt(int64_t utc) const override {
    int64_t offset = FStandard;
    for (const TZoneChange& change : FChanges)
      if (change.Utc <= utc) offset = change.Offset;
    return offset;
  }
  // The local time now.
  int64_t Ms() const { return UtcNow() + ZoneOffsetAt(UtcNow()); }
  sys::TLocalTime Now() const { return sys::LocalTimeAt(Ms()); }
  // Sets the clock so that the local time now is at.
  void Set(int64_t at) { FUtc += at - Ms(); }
  // The clock put forward or back: the timers and real time go on as they were.
  void Shift(int64_t milliseconds) { FUtc += milliseconds; }
  // The time a sleep took: the clock and real time move on, the timers do not.
  void Sleep(int64_t milliseconds) {
    FUtc += milliseconds;
    FReal += milliseconds;
  }
  // Another zone: its offset, and the changes of daylight saving time in
  // order.
  void SetZone(int64_t standard, std::vector<TZoneChange> changes = {}) {
    FStandard = standard;
    FChanges = std::move(changes);
  }

 private:
  static int64_t Virtual() { return static_cast<int64_t>(headless::Now()); }

  int64_t FUtc = 0;
  int64_t FReal = 0;
  int64_t FStandard = 0;
  std::vector<TZoneChange> FChanges;
};

// LocalMilliseconds of a moment in the week of Sunday 2026-12-06: day 0 is
// that Sunday, 3 the Wednesday after it.
inline int64_t WeekOf20261206(int day, int hour, int minute, int second = 0, int millisecond = 0) {
  sys::TLocalTime sunday;
  sunday.Year = 2026, sunday.Month = 12, sunday.Day = 6;
  return sys::LocalMilliseconds(sunday) + (((int64_t{day} * 24 + hour) * 60 + minute) * 60 + second) * 1000 +
         millisecond;
}
