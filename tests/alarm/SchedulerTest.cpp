#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "alarm/Alarm.h"
#include "alarm/Scheduler.h"
#include "system/Clock.h"
#include "xml/XmlDocument.h"

namespace {

constexpr int64_t kMinute = 60'000, kHour = 60 * kMinute;

// A moment in the week of Sunday 2026-12-06 (weekday 1).
sys::TLocalTime At(int weekday, int hour, int minute, int second) {
  sys::TLocalTime t;
  t.Year = 2026, t.Month = 12, t.Day = 5 + weekday;
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

TEST(SecondsUntilAlarm, CountsFromTheWeekSecondItIsGiven) {
  // Wednesday 10:15:30, as the worked example above, without the clock.
  EXPECT_EQ(SecondsUntilAlarm(L"10:20", L"Wednesday", WeekSeconds(At(kWednesday, 10, 15, 30))), 270);
  EXPECT_EQ(WeekSeconds(At(kWednesday, 10, 15, 30)), 382530);
}

// ---- TAlarmScheduler

struct Entry {
  const char* time;
  const char* days;
  bool checked = true;
};

// Wednesday 2026-12-09 (a Wednesday indeed: the scheduler counts in dates).
sys::TLocalTime OnWednesday(int hour, int minute, int second, int millisecond = 0) {
  sys::TLocalTime t = At(kWednesday, hour, minute, second);
  t.Year = 2026, t.Month = 12, t.Day = 9, t.Millisecond = millisecond;
  return t;
}

int64_t Ms(const sys::TLocalTime& t) { return sys::LocalMilliseconds(t); }

class SchedulerTest : public testing::Test {
 protected:
  TXmlNode* Add(const Entry& e) {
    TXmlNode* entry = document->Root()->NodeNew("Entry");
    entry->WriteString("Time", e.time, "");
    entry->WriteString("Days", e.days, "");
    entry->WriteBool("Checked", e.checked, false);
    return entry;
  }
  // A pass at the local time now. Real time runs with the clock, and stands
  // still where the clock goes back (it was put back).
  TAlarmScheduler::TPass PassAt(const sys::TLocalTime& now) {
    const int64_t local = Ms(now);
    if (FLocal) FReal += std::max<int64_t>(0, local - *FLocal);
    FLocal = local;
    return scheduler.Pass(*document, {local, local, FReal});
  }
  // The indexes of what is due.
  static std::vector<int32_t> DueIndexes(const TAlarmScheduler::TPass& pass) {
    std::vector<int32_t> indexes;
    for (const auto& due : pass.Due) indexes.push_back(due.Index);
    return indexes;
  }
  // A pass at now that takes every entry due.
  std::vector<int32_t> GoOffAt(const sys::TLocalTime& now) {
    const TAlarmScheduler::TPass pass = PassAt(now);
    std::vector<int32_t> fired;
    for (const auto& due : pass.Due)
      if (scheduler.TakeDue(due.Entry, pass)) fired.push_back(due.Index);
    return fired;
  }

  std::unique_ptr<TXmlDocument> document = TXmlDocument::CreateName("Root");
  TAlarmScheduler scheduler;
  // A zone without offset.
  sys::TFixedClock FClock{OnWednesday(0, 0, 0)};
  sys::TScopedClock FScoped{FClock};
  std::optional<int64_t> FLocal;
  int64_t FReal = 0;
};

TEST_F(SchedulerTest, WaitsForTheNearestSwitchedOnEntryToTheMillisecond) {
  Add({"08:00", "Monday"});
  Add({"10:20", "Wednesday", false});  // switched off
  Add({"10:21", ""});                  // no weekday
  Add({"10:22", "Wednesday"});
  Add({"10:22", "All days"});  // the same moment: the first wins
  const TAlarmScheduler::TPass pass = PassAt(OnWednesday(10, 15, 30, 250));
  EXPECT_TRUE(pass.Due.empty());
  EXPECT_EQ(pass.NextIndex, 3);
  EXPECT_EQ(pass.NextDue - pass.Now.Local, (6 * 60 + 29) * 1000 + 750);
  EXPECT_TRUE(pass.BadTimes.empty());
}

TEST_F(SchedulerTest, NothingSwitchedOnWaitsForNothing) {
  EXPECT_EQ(PassAt(OnWednesday(10, 15, 30)).NextIndex, -1);
  Add({"10:20", "Wednesday", false});
  EXPECT_EQ(PassAt(OnWednesday(10, 15, 30)).NextDue, -1);
}

TEST_F(SchedulerTest, AnOccurrenceThatCameIsDueUntilTakenThenTheNextOneIsAwaited) {
  Add({"10:20", "Wednesday"});
  Add({"10:20", "Wednesday, Thursday"});
  PassAt(OnWednesday(10, 15, 30));
  // The timer came late: both are due, each is taken once.
  const TAlarmScheduler::TPass late = PassAt(OnWednesday(10, 20, 3, 400));
  EXPECT_EQ(DueIndexes(late), (std::vector<int32_t>{0, 1}));
  EXPECT_TRUE(scheduler.TakeDue(late.Due[0].Entry, late));
  EXPECT_FALSE(scheduler.TakeDue(late.Due[0].Entry, late));
  EXPECT_TRUE(scheduler.TakeDue(late.Due[1].Entry, late));
  const TAlarmScheduler::TPass after = PassAt(OnWednesday(10, 20, 3, 500));
  EXPECT_TRUE(after.Due.empty());
  EXPECT_EQ(after.NextIndex, 1);
  EXPECT_EQ(after.NextDue, Ms(OnWednesday(10, 20, 0)) + 86'400'000) << "Thursday";
}

TEST_F(SchedulerTest, AnEntryFirstSeenAfterItsMomentWaitsForTheNextOne) {
  Add({"10:20", "Wednesday"});
  const TAlarmScheduler::TPass pass = PassAt(OnWednesday(10, 20, 0, 1));
  EXPECT_TRUE(pass.Due.empty());
  EXPECT_EQ(pass.NextDue, Ms(OnWednesday(10, 20, 0)) + 7 * 86'400'000LL);
  // Seen a millisecond before its moment, it goes off.
  Add({"10:20", "Wednesday"});
  scheduler = TAlarmScheduler();
  PassAt(OnWednesday(10, 19, 59, 999));
  EXPECT_EQ(GoOffAt(OnWednesday(10, 20, 0)), (std::vector<int32_t>{0, 1}));
}

TEST_F(SchedulerTest, EntriesKeepWhatTheyAwaitWhenOthersMoveAndLoseItWhenChanged) {
  TXmlNode* above = Add({"10:25", "Wednesday"});
  Add({"10:20", "Wednesday"});
  PassAt(OnWednesday(10, 15, 0));
  EXPECT_EQ(GoOffAt(OnWednesday(10, 20, 0)), std::vector<int32_t>{1});
  document->Root()->NodeDelete(document->Root()->NodeIndexOf(above));
  EXPECT_TRUE(PassAt(OnWednesday(10, 20, 20)).Due.empty()) << "moved up, not due again";
  // Switched off and on, or its days changed: it waits from now on.
  TXmlNode* entry = document->Root()->Nodes(0);
  entry->WriteBool("Checked", false, false);
  PassAt(OnWednesday(10, 20, 30));
  entry->WriteBool("Checked", true, false);
  entry->WriteString("Days", "Wednesday, Friday", "");
  const TAlarmScheduler::TPass pass = PassAt(OnWednesday(10, 20, 40));
  EXPECT_TRUE(pass.Due.empty());
  EXPECT_EQ(pass.NextDue, Ms(OnWednesday(10, 20, 0)) + 2 * 86'400'000LL) << "Friday";
}

TEST_F(SchedulerTest, TheClockPutBackRepeatsNothingThatWentOff) {
  Add({"02:30", "All days"});
  PassAt(OnWednesday(2, 0, 0));
  EXPECT_EQ(GoOffAt(OnWednesday(2, 30, 0)), std::vector<int32_t>{0});
  Add({"02:40", "All days"});  // added after its moment: tomorrow
  EXPECT_EQ(PassAt(OnWednesday(2, 50, 0)).NextDue, Ms(OnWednesday(2, 30, 0)) + 86'400'000);
  // The end of daylight saving time: 03:00 becomes 02:00 again.
  EXPECT_TRUE(PassAt(OnWednesday(2, 0, 0)).Due.empty());
  EXPECT_EQ(GoOffAt(OnWednesday(2, 30, 0)), std::vector<int32_t>{}) << "02:30 rang an hour ago";
  EXPECT_EQ(GoOffAt(OnWednesday(2, 40, 0)), std::vector<int32_t>{1}) << "02:40 comes again and never rang";
}

TEST_F(SchedulerTest, TheSameOccurrenceRingsAgainOnlyWhenHoursOfRealTimeLieBetween) {
  Add({"08:00", "All days"});
  const struct {
    int64_t Back;  // the clock put back this long after 08:00 rang
    bool Again;
  } cases[] = {{kMinute, false}, {2 * kHour, false}, {3 * kHour, true}, {9 * kHour, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Back / kMinute);
    scheduler = TAlarmScheduler();
    FLocal.reset();
    PassAt(OnWednesday(7, 0, 0));
    ASSERT_EQ(GoOffAt(OnWednesday(8, 0, 0)), std::vector<int32_t>{0});
    const int64_t at = Ms(OnWednesday(8, 0, 0)) + 1000;
    // Put back at 08:00:01: real time stands while the clock goes back.
    const TAlarmScheduler::TPass back = scheduler.Pass(*document, {at - c.Back, at - c.Back, FReal + 1000});
    FReal += 1000 + c.Back;
    EXPECT_EQ(scheduler.Pass(*document, {at - 1000, at - 1000, FReal}).Due.size(), c.Again ? 1u : 0u)
        << "08:00 again, " << c.Back / kMinute << " min of real time later";
    EXPECT_TRUE(back.Due.empty());
  }
}

TEST_F(SchedulerTest, AnUnreadableTimeIsLeftOutAndToldOncePerText) {
  TXmlNode* bad = Add({"25:00", "Wednesday"});
  Add({"10:20", "Wednesday"});
  Add({"nonsense", ""});  // selects no day: its Time is never read
  TAlarmScheduler::TPass pass = PassAt(OnWednesday(10, 15, 30));
  EXPECT_EQ(pass.BadTimes, std::vector<std::string>{"''25:00'' is not a valid date and time"});
  EXPECT_EQ(pass.NextIndex, 1);
  EXPECT_TRUE(PassAt(OnWednesday(10, 15, 31)).BadTimes.empty());
  bad->WriteString("Time", "1O:25", "");
  EXPECT_EQ(PassAt(OnWednesday(10, 15, 32)).BadTimes,
            std::vector<std::string>{"''1O:25'' is not a valid date and time"});
  bad->WriteString("Time", "10:25", "");
  EXPECT_EQ(PassAt(OnWednesday(10, 15, 33)).NextIndex, 1);
  bad->WriteString("Time", "1O:25", "");
  EXPECT_EQ(PassAt(OnWednesday(10, 15, 34)).BadTimes.size(), 1u) << "broken again: told again";
}

}  // namespace
