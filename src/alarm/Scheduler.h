#pragma once
// Which switched-on alarm comes due next, and arming the alarm timer for it.
// All arithmetic is in week-seconds: weekday * 86400 + h * 3600 + m * 60 + s,
// weekday 1 (Sunday) to 7 (Saturday).

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace sys {
struct TLocalTime;
}

class TXmlDocument;

inline constexpr int32_t kWeekSeconds = 604800;

// The entry the alarm timer is armed for. Every PickNearest writes it.
extern int32_t NextAlarmIndex;

// The alarm timer as the scheduler drives it: a repeating window timer with
// an interval in milliseconds.
class TAlarmTimer {
 public:
  virtual ~TAlarmTimer() = default;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetInterval(uint32_t milliseconds) = 0;
};

// Seconds from now (the local clock, fraction dropped) until the next
// occurrence of an alarm, 1 to 604799, or 0 when no weekday qualifies. An
// occurrence due in this very second is no candidate. Time is parsed only for
// selected weekdays (EConvertError when it does not parse).
int32_t SecondsUntilAlarm(std::wstring_view time, std::wstring_view days);

// The smallest positive value, its position in NextAlarmIndex; the first wins
// a tie. All zero gives 0 with NextAlarmIndex at the last position.
int32_t PickNearest(std::span<const int32_t> values);

// A moment of local time in seconds, comparable across days (not across
// clock changes).
int64_t LocalSeconds(const sys::TLocalTime& time);

// The entries that went off for one due moment. A pass in that moment (the
// timer elapses within the due second) would otherwise find their occurrence
// at 0 seconds and pass over it, never arming a one-weekday alarm again, and
// skipping every other alarm due at the same moment.
struct TFiredAlarms {
  int64_t Moment = -1;  // LocalSeconds of the due moment; -1 for none yet
  int32_t WeekSeconds = 0;
  std::vector<int32_t> Entries;
  bool Has(int32_t index) const;
};

// The moment the timer was armed for.
struct TArmedAlarm {
  int32_t Index = -1;  // -1: nothing armed
  int64_t Due = -1;    // LocalSeconds
  int32_t WeekSeconds = 0;
};

// One scheduling pass over the document's entries. Arms the timer (disable,
// interval, enable) for the nearest switched-on alarm; when nothing is due it
// stops the timer, and when an entry fails it stops the timer and rethrows,
// so that a timer left from an earlier pass never fires an entry it was not
// armed for.
// An occurrence due in this very second, or one due at the fired moment a
// few seconds ago that has not gone off with the others, is armed to go off
// at once (1 ms), the first entry first; an entry that has fired for this
// moment waits for its next occurrence, a week on at the latest.
TArmedAlarm ScheduleNextAlarm(const TXmlDocument& document, TAlarmTimer& timer, const TFiredAlarms& fired = {});
