#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alarm/Alarm.h"
#include "alarm/Scheduler.h"
#include "system/Clock.h"
#include "xml/XmlDocument.h"

namespace {

sys::TLocalTime At(int weekday, int hour, int minute, int second) {
  sys::TLocalTime t;
  t.DayOfWeek = weekday;
  t.Hour = hour;
  t.Minute = minute;
  t.Second = second;
  return t;
}

constexpr int kSunday = 1, kMonday = 2, kWednesday = 4, kThursday = 5, kSaturday = 7;

TEST(SecondsUntilAlarm, CountsToTheNextOccurrenceWithinTheWeek) {
  const struct {
    sys::TLocalTime now;
    const wchar_t* time;
    const wchar_t* days;
    int32_t seconds;
    int32_t dayPosition;  // NextAlarmIndex: 0 = Sunday .. 6 = Saturday
  } cases[] = {
      {At(kWednesday, 10, 15, 30), L"10:20", L"Wednesday", 270, 3},
      {At(kWednesday, 10, 15, 30), L"10:15", L"Wednesday", 604770, 3},
      {At(kWednesday, 10, 15, 30), L"08:00", L"Monday", 423870, 1},
      {At(kWednesday, 10, 15, 30), L"00:00", L"Sunday", 308670, 0},
      {At(kSaturday, 23, 59, 59), L"00:00", L"Sunday", 1, 0},
      {At(kWednesday, 7, 0, 30), L"07:00", L"All days", 86370, 4},
      {At(kSunday, 7, 0, 30), L"7:00", L"All days", 86370, 1},
      // Due in this very second: no candidate that day, the other days still count.
      {At(kWednesday, 10, 20, 0), L"10:20", L"Wednesday", 0, 6},
      {At(kWednesday, 10, 20, 0), L"10:20", L"Wednesday, Friday", 172800, 5},
      {At(kWednesday, 10, 20, 1), L"10:20", L"Wednesday", 604799, 3},
      {At(kMonday, 9, 0, 0), L"09:00", L"Saturdays", 432000, 6},
      {At(kMonday, 9, 0, 0), L"09:00", L"monday", 0, 6},
      // Nothing selected: the Time text is never parsed.
      {At(kMonday, 9, 0, 0), L"not a time", L"", 0, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "day " << c.now.DayOfWeek << " " << c.now.Hour << ":" << c.now.Minute << ":"
                                    << c.now.Second << ", alarm " << c.time << " " << c.days);
    sys::TFixedClock clock(c.now);
    sys::TScopedClock scoped(clock);
    NextAlarmIndex = -1;
    EXPECT_EQ(SecondsUntilAlarm(c.time, c.days), c.seconds);
    EXPECT_EQ(NextAlarmIndex, c.dayPosition);
  }
}

TEST(SecondsUntilAlarm, UnparsableTimeFailsWhenADayIsSelected) {
  sys::TFixedClock clock(At(kMonday, 9, 0, 0));
  sys::TScopedClock scoped(clock);
  EXPECT_THROW(SecondsUntilAlarm(L"25:00", L"Monday"), EConvertError);
  EXPECT_THROW(SecondsUntilAlarm(L"", L"All days"), EConvertError);
}

TEST(PickNearest, SmallestPositiveFirstOnTies) {
  const struct {
    std::vector<int32_t> values;
    int32_t result;
    int32_t index;
  } cases[] = {
      {{0, 0, 0}, 0, 2},    {{4}, 4, 0},       {{5, 3, 3}, 3, 1},
      {{0, 7, 0, 2}, 2, 3}, {{9, 0, 9}, 9, 0}, {{0, 0, 604799}, 604799, 2},
  };
  for (const auto& c : cases) {
    NextAlarmIndex = -1;
    EXPECT_EQ(PickNearest(c.values), c.result);
    EXPECT_EQ(NextAlarmIndex, c.index);
  }
}

// Records how the scheduler drives the timer.
class RecordingTimer : public TAlarmTimer {
 public:
  void SetEnabled(bool enabled) override {
    Enabled = enabled;
    Calls.push_back(enabled ? "enable" : "disable");
  }
  void SetInterval(uint32_t milliseconds) override {
    Interval = milliseconds;
    Calls.push_back("interval " + std::to_string(milliseconds));
  }
  bool Enabled = false;
  uint32_t Interval = 0;
  std::vector<std::string> Calls;
};

struct Entry {
  const char* time;
  const char* days;
  bool checked;
};

class ScheduleTest : public testing::Test {
 protected:
  ScheduleTest() : clock(At(kWednesday, 10, 15, 30)), scoped(clock), document(TXmlDocument::CreateName("Root")) {}

  void Add(const Entry& e) {
    TXmlNode* entry = document->Root()->NodeNew("Entry");
    entry->WriteString("Time", e.time, "");
    entry->WriteString("Days", e.days, "");
    entry->WriteBool("Checked", e.checked, false);
  }

  // A timer left running by an earlier pass.
  void ArmEarlier() {
    timer.SetInterval(5000);
    timer.SetEnabled(true);
    timer.Calls.clear();
  }

  sys::TFixedClock clock;
  sys::TScopedClock scoped;
  std::unique_ptr<TXmlDocument> document;
  RecordingTimer timer;
};

TEST_F(ScheduleTest, ArmsTheTimerForTheNearestCheckedEntry) {
  Add({"08:00", "Monday", true});      // 423870
  Add({"10:20", "Wednesday", false});  // switched off
  Add({"10:16", "All days", true});    // 30
  Add({"10:16", "Wednesday", true});   // 30 as well: the earlier entry wins
  ArmEarlier();
  ScheduleNextAlarm(*document, timer);
  EXPECT_EQ(NextAlarmIndex, 2);
  EXPECT_EQ(timer.Calls, (std::vector<std::string>{"disable", "interval 30000", "enable"}));
}

TEST_F(ScheduleTest, LongestIntervalFitsTheTimer) {
  clock.Set(At(kWednesday, 10, 20, 1));
  Add({"10:20", "Wednesday", true});
  ScheduleNextAlarm(*document, timer);
  EXPECT_TRUE(timer.Enabled);
  EXPECT_EQ(timer.Interval, 604799000u);
}

TEST_F(ScheduleTest, AnOccurrenceDueInThisVerySecondGoesOffAtOnce) {
  clock.Set(At(kWednesday, 10, 20, 0));
  Add({"10:21", "Wednesday", true});
  Add({"10:20", "Wednesday", true});
  const TArmedAlarm armed = ScheduleNextAlarm(*document, timer);
  EXPECT_EQ(NextAlarmIndex, 1);
  EXPECT_EQ(armed.Index, 1);
  EXPECT_EQ(timer.Interval, 1u);
  EXPECT_EQ(armed.Due, LocalSeconds(At(kWednesday, 10, 20, 0)));
}

TEST_F(ScheduleTest, AfterFiringTheOthersDueThenGoOffAndTheFiredOneWaitsAWeek) {
  const sys::TLocalTime due = At(kWednesday, 10, 20, 0);
  clock.Set(due);
  Add({"10:20", "Wednesday", true});
  Add({"10:20", "Wednesday", true});
  TFiredAlarms fired{LocalSeconds(due), kWednesday * 86400 + 10 * 3600 + 20 * 60, {0}};
  EXPECT_EQ(ScheduleNextAlarm(*document, timer, fired).Index, 1);
  EXPECT_EQ(timer.Interval, 1u);
  // The second went off too, two seconds late: both wait for next week.
  fired.Entries.push_back(1);
  clock.Set(At(kWednesday, 10, 20, 2));
  EXPECT_EQ(ScheduleNextAlarm(*document, timer, fired).Index, 0);
  EXPECT_EQ(timer.Interval, 604798000u);
  // Within the due second, a one-weekday alarm is armed a whole week on.
  clock.Set(due);
  const TArmedAlarm armed = ScheduleNextAlarm(*document, timer, fired);
  EXPECT_EQ(timer.Interval, 604800000u);
  EXPECT_EQ(armed.Due, LocalSeconds(due) + kWeekSeconds);
  EXPECT_EQ(armed.WeekSeconds, fired.WeekSeconds);
}

TEST_F(ScheduleTest, AlarmsDueWithAFiredOneLongAgoAreNotCaughtUp) {
  Add({"10:20", "Wednesday", true});
  Add({"10:20", "Wednesday", true});
  const sys::TLocalTime due = At(kWednesday, 10, 20, 0);
  TFiredAlarms fired{LocalSeconds(due), kWednesday * 86400 + 10 * 3600 + 20 * 60, {0}};
  clock.Set(At(kWednesday, 10, 21, 0));
  EXPECT_EQ(ScheduleNextAlarm(*document, timer, fired).Index, 0);
  EXPECT_EQ(timer.Interval, 604740000u);
}

TEST(LocalSeconds, CountsAcrossMonthsAndYears) {
  sys::TLocalTime a = At(kWednesday, 23, 59, 59);
  a.Year = 2026, a.Month = 12, a.Day = 31;
  sys::TLocalTime b = At(kThursday, 0, 0, 0);
  b.Year = 2027, b.Month = 1, b.Day = 1;
  EXPECT_EQ(LocalSeconds(b) - LocalSeconds(a), 1);
  sys::TLocalTime leap = b;
  leap.Year = 2028, leap.Month = 3, leap.Day = 1;
  sys::TLocalTime feb = leap;
  feb.Month = 2, feb.Day = 28;
  EXPECT_EQ(LocalSeconds(leap) - LocalSeconds(feb), 2 * 86400);
  sys::TLocalTime epoch = b;
  epoch.Year = 1970, epoch.Month = 1, epoch.Day = 1;
  EXPECT_EQ(LocalSeconds(epoch), 0);
}

TEST_F(ScheduleTest, NothingDueStopsATimerLeftFromAnEarlierPass) {
  Add({"10:20", "Wednesday", false});
  Add({"bad", "Monday", false});  // switched off: its Time is never read
  Add({"10:20", "", true});       // selects no day
  ArmEarlier();
  ScheduleNextAlarm(*document, timer);
  EXPECT_FALSE(timer.Enabled);
  EXPECT_EQ(timer.Calls, std::vector<std::string>{"disable"});
  EXPECT_EQ(NextAlarmIndex, 2);
}

TEST_F(ScheduleTest, NoEntriesStopsTheTimer) {
  ArmEarlier();
  ScheduleNextAlarm(*document, timer);
  EXPECT_FALSE(timer.Enabled);
}

TEST_F(ScheduleTest, NoRootElementStopsTheTimer) {
  const auto empty = TXmlDocument::CreateEx(false, false);
  ArmEarlier();
  ScheduleNextAlarm(*empty, timer);
  EXPECT_FALSE(timer.Enabled);
}

TEST_F(ScheduleTest, EntryWithoutCheckedIsNotScheduled) {
  document->Root()->NodeNew("Entry")->WriteString("Time", "10:16", "");
  document->Root()->Nodes(0)->WriteString("Days", "All days", "");
  ScheduleNextAlarm(*document, timer);
  EXPECT_FALSE(timer.Enabled);
}

TEST_F(ScheduleTest, UnparsableTimeOfACheckedEntryFailsThePassAndStopsTheTimer) {
  Add({"10:16", "Wednesday", true});
  Add({"10:7x", "Monday", true});
  Add({"10:17", "Wednesday", true});
  ArmEarlier();
  try {
    ScheduleNextAlarm(*document, timer);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "''10:7x'' is not a valid date and time");
  }
  EXPECT_FALSE(timer.Enabled);
  EXPECT_EQ(timer.Calls, std::vector<std::string>{"disable"});
}

}  // namespace
