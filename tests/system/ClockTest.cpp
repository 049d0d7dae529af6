#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "system/Clock.h"
#include "system/ProgramFolder.h"

namespace {

// Sakamoto's method: 0 = Sunday.
int WeekdayOf(int year, int month, int day) {
  static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) year -= 1;
  return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

TEST(Clock, SystemClockGivesAConsistentLocalTime) {
  const sys::TLocalTime now = sys::LocalNow();
  EXPECT_GE(now.Year, 2020);
  EXPECT_GE(now.Hour, 0);
  EXPECT_LE(now.Hour, 23);
  EXPECT_LE(now.Minute, 59);
  EXPECT_LE(now.Second, 60);
  EXPECT_EQ(now.DayOfWeek, WeekdayOf(now.Year, now.Month, now.Day) + 1);
}

TEST(Clock, SetClockReplacesTheSystemClockUntilRestored) {
  sys::TLocalTime wednesday;
  wednesday.Year = 2026, wednesday.Month = 12, wednesday.Day = 9;
  wednesday.Hour = 10;
  wednesday.Minute = 15;
  wednesday.Second = 30;
  sys::TFixedClock clock(wednesday);
  {
    sys::TScopedClock scoped(clock);
    EXPECT_EQ(sys::LocalNow().DayOfWeek, 4);
    EXPECT_EQ(sys::LocalNow().Second, 30);
    wednesday.Second = 31;
    clock.Set(wednesday);
    EXPECT_EQ(sys::LocalNow().Second, 31);
  }
  EXPECT_GE(sys::LocalNow().Year, 2020);
}

TEST(Clock, LocalMillisecondsCountAcrossDaysMonthsAndYearsAndComeBack) {
  const auto at = [](int year, int month, int day, int h, int m, int s, int ms) {
    sys::TLocalTime t;
    t.Year = year, t.Month = month, t.Day = day, t.Hour = h, t.Minute = m, t.Second = s, t.Millisecond = ms;
    t.DayOfWeek = WeekdayOf(year, month, day) + 1;
    return t;
  };
  const struct {
    sys::TLocalTime From, To;
    int64_t Apart;
  } cases[] = {
      {at(2026, 12, 31, 23, 59, 59, 999), at(2027, 1, 1, 0, 0, 0, 0), 1},
      {at(2028, 2, 28, 12, 0, 0, 0), at(2028, 3, 1, 12, 0, 0, 0), 2 * 86'400'000},
      {at(2100, 2, 28, 0, 0, 0, 0), at(2100, 3, 1, 0, 0, 0, 0), 86'400'000},
      {at(1970, 1, 1, 0, 0, 0, 0), at(1970, 1, 1, 0, 0, 1, 500), 1500},
      {at(1969, 12, 31, 23, 0, 0, 0), at(1970, 1, 1, 0, 0, 0, 0), 3'600'000},
  };
  EXPECT_EQ(sys::LocalMilliseconds(at(1970, 1, 1, 0, 0, 0, 0)), 0);
  for (const auto& c : cases) {
    EXPECT_EQ(sys::LocalMilliseconds(c.To) - sys::LocalMilliseconds(c.From), c.Apart) << c.To.Year;
    for (const sys::TLocalTime& t : {c.From, c.To}) {
      const sys::TLocalTime back = sys::LocalTimeAt(sys::LocalMilliseconds(t));
      EXPECT_EQ(std::tie(back.Year, back.Month, back.Day, back.DayOfWeek, back.Hour, back.Minute, back.Second,
                         back.Millisecond),
                std::tie(t.Year, t.Month, t.Day, t.DayOfWeek, t.Hour, t.Minute, t.Second, t.Millisecond))
          << t.Year << "-" << t.Month << "-" << t.Day;
    }
  }
}

// A zone of +1 h that changes to other offsets at given UTC moments.
class TZoneClock : public sys::TClock {
 public:
  explicit TZoneClock(std::vector<std::pair<int64_t, int64_t>> changes) : FChanges(std::move(changes)) {}
  int64_t UtcNow() const override { return 0; }
  int64_t RealNow() const override { return 0; }
  int64_t ZoneOffsetAt(int64_t utc) const override {
    int64_t offset = kHour;
    for (const auto& [at, to] : FChanges)
      if (at <= utc) offset = to;
    return offset;
  }
  static constexpr int64_t kHour = 3'600'000;

 private:
  std::vector<std::pair<int64_t, int64_t>> FChanges;
};

TEST(Clock, TheLocalClockReachesAMomentByTheZonesRules) {
  constexpr int64_t h = TZoneClock::kHour, m = h / 60;
  // Summer time begins at 01:00 UTC (02:00 becomes 03:00) and ends at 25:00
  // UTC (03:00 becomes 02:00).
  const TZoneClock zone({{h, 2 * h}, {25 * h, h}});
  sys::TScopedClock scoped(zone);
  const struct {
    const char* Case;
    int64_t Local, From, Reached;
  } cases[] = {
      {"before the change", h + 30 * m, 0, 30 * m},
      {"in the hour skipped: at the change", 2 * h + 30 * m, 0, h},
      {"after the change, on the new offset", 3 * h + 10 * m, 0, h + 10 * m},
      {"already passed", 30 * m, h, h},
      {"the hour repeated, seen first", 26 * h + 30 * m, 20 * h, 24 * h + 30 * m},
      {"the hour repeated, from its second showing", 26 * h + 30 * m, 25 * h, 25 * h + 30 * m},
      {"a day later, both changes on the way", 27 * h, -h, 26 * h},
  };
  for (const auto& c : cases) EXPECT_EQ(sys::UtcWhenLocalReaches(c.Local, c.From), c.Reached) << c.Case;
  EXPECT_EQ(sys::NextZoneChange(0, 10 * h), h);
  EXPECT_EQ(sys::NextZoneChange(h, 10 * h), -1) << "the change at the start is no change after it";
  EXPECT_EQ(sys::NextZoneChange(2 * h, 30 * h), 25 * h);
  EXPECT_EQ(sys::NextZoneChange(2 * h, 3 * h), -1);
}

#ifdef _WIN32
TEST(Clock, TheSystemsLocalTimeIsUtcAndTheZonesOffset) {
  SYSTEMTIME st;
  GetLocalTime(&st);
  sys::TLocalTime t;
  t.Year = st.wYear, t.Month = st.wMonth, t.Day = st.wDay;
  t.Hour = st.wHour, t.Minute = st.wMinute, t.Second = st.wSecond, t.Millisecond = st.wMilliseconds;
  EXPECT_NEAR(static_cast<double>(sys::ReadClock().Local), static_cast<double>(sys::LocalMilliseconds(t)), 1000);
}
#endif

TEST(Clock, TimeSeparatorIsNotEmpty) { EXPECT_FALSE(sys::TimeSeparator().empty()); }

TEST(ProgramFolder, HoldsTheRunningExecutable) {
  const std::wstring folder = sys::ProgramFolder();
  ASSERT_FALSE(folder.empty());
  const wchar_t last = folder.back();
  EXPECT_TRUE(last == L'/' || last == L'\\');
  const std::filesystem::path dir(folder);
  EXPECT_TRUE(std::filesystem::exists(dir / "system_tests") || std::filesystem::exists(dir / "system_tests.exe"));
}

}  // namespace
