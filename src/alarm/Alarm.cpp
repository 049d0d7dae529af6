#include "alarm/Alarm.h"

#include <cmath>

#include "system/Clock.h"
#include "system/Unicode.h"

TAlarm CurrentAlarm;

std::wstring BuildDaysText(const std::array<bool, 7>& checked) {
  std::wstring text;
  for (size_t d = 0; d < kDayNames.size(); ++d) {
    if (!checked[d]) continue;
    text += kDayNames[d];
    text += L", ";
  }
  if (text.find(L',') != std::wstring::npos) text.resize(text.size() - 2);
  if (text.empty()) text = kAllDays;
  return text;
}

bool DaysTextNamesDay(std::wstring_view days, int weekday) {
  return weekday >= 1 && weekday <= 7 && days.find(kDayNames[static_cast<size_t>(weekday - 1)]) != days.npos;
}

bool IsWeekdaySelected(std::wstring_view days, int weekday) {
  return DaysTextNamesDay(days, weekday) || days.find(kAllDays) != days.npos;
}

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Reads exactly two digits at pos into value.
bool TwoDigits(std::wstring_view text, size_t pos, int& value) {
  if (pos + 2 > text.size() || !IsDigit(text[pos]) || !IsDigit(text[pos + 1])) return false;
  value = (text[pos] - L'0') * 10 + (text[pos + 1] - L'0');
  return true;
}

// Matches a time separator at pos: ":" or the user's own.
bool Separator(std::wstring_view text, size_t& pos, const std::wstring& userSeparator) {
  if (pos < text.size() && text[pos] == L':') {
    ++pos;
    return true;
  }
  if (!userSeparator.empty() && text.substr(pos, userSeparator.size()) == userSeparator) {
    pos += userSeparator.size();
    return true;
  }
  return false;
}

}  // namespace

bool TryParseTimeOfDay(std::wstring_view text, int& hour, int& minute) {
  const std::wstring userSeparator = sys::TimeSeparator();
  size_t pos = 0;
  int h = 0;
  if (TwoDigits(text, 0, h)) {
    pos = 2;
  } else if (!text.empty() && IsDigit(text[0])) {
    h = text[0] - L'0';
    pos = 1;
  } else {
    return false;
  }
  int m = 0;
  if (!Separator(text, pos, userSeparator) || !TwoDigits(text, pos, m)) return false;
  pos += 2;
  if (pos < text.size()) {
    int s = 0;
    if (!Separator(text, pos, userSeparator) || !TwoDigits(text, pos, s) || s > 59) return false;
    pos += 2;
  }
  if (pos != text.size() || h > 23 || m > 59) return false;
  hour = h;
  minute = m;
  return true;
}

void ParseTimeOfDay(std::wstring_view text, int& hour, int& minute) {
  if (!TryParseTimeOfDay(text, hour, minute))
    throw EConvertError("''" + sys::WideToUtf8(text) + "'' is not a valid date and time");
}

std::wstring FormatTimeOfDay(int hour, int minute) {
  const auto twoDigits = [](int v) {
    return std::wstring{static_cast<wchar_t>(L'0' + v / 10), static_cast<wchar_t>(L'0' + v % 10)};
  };
  return twoDigits(hour) + sys::TimeSeparator() + twoDigits(minute);
}

bool IsSoundPath(std::wstring_view sound) { return sound.find(L':') != sound.npos; }

std::wstring ResolveSoundPath(std::wstring_view sound, std::wstring_view programFolder) {
  if (IsSoundPath(sound)) return std::wstring(sound);
#ifdef _WIN32
  constexpr std::wstring_view kSoundsFolder = L"Sounds\\";
#else
  constexpr std::wstring_view kSoundsFolder = L"Sounds/";
#endif
  return std::wstring(programFolder) + std::wstring(kSoundsFolder) + std::wstring(sound) + L".mp3";
}

uint32_t LoopInterval(double duration) {
  // A day is far beyond any sound; it also keeps NaN and nonsense out.
  if (!(duration >= 0)) duration = 0;
  if (duration > 86400) duration = 86400;
  return (static_cast<uint32_t>(std::nearbyint(duration)) + 1) * 1000;
}

std::wstring EditorSoundText(std::wstring_view sound) { return std::wstring(sound.empty() ? kDefaultSound : sound); }

TAlarmActionKind ActionKind(std::wstring_view action) {
  if (action.empty()) return akNothing;
  if (action == kActionShutdown) return akShutdown;
  if (action == kActionRestart) return akRestart;
  if (action == kActionStandby) return akStandby;
  return akOpen;
}

bool SkipsLateAction(TAlarmActionKind kind, int64_t late) {
  return (kind == akShutdown || kind == akRestart || kind == akStandby) && late > kPowerActionLateness;
}

std::wstring SkippedActionText(std::wstring_view action, int64_t late) {
  const int64_t minutes = late / 60'000;
  // A number and its unit stay on one line.
  const auto count = [](int64_t n, const wchar_t* unit) { return std::to_wstring(n) + L"\u00a0" + unit; };
  std::wstring lateness;
  if (minutes >= 24 * 60)
    lateness =
        count(minutes / (24 * 60), minutes >= 48 * 60 ? L"days" : L"day") + L" " + count(minutes / 60 % 24, L"h");
  else if (minutes >= 60)
    lateness = count(minutes / 60, L"h") + L" " + count(minutes % 60, L"min");
  else
    lateness = count(minutes, L"min");
  const TAlarmActionKind kind = ActionKind(action);
  const wchar_t* what = kind == akShutdown ? L"shut down" : kind == akRestart ? L"restarted" : L"put on standby";
  return L"The computer was not " + std::wstring(what) + L": the alarm came " + lateness + L" late.";
}

TAlarm NewAlarm() {
  const sys::TLocalTime now = sys::LocalNow();
  TAlarm alarm;
  alarm.ID = 0;
  alarm.Time = FormatTimeOfDay(now.Hour, now.Minute);
  alarm.Days = L"";
  alarm.Note = L"Alarm";
  alarm.ShowMessage = true;
  alarm.Sound = kDefaultSound;
  alarm.TurnOnVolum = true;
  alarm.SoundVolum = 100;
  alarm.Loop = true;
  alarm.Snooze = true;
  alarm.WakeUp = true;
  alarm.TurnOnMoniter = true;
  alarm.Action = kNoAction;
  alarm.Checked = true;
  return alarm;
}

std::wstring DuplicateNote(std::wstring_view note) { return std::wstring(note) + L" duplicate"; }
