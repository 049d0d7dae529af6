#include "alarm/Scheduler.h"

#include <vector>

#include "alarm/Alarm.h"
#include "system/Clock.h"
#include "system/Unicode.h"
#include "xml/XmlDocument.h"

int32_t NextAlarmIndex = 0;

int32_t SecondsUntilAlarm(std::wstring_view time, std::wstring_view days) {
  const sys::TLocalTime clock = sys::LocalNow();
  const int32_t now = clock.DayOfWeek * 86400 + clock.Hour * 3600 + clock.Minute * 60 + clock.Second;
  int32_t values[7] = {};
  for (int d = 1; d <= 7; ++d) {
    if (!IsWeekdaySelected(days, d)) continue;
    int hour = 0;
    int minute = 0;
    ParseTimeOfDay(time, hour, minute);
    int32_t v = d * 86400 + hour * 3600 + minute * 60 - now;
    if (v < 0) v += kWeekSeconds;
    values[d - 1] = v;
  }
  return PickNearest(values);
}

int32_t PickNearest(std::span<const int32_t> values) {
  int32_t result = values[0];
  NextAlarmIndex = 0;
  for (size_t i = 0; i < values.size(); ++i) {
    if (result == 0 || (values[i] < result && values[i] > 0)) {
      result = values[i];
      NextAlarmIndex = static_cast<int32_t>(i);
    }
  }
  return result;
}

int64_t LocalSeconds(const sys::TLocalTime& time) {
  // Days since 1970-01-01 of the proleptic Gregorian calendar.
  const int64_t y = time.Year - (time.Month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yearOfEra = y - era * 400;
  const int64_t month = time.Month > 2 ? time.Month - 3 : time.Month + 9;
  const int64_t dayOfYear = (153 * month + 2) / 5 + time.Day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const int64_t days = era * 146097 + dayOfEra - 719468;
  return days * 86400 + time.Hour * 3600 + time.Minute * 60 + time.Second;
}

bool TFiredAlarms::Has(int32_t index) const {
  for (int32_t entry : Entries)
    if (entry == index) return true;
  return false;
}

namespace {

// How long after a fired moment the alarms due with it still go off when a
// firing made the pass late.
constexpr int64_t kSameMomentGrace = 60;

// Whether the alarm has an occurrence at the week-second (seconds are always
// 00 for an alarm).
bool OccursAt(std::wstring_view time, std::wstring_view days, int32_t weekSeconds) {
  const int weekday = weekSeconds / 86400;
  const int32_t ofDay = weekSeconds % 86400;
  if (ofDay % 60 != 0 || !IsWeekdaySelected(days, weekday)) return false;
  int hour = 0;
  int minute = 0;
  ParseTimeOfDay(time, hour, minute);
  return hour * 3600 + minute * 60 == ofDay;
}

}  // namespace

TArmedAlarm ScheduleNextAlarm(const TXmlDocument& document, TAlarmTimer& timer, const TFiredAlarms& fired) {
  const TXmlElement* root = document.Root();
  if (!root || root->NodeCount() == 0) {
    timer.SetEnabled(false);
    return {};
  }
  const sys::TLocalTime clock = sys::LocalNow();
  const int64_t now = LocalSeconds(clock);
  const int32_t nowWeekSeconds = clock.DayOfWeek * 86400 + clock.Hour * 3600 + clock.Minute * 60 + clock.Second;
  const bool firedRecently = fired.Moment >= 0 && now >= fired.Moment && now - fired.Moment < kSameMomentGrace;
  std::vector<int32_t> values(static_cast<size_t>(root->NodeCount()));
  TArmedAlarm atOnce;
  try {
    for (int32_t i = 0; i < root->NodeCount(); ++i) {
      const TXmlNode* entry = root->Nodes(i);
      if (!entry->ReadBool("Checked", false)) continue;
      const std::wstring time = sys::Utf8ToWide(entry->ReadString("Time", ""));
      const std::wstring days = sys::Utf8ToWide(entry->ReadString("Days", ""));
      int32_t& value = values[static_cast<size_t>(i)];
      value = SecondsUntilAlarm(time, days);
      if (atOnce.Index >= 0) continue;
      if (firedRecently && !fired.Has(i) && OccursAt(time, days, fired.WeekSeconds)) {
        atOnce = {i, fired.Moment, fired.WeekSeconds};
      } else if (OccursAt(time, days, nowWeekSeconds)) {
        if (!(fired.Moment == now && fired.Has(i)))
          atOnce = {i, now, nowWeekSeconds};
        else if (value == 0)
          value = kWeekSeconds;  // its only day: next week, same time
      }
    }
  } catch (...) {
    timer.SetEnabled(false);
    throw;
  }
  timer.SetEnabled(false);
  if (atOnce.Index >= 0) {
    NextAlarmIndex = atOnce.Index;
    timer.SetInterval(1);
    timer.SetEnabled(true);
    return atOnce;
  }
  const int32_t secs = PickNearest(values);
  if (secs == 0) return {};
  timer.SetInterval(static_cast<uint32_t>(secs) * 1000u);
  timer.SetEnabled(true);
  const int32_t dueWeekSeconds = (nowWeekSeconds - 86400 + secs) % kWeekSeconds + 86400;
  return {NextAlarmIndex, now + secs, dueWeekSeconds};
}
