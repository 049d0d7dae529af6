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

void ScheduleNextAlarm(const TXmlDocument& document, TAlarmTimer& timer) {
  const TXmlElement* root = document.Root();
  if (!root || root->NodeCount() == 0) {
    timer.SetEnabled(false);
    return;
  }
  std::vector<int32_t> values(static_cast<size_t>(root->NodeCount()));
  try {
    for (int32_t i = 0; i < root->NodeCount(); ++i) {
      const TXmlNode* entry = root->Nodes(i);
      if (!entry->ReadBool("Checked", false)) continue;
      values[static_cast<size_t>(i)] = SecondsUntilAlarm(sys::Utf8ToWide(entry->ReadString("Time", "")),
                                                         sys::Utf8ToWide(entry->ReadString("Days", "")));
    }
  } catch (...) {
    timer.SetEnabled(false);
    throw;
  }
  const int32_t secs = PickNearest(values);
  timer.SetEnabled(false);
  if (secs == 0) return;
  timer.SetInterval(static_cast<uint32_t>(secs) * 1000u);
  timer.SetEnabled(true);
}
