#include <gtest/gtest.h>

#include "alarm/Alarm.h"
#include "system/Clock.h"

namespace {

TEST(DaysText, BuiltFromTheDayBoxesInWeekOrder) {
  const struct {
    std::array<bool, 7> checked;  // Sunday first
    const wchar_t* text;
  } cases[] = {
      {{false, false, false, false, false, false, false}, L"All days"},
      {{false, true, false, false, false, false, false}, L"Monday"},
      {{true, false, false, false, false, false, true}, L"Sunday, Saturday"},
      {{false, true, false, true, false, true, false}, L"Monday, Wednesday, Friday"},
      {{true, true, true, true, true, true, true}, L"Sunday, Monday, Tuesday, Wednesday, Thursday, Friday, Saturday"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildDaysText(c.checked), c.text);
  }
}

TEST(DaysText, ReadBackBySubstringCaseSensitive) {
  const struct {
    const wchar_t* days;
    int weekday;
    bool boxTicked;  // the editor's reading
    bool selected;   // the scheduler's reading
  } cases[] = {
      {L"Monday, Wednesday", 2, true, true},
      {L"Monday, Wednesday", 4, true, true},
      {L"Monday, Wednesday", 3, false, false},
      {L"All days", 1, false, true},
      {L"All days", 7, false, true},
      {L"Saturdays", 7, true, true},
      {L"monday", 2, false, false},
      {L"", 1, false, false},
      {L"Friday,Sunday", 1, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.weekday);
    EXPECT_EQ(DaysTextNamesDay(c.days, c.weekday), c.boxTicked);
    EXPECT_EQ(IsWeekdaySelected(c.days, c.weekday), c.selected);
  }
}

TEST(TimeText, AcceptsHoursAndMinutesWithOptionalSeconds) {
  const struct {
    const wchar_t* text;
    int hour;
    int minute;
  } valid[] = {
      {L"07:05", 7, 5}, {L"7:05", 7, 5}, {L"00:00", 0, 0}, {L"23:59", 23, 59}, {L"10:20:45", 10, 20},
  };
  for (const auto& c : valid) {
    int hour = -1;
    int minute = -1;
    EXPECT_TRUE(TryParseTimeOfDay(c.text, hour, minute)) << c.text;
    EXPECT_EQ(hour, c.hour) << c.text;
    EXPECT_EQ(minute, c.minute) << c.text;
  }
}

TEST(TimeText, RejectsEverythingElseAndLeavesTheOutputsAlone) {
  const wchar_t* invalid[] = {L"",     L"7:5",      L"24:00",  L"07:60", L"007:05", L"07:05 PM", L" 07:05",
                              L"0705", L"07:05:60", L"07:05:", L"07-05", L"ab:cd",  L"07::05",   L"07:05:5"};
  for (const wchar_t* text : invalid) {
    int hour = -1;
    int minute = -1;
    EXPECT_FALSE(TryParseTimeOfDay(text, hour, minute)) << text;
    EXPECT_EQ(hour, -1) << text;
    EXPECT_EQ(minute, -1) << text;
  }
}

TEST(TimeText, FailureNamesTheText) {
  int hour = 0;
  int minute = 0;
  try {
    ParseTimeOfDay(L"7:5x", hour, minute);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "''7:5x'' is not a valid date and time");
  }
}

TEST(SoundText, ColonMakesAPath) {
  EXPECT_TRUE(IsSoundPath(L"C:\\Music\\wake.mp3"));
  EXPECT_TRUE(IsSoundPath(L"\\\\server\\share:x"));
  EXPECT_FALSE(IsSoundPath(L"Bells1"));
  EXPECT_FALSE(IsSoundPath(L"(None)"));
  EXPECT_EQ(EditorSoundText(L""), L"Bells1");
  EXPECT_EQ(EditorSoundText(L"Birds"), L"Birds");
}

TEST(SoundText, NamesResolveIntoTheSoundsFolderAndPathsStayAsTheyAre) {
#ifdef _WIN32
  const std::wstring folder = L"C:\\Tollivane\\", sounds = folder + L"Sounds\\";
#else
  const std::wstring folder = L"/opt/tollivane/", sounds = folder + L"Sounds/";
#endif
  const struct {
    const wchar_t* Sound;
    std::wstring Path;
  } cases[] = {
      {L"Bells1", sounds + L"Bells1.mp3"},
      {L"(None)", sounds + L"(None).mp3"},
      {L"", sounds + L".mp3"},
      {L"C:\\Music\\wake.wav", L"C:\\Music\\wake.wav"},
      {L"https://example.invalid/a.mp3", L"https://example.invalid/a.mp3"},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveSoundPath(c.Sound, folder), c.Path) << c.Sound;
}

TEST(SoundText, TheLoopRestartsHalfASecondToASecondAndAHalfAfterTheEnd) {
  const struct {
    double Duration;
    uint32_t Interval;
  } cases[] = {{2.4, 3000}, {2.5, 3000}, {3.5, 5000}, {0, 1000}, {0.5, 1000}, {7.03, 8000}, {-1, 1000}};
  for (const auto& c : cases) EXPECT_EQ(LoopInterval(c.Duration), c.Interval) << c.Duration;
}

TEST(ActionText, OnlyTheExactPowerTextsArePowerActions) {
  const struct {
    const wchar_t* text;
    TAlarmActionKind kind;
  } cases[] = {
      {L"", akNothing},
      {L"Shut down computer", akShutdown},
      {L"Restart computer", akRestart},
      {L"Standby computer", akStandby},
      {L"shut down computer", akOpen},
      {L"Shut down computer ", akOpen},
      {L"(None)", akOpen},
      {L"https://example.invalid/", akOpen},
  };
  for (const auto& c : cases) EXPECT_EQ(ActionKind(c.text), c.kind) << c.text;
}

TEST(ActionText, PowerActionsDoNotRunLateAndTheWindowSaysWhichAndHowLate) {
  const struct {
    const wchar_t* Action;
    int64_t Late;
    bool Skipped;
    const wchar_t* Text;
  } cases[] = {
      {L"Shut down computer", 2 * 60'000, false, nullptr},
      {L"Shut down computer", 9 * 3'600'000 + 12 * 60'000 + 59'000, true,
       L"The computer was not shut down: the alarm came 9\u00a0h 12\u00a0min late."},
      {L"Restart computer", 2 * 60'000 + 1, true, L"The computer was not restarted: the alarm came 2\u00a0min late."},
      {L"Standby computer", (24 + 5) * 3'600'000, true,
       L"The computer was not put on standby: the alarm came 1\u00a0day 5\u00a0h late."},
      {L"Standby computer", 58 * 3'600'000, true,
       L"The computer was not put on standby: the alarm came 2\u00a0days 10\u00a0h late."},
      {L"C:\\backup.cmd", 10 * 3'600'000, false, nullptr},
      {L"", 10 * 3'600'000, false, nullptr},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SkipsLateAction(ActionKind(c.Action), c.Late), c.Skipped) << c.Action << " " << c.Late;
    if (c.Text) {
      EXPECT_EQ(SkippedActionText(c.Action, c.Late), c.Text);
    }
  }
}

TEST(NewAlarm, HasTheDefaultsAndThePresentTime) {
  sys::TLocalTime now;
  now.Hour = 7;
  now.Minute = 5;
  now.Second = 59;
  sys::TFixedClock clock(now);
  sys::TScopedClock scoped(clock);

  TAlarm expected;
  expected.ID = 0;
  expected.Time = L"07" + sys::TimeSeparator() + L"05";
  expected.Days = L"";
  expected.Note = L"Alarm";
  expected.ShowMessage = true;
  expected.Sound = L"Bells1";
  expected.TurnOnVolum = true;
  expected.SoundVolum = 100;
  expected.Loop = true;
  expected.Snooze = true;
  expected.WakeUp = true;
  expected.TurnOnMoniter = true;
  expected.Action = L"(None)";
  expected.Checked = true;
  EXPECT_EQ(NewAlarm(), expected);
}

TEST(NewAlarm, ItsTimeParsesBack) {
  sys::TLocalTime now;
  now.Hour = 23;
  now.Minute = 9;
  sys::TFixedClock clock(now);
  sys::TScopedClock scoped(clock);
  int hour = 0;
  int minute = 0;
  ASSERT_TRUE(TryParseTimeOfDay(NewAlarm().Time, hour, minute));
  EXPECT_EQ(hour, 23);
  EXPECT_EQ(minute, 9);
}

TEST(Duplicate, AppendsToTheNoteEachTime) {
  EXPECT_EQ(DuplicateNote(DuplicateNote(L"Alarm")), L"Alarm duplicate duplicate");
  EXPECT_EQ(DuplicateNote(L""), L" duplicate");
}

TEST(CurrentAlarm, StartsAllZero) { EXPECT_EQ(CurrentAlarm, TAlarm{}); }

}  // namespace
