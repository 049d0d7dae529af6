#include "alarm/Scheduler.h"

#include <algorithm>

#include "alarm/Alarm.h"
#include "system/Clock.h"
#include "system/Unicode.h"
#include "xml/XmlDocument.h"

int32_t NextAlarmIndex = 0;

int32_t WeekSeconds(const sys::TLocalTime& time) {
  return time.DayOfWeek * 86400 + time.Hour * 3600 + time.Minute * 60 + time.Second;
}

int32_t SecondsUntilAlarm(std::wstring_view time, std::wstring_view days, int32_t now) {
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

int32_t SecondsUntilAlarm(std::wstring_view time, std::wstring_view days) {
  return SecondsUntilAlarm(time, days, WeekSeconds(sys::LocalNow()));
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

namespace {

int64_t FloorSeconds(int64_t milliseconds) { return milliseconds / 1000 - (milliseconds % 1000 < 0 ? 1 : 0); }

// The first occurrence strictly after the moment after (LocalMilliseconds),
// in the week the pass's moment gives the weekdays of.
int64_t NextOccurrenceAfter(std::wstring_view time, std::wstring_view days, int64_t after,
                            const TAlarmScheduler::TPass& pass) {
  const int64_t afterSecond = FloorSeconds(after);
  const int64_t shift = afterSecond - FloorSeconds(pass.Now);
  const int64_t ofWeek = ((pass.NowWeekSeconds - 86400 + shift) % kWeekSeconds + kWeekSeconds) % kWeekSeconds;
  const int32_t seconds = SecondsUntilAlarm(time, days, static_cast<int32_t>(ofWeek + 86400));
  // 0: its one weekday comes at that very second, which is not after it.
  return (afterSecond + (seconds == 0 ? kWeekSeconds : seconds)) * 1000;
}

bool SelectsAWeekday(std::wstring_view days) {
  for (int d = 1; d <= 7; ++d)
    if (IsWeekdaySelected(days, d)) return true;
  return false;
}

}  // namespace

TAlarmScheduler::TPass TAlarmScheduler::Pass(const TXmlDocument& document, const sys::TLocalTime& now) {
  TPass pass;
  pass.Now = sys::LocalMilliseconds(now);
  pass.NowWeekSeconds = WeekSeconds(now);
  const bool clockWentBack = pass.Now < FLastNow;
  FLastNow = pass.Now;

  std::unordered_map<const TXmlNode*, TEntryState> states;
  const TXmlElement* root = document.Root();
  for (int32_t i = 0, count = root ? root->NodeCount() : 0; i < count; ++i) {
    const TXmlNode* entry = root->Nodes(i);
    TEntryState& state = states[entry];
    if (auto old = FStates.find(entry); old != FStates.end()) state = std::move(old->second);
    const std::wstring time = sys::Utf8ToWide(entry->ReadString("Time", ""));
    const std::wstring days = sys::Utf8ToWide(entry->ReadString("Days", ""));
    // Switched off, or no weekday: nothing to wait for, and the Time text is
    // never read.
    if (!entry->ReadBool("Checked", false) || !SelectsAWeekday(days)) {
      state.Armed = false;
      continue;
    }
    int hour = 0, minute = 0;
    try {
      ParseTimeOfDay(time, hour, minute);
    } catch (const EConvertError& error) {
      // Left out, and the others armed all the same.
      state.Armed = false;
      if (std::string text = sys::WideToUtf8(time); state.BadTime != text) {
        state.BadTime = std::move(text);
        pass.BadTimes.push_back(error.what());
      }
      continue;
    }
    state.BadTime.clear();
    if (!state.Armed || state.Time != time || state.Days != days || clockWentBack) {
      state.Armed = true;
      state.Time = time;
      state.Days = days;
      state.Pending = NextOccurrenceAfter(time, days, std::max(pass.Now, state.LastFired), pass);
    }
    if (state.Pending <= pass.Now) {
      pass.Due.push_back({i, entry});
    } else if (pass.NextDue < 0 || state.Pending < pass.NextDue) {
      pass.NextDue = state.Pending;
      pass.NextIndex = i;
    }
  }
  FStates = std::move(states);
  return pass;
}

bool TAlarmScheduler::TakeDue(const TXmlNode* entry, const TPass& pass) {
  const auto it = FStates.find(entry);
  if (it == FStates.end() || !it->second.Armed || it->second.Pending > pass.Now) return false;
  TEntryState& state = it->second;
  state.LastFired = pass.Now;
  state.Pending = NextOccurrenceAfter(state.Time, state.Days, pass.Now, pass);
  return true;
}
