#pragma once
// The alarm record and the text forms of its fields.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct TAlarm {
  int32_t ID = 0;  // in CurrentAlarm: the editor's accepted flag (1 = OK)
  std::wstring Time;
  std::wstring Days;
  std::wstring Note;
  bool ShowMessage = false;
  std::wstring Sound;
  bool TurnOnVolum = false;  // stored and carried only
  int32_t SoundVolum = 0;    // stored and carried only
  bool Loop = false;
  bool Snooze = false;         // stored and carried only
  bool WakeUp = false;         // stored and carried only
  bool TurnOnMoniter = false;  // stored and carried only
  std::wstring Action;
  bool Checked = false;

  bool operator==(const TAlarm&) const = default;
};

// Carries an alarm between the main window and the editor.
extern TAlarm CurrentAlarm;

// A text that cannot be read as a time of day.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// ---- Days text

// Weekday names, Sunday first: index = weekday number - 1.
inline constexpr std::array<std::wstring_view, 7> kDayNames = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                                               L"Thursday", L"Friday", L"Saturday"};
inline constexpr std::wstring_view kAllDays = L"All days";

// The editor's Days text from its seven boxes, Sunday first.
std::wstring BuildDaysText(const std::array<bool, 7>& checked);

// Whether the editor ticks the box of a weekday (1 = Sunday .. 7 = Saturday):
// the text holds the day's name, case-sensitive. "All days" ticks nothing.
bool DaysTextNamesDay(std::wstring_view days, int weekday);

// Whether the scheduler counts a weekday as selected: its name or "All days".
bool IsWeekdaySelected(std::wstring_view days, int weekday);

// ---- Time text

// Reads a time of day. Accepted: H:MM or HH:MM with an optional :SS, hours
// 0-23, minutes and seconds 00-59, with ":" or the user's time separator.
// Nothing else: no blanks, no AM/PM, no one-digit minutes.
bool TryParseTimeOfDay(std::wstring_view text, int& hour, int& minute);

// As TryParseTimeOfDay; fails with EConvertError "''<text>'' is not a valid date and time".
void ParseTimeOfDay(std::wstring_view text, int& hour, int& minute);

// HH<separator>MM with the user's time separator.
std::wstring FormatTimeOfDay(int hour, int minute);

// ---- Sound text

inline constexpr std::wstring_view kNoSound = L"(None)";
inline constexpr std::wstring_view kDefaultSound = L"Bells1";

// The editor's sound list: "(None)" and the built-in sounds, whose files are
// Sounds\<name>.mp3 beside the program.
inline constexpr std::array<std::wstring_view, 14> kBuiltInSounds = {
    L"(None)", L"Alarm1",    L"Alarm2", L"Alarm3",      L"Alarm4", L"Bells1", L"Bells2",
    L"Birds",  L"Christmas", L"Cuckoo", L"Electricity", L"Flute",  L"Phone",  L"SleighBells"};

// A Sound text holding ":" anywhere is a file path; any other is a built-in name.
bool IsSoundPath(std::wstring_view sound);

// The file a Sound text plays: a path as it stands, a name as
// <programFolder>Sounds\<name>.mp3, whether or not a file is there.
// programFolder ends in a separator.
std::wstring ResolveSoundPath(std::wstring_view sound, std::wstring_view programFolder);

// The loop timer's interval for a sound of this duration: (r + 1) * 1000 ms,
// r the seconds rounded half to even, so that the sound starts again 0.5 to
// 1.5 s after it ended.
uint32_t LoopInterval(double duration);

// What the editor shows for a Sound text: an empty one as "Bells1".
std::wstring EditorSoundText(std::wstring_view sound);

// ---- Action text

enum TAlarmActionKind { akNothing, akShutdown, akRestart, akStandby, akOpen };

inline constexpr std::wstring_view kActionShutdown = L"Shut down computer";
inline constexpr std::wstring_view kActionRestart = L"Restart computer";
inline constexpr std::wstring_view kActionStandby = L"Standby computer";
inline constexpr std::wstring_view kNoAction = L"(None)";

// Exact, case-sensitive: "" does nothing; every text but the three power
// actions, "(None)" included, is opened through the shell.
TAlarmActionKind ActionKind(std::wstring_view action);

// An alarm that rings later than this after its moment (the computer slept
// through it, the clock was put forward) does not shut down, restart or put
// the computer on standby: on waking that would end the user's work, or send
// the computer back to sleep. It rings all the same; a file or link opens.
inline constexpr int64_t kPowerActionLateness = 2 * 60'000;
bool SkipsLateAction(TAlarmActionKind kind, int64_t late);
// The alarm window's line for such an alarm: which action and why.
std::wstring SkippedActionText(std::wstring_view action, int64_t late);

// ---- New and duplicated alarms

// The fields of a new alarm, its time the present local time.
TAlarm NewAlarm();

// The note of a duplicate.
std::wstring DuplicateNote(std::wstring_view note);
