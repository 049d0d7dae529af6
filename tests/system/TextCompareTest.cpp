#include <gtest/gtest.h>

#include "system/TextCompare.h"

namespace {

TEST(TextCompare, IgnoresLetterCaseOfUnicodeText) {
  const struct {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"Time", "time", true},
      {"ENTRY", "entry", true},
      {"", "", true},
      {"Time", "Tim", false},
      {"Time", "Timer", false},
      {"Days", "Day5", false},
      {"\xC3\x84rger", "\xC3\xA4RGER", true},                          // Ärger / äRGER
      {"\xD0\x96\xD1\x83\xD0\xBA", "\xD0\xB6\xD0\xA3\xD0\x9A", true},  // Жук / жУК
      {"Time", "T\xC3\xADme", false},                                  // í is not i
      {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", true},                // été / ÉTÉ
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    EXPECT_EQ(sys::SameTextIgnoreCase(c.a, c.b), c.same);
    EXPECT_EQ(sys::SameTextIgnoreCase(c.b, c.a), c.same);
  }
}

}  // namespace
