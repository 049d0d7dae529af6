#include <gtest/gtest.h>

#include <filesystem>

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
  wednesday.DayOfWeek = 4;
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
