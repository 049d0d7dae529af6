#include <gtest/gtest.h>

#include "system/CodePage.h"

namespace {

struct Case {
  unsigned codePage;
  const char* bytes;
  const wchar_t* text;
};

TEST(CodePage, ConvertsBothWays) {
  const Case cases[] = {
      {1252, "caf\xE9 \x80", L"caf\u00E9 \u20AC"},
      {1251, "\xC6\xF3\xEA", L"\u0416\u0443\u043A"},
      {1253, "\xC1\xE8", L"\u0391\u03B8"},
      {932, "\x93\xFA\x96\x7B", L"\u65E5\u672C"},  // double-byte: two characters, four bytes
      {936, "\xD6\xD0\xCE\xC4", L"\u4E2D\u6587"},
      {65001, "\xE2\x82\xAC", L"\u20AC"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePage);
    ASSERT_TRUE(sys::IsCodePageSupported(c.codePage));
    EXPECT_EQ(sys::CodePageToWide(c.codePage, c.bytes), c.text);
    bool usedDefault = true;
    EXPECT_EQ(sys::WideToCodePage(c.codePage, c.text, &usedDefault), c.bytes);
    EXPECT_FALSE(usedDefault);
  }
}

TEST(CodePage, CharactersTheCodePageLacksBecomeQuestionMarks) {
  bool usedDefault = false;
  EXPECT_EQ(sys::WideToCodePage(1252, L"a\u0416b\u65E5", &usedDefault), "a?b?");
  EXPECT_TRUE(usedDefault);
}

TEST(CodePage, EmptyTextConvertsToEmptyText) {
  bool usedDefault = true;
  EXPECT_EQ(sys::WideToCodePage(1252, L"", &usedDefault), "");
  EXPECT_FALSE(usedDefault);
  EXPECT_EQ(sys::CodePageToWide(1252, ""), L"");
}

TEST(CodePage, AnsiCodePageIsConvertible) {
  const unsigned acp = sys::AnsiCodePage();
  EXPECT_TRUE(sys::IsCodePageSupported(acp)) << acp;
  EXPECT_EQ(sys::CodePageToWide(acp, "Alarm"), L"Alarm");
}

}  // namespace
