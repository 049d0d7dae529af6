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

constexpr int64_t kWeekMs = int64_t{kWeekSeconds} * 1000;
// GetTickCount64 and the system time tick apart by up to a timer tick (15.6
// ms): less than this between them is no clock put back.
constexpr int64_t kClockTolerance = 50;

int64_t FloorSeconds(int64_t milliseconds) { return milliseconds / 1000 - (milliseconds % 1000 < 0 ? 1 : 0); }

// The first occurrence strictly after the local moment after, whose second
// counts as past.
int64_t NextOccurrenceAfter(std::wstring_view time, std::wstring_view days, int64_t after) {
  const int64_t second = FloorSeconds(after);
  const int32_t seconds = SecondsUntilAlarm(time, days, WeekSeconds(sys::LocalTimeAt(second * 1000)));
  // 0: its one weekday comes at that very second, which is not after it.
  return (second + (seconds == 0 ? kWeekSeconds : seconds)) * 1000;
}

// The latest occurrence at or before the local moment at.
int64_t LatestOccurrenceAtOrBefore(std::wstring_view time, std::wstring_view days, int64_t at) {
  int64_t latest = NextOccurrenceAfter(time, days, at - kWeekMs);
  for (int64_t next; (next = NextOccurrenceAfter(time, days, latest)) <= at;) latest = next;
  return latest;
}

bool SelectsAWeekday(std::wstring_view days) {
  for (int d = 1; d <= 7; ++d)
    if (IsWeekdaySelected(days, d)) return true;
  return false;
}

}  // namespace

bool TAlarmScheduler::RangLately(const TEntryState& state, int64_t occurrence, int64_t real) {
  return std::any_of(state.Rung.begin(), state.Rung.end(), [&](const TRung& rung) {
    return rung.Occurrence == occurrence && real - rung.Real < kRepeatGuard;
  });
}

TAlarmScheduler::TPass TAlarmScheduler::Pass(const TXmlDocument& document, const sys::TClockReading& now) {
  TPass pass;
  pass.Now = now;
  // The local clock went back since the last pass, by a clock or zone set
  // back or daylight saving time ending, announced or not: it gained less
  // than real time did.
  const bool wentBack = FLast && now.Local - now.Real < FLast->Local - FLast->Real - kClockTolerance;
  FLast = now;

  std::unordered_map<const TXmlNode*, TEntryState> states;
  FOrder.clear();
  const TXmlElement* root = document.Root();
  for (int32_t i = 0, count = root ? root->NodeCount() : 0; i < count; ++i) {
    const TXmlNode* entry = root->Nodes(i);
    TEntryState& state = states[entry];
    FOrder.emplace_back(entry, &state);
    if (auto old = FStates.find(entry); old != FStates.end()) state = std::move(old->second);
    const std::wstring time = sys::Utf8ToWide(entry->ReadString("Time", ""));
    const std::wstring days = sys::Utf8ToWide(entry->ReadString("Days", ""));
    // Switched off, or no weekday: nothing to wait for, and the Time text is
    // never read.
    if (!entry->ReadBool("Checked", false) || !SelectsAWeekday(days)) {
      state.Armed = state.Come = false;
      continue;
    }
    int hour = 0, minute = 0;
    try {
      ParseTimeOfDay(time, hour, minute);
    } catch (const EConvertError& error) {
      // Left out, and the others armed all the same.
      state.Armed = state.Come = false;
      if (std::string text = sys::WideToUtf8(time); state.BadTime != text) {
        state.BadTime = std::move(text);
        pass.BadTimes.push_back(error.what());
      }
      continue;
    }
    state.BadTime.clear();
    if (!state.Armed || state.Time != time || state.Days != days) {
      state.Armed = true;
      state.Come = false;
      state.Time = time;
      state.Days = days;
      state.Pending = NextOccurrenceAfter(time, days, now.Local);
    } else if (wentBack && !state.Come) {
      // What comes after the new time comes again; what was to come still
      // does (a sleep since may have passed it).
      state.Pending = std::min(state.Pending, NextOccurrenceAfter(time, days, now.Local));
    }
    // Come, unless it rang for this very occurrence a short while ago.
    while (!state.Come && state.Pending <= now.Local) {
      if (!RangLately(state, state.Pending, now.Real))
        state.Come = true;
      else
        state.Pending = NextOccurrenceAfter(time, days, state.Pending);
    }
  }
  // The states move with the map's nodes: FOrder still points at them.
  FStates = std::move(states);
  Summarise(pass);
  return pass;
}

TAlarmScheduler::TPass TAlarmScheduler::Again(const TPass& pass) const {
  TPass again;
  again.Now = pass.Now;
  Summarise(again);
  return again;
}

void TAlarmScheduler::Summarise(TPass& pass) const {
  const sys::TClockReading& now = pass.Now;
  for (int32_t i = 0; i < static_cast<int32_t>(FOrder.size()); ++i) {
    const auto& [entry, state] = FOrder[static_cast<size_t>(i)];
    if (!state->Armed) continue;
    if (state->Come) {
      pass.Due.push_back({i, entry});
    } else if (pass.NextDue < 0 || state->Pending < pass.NextDue) {
      pass.NextDue = state->Pending;
      pass.NextIndex = i;
    }
  }
  if (!pass.Due.empty()) {
    pass.NextPass = now.Utc;
  } else if (pass.NextDue >= 0) {
    // The first moment the local clock shows it, by the zone's rules: a
    // change of daylight saving time on the way needs no message.
    const int64_t horizon = now.Utc + kLongestWait;
    int64_t at = pass.NextDue - now.Local > 2 * kLongestWait
                     ? horizon
                     : std::min(sys::UtcWhenLocalReaches(pass.NextDue, now.Utc), horizon);
    // A change of offset is a moment to plan anew: the clock going back
    // brings earlier occurrences again.
    if (const int64_t change = sys::NextZoneChange(now.Utc, at); change >= 0) at = change;
    pass.NextPass = at;
  }
}

std::optional<TAlarmScheduler::TRing> TAlarmScheduler::TakeDue(const TXmlNode* entry, const TPass& pass) {
  const auto it = FStates.find(entry);
  if (it == FStates.end() || !it->second.Armed || !it->second.Come) return std::nullopt;
  TEntryState& state = it->second;
  const sys::TClockReading& now = pass.Now;
  // Once for everything that came: the latest, which the clock may have
  // been set back from since.
  const int64_t occurrence = LatestOccurrenceAtOrBefore(state.Time, state.Days, std::max(now.Local, state.Pending));
  std::erase_if(state.Rung, [&](const TRung& rung) { return now.Real - rung.Real >= kRepeatGuard; });
  state.Rung.push_back({occurrence, now.Real});
  state.Come = false;
  state.Pending = NextOccurrenceAfter(state.Time, state.Days, now.Local);
  return TRing{occurrence, std::max<int64_t>(0, now.Local - occurrence)};
}
