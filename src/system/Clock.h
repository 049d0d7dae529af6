#pragma once
// The local clock, behind an interface that tests can replace.

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
  virtual TLocalTime Now() const = 0;
};

// A clock that stands still until it is set.
class TFixedClock : public TClock {
 public:
  explicit TFixedClock(const TLocalTime& time) : FTime(time) {}
  TLocalTime Now() const override { return FTime; }
  void Set(const TLocalTime& time) { FTime = time; }

 private:
  TLocalTime FTime;
};

// The current local time, read from the clock in force.
TLocalTime LocalNow();

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

// A moment of local time in milliseconds since 1970-01-01 00:00 local time,
// comparable across days and years (not across clock changes).
int64_t LocalMilliseconds(const TLocalTime& time);
// The local time of such a moment; its weekday from the date.
TLocalTime LocalTimeAt(int64_t milliseconds);

// The user's time separator (":" in the usual settings).
std::wstring TimeSeparator();

}  // namespace sys
