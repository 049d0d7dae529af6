#pragma once
// The clocks, behind an interface that tests can replace: the system's UTC
// clock (which jumps when it is set), the local time zone's rules, and a
// real-time clock that counts sleep and is never set.

#include <cstdint>
#include <string>

namespace sys {

struct TLocalTime {
  int Year = 2000;
  int Month = 1;      // 1..12
  int Day = 1;        // 1..31
  int DayOfWeek = 7;  // 1 = Sunday .. 7 = Saturday
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;
};

class TClock {
 public:
  virtual ~TClock() = default;
  // Milliseconds since 1970-01-01 00:00 UTC, as the system's clock has it.
  virtual int64_t UtcNow() const = 0;
  // Milliseconds of real time, sleep included; never set, never back.
  virtual int64_t RealNow() const = 0;
  // Local time minus UTC at a UTC moment, daylight saving time included, by
  // the rules of the time zone in force now.
  virtual int64_t ZoneOffsetAt(int64_t utc) const = 0;
};

// A clock that stands still until it is set, in a zone without offset.
class TFixedClock : public TClock {
 public:
  explicit TFixedClock(const TLocalTime& time) { Set(time); }
  int64_t UtcNow() const override { return FUtc; }
  int64_t RealNow() const override { return FUtc; }
  int64_t ZoneOffsetAt(int64_t) const override { return 0; }
  void Set(const TLocalTime& time);

 private:
  int64_t FUtc = 0;
};

// Puts a clock in force (not owned); null restores the system's clock.
void SetClock(const TClock* clock);

// Installs a clock for the lifetime of the object.
class TScopedClock {
 public:
  explicit TScopedClock(const TClock& clock) { SetClock(&clock); }
  ~TScopedClock() { SetClock(nullptr); }
  TScopedClock(const TScopedClock&) = delete;
  TScopedClock& operator=(const TScopedClock&) = delete;
};

// The clock in force, read once: UTC, the local time it shows (as
// LocalMilliseconds) and real time.
struct TClockReading {
  int64_t Utc = 0;
  int64_t Local = 0;
  int64_t Real = 0;
};
TClockReading ReadClock();

// The current local time.
TLocalTime LocalNow();

// Local time minus UTC at a UTC moment, by the zone's rules in force.
int64_t ZoneOffsetAt(int64_t utc);
// The first UTC moment at or after from at which the local clock reads
// local or later, by the zone's rules in force: a time in the hour repeated
// when daylight saving time ends is reached at its first showing after from,
// one in the hour skipped when it begins at the moment the clock skips it.
int64_t UtcWhenLocalReaches(int64_t local, int64_t from);
// The first moment in (from, until] at which the zone's offset changes, or
// -1 when it stays the same throughout. Assumes one change at most: zones
// change twice a year.
int64_t NextZoneChange(int64_t from, int64_t until);

// A moment of local time in milliseconds since 1970-01-01 00:00 local time,
// comparable across days and years (not across clock changes).
int64_t LocalMilliseconds(const TLocalTime& time);
// The local time of such a moment; its weekday from the date.
TLocalTime LocalTimeAt(int64_t milliseconds);

// The user's time separator (":" in the usual settings).
std::wstring TimeSeparator();

}  // namespace sys
