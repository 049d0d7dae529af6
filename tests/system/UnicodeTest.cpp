#include <gtest/gtest.h>

#include "system/Unicode.h"

namespace {

struct RoundTrip {
  const char* utf8;
  std::u32string codePoints;
};

// Wide text as the platform holds it: UTF-16 on Windows, UTF-32 elsewhere.
std::wstring Wide(const std::u32string& cps) {
  std::wstring out;
  for (const char32_t cp : cps) {
    if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
      out += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<wchar_t>(cp);
    }
  }
  return out;
}

TEST(Unicode, RoundTripsEveryEncodedLength) {
  const RoundTrip cases[] = {
      {"", U""},
      {"Alarm 07:05", U"Alarm 07:05"},
      {"caf\xC3\xA9", U"caf\u00E9"},          // 2 bytes
      {"\xE2\x82\xAC 5", U"\u20AC 5"},        // 3 bytes
      {"\xF0\x9F\x98\x80!", U"\U0001F600!"},  // 4 bytes, a surrogate pair in UTF-16
      {"\xF4\x8F\xBF\xBF", U"\U0010FFFF"},    // the last code point
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(sys::Utf8ToWide(c.utf8), Wide(c.codePoints));
    EXPECT_EQ(sys::WideToUtf8(Wide(c.codePoints)), c.utf8);
  }
}

TEST(Unicode, MalformedUtf8BecomesReplacementCharacters) {
  const struct {
    const char* bytes;
    std::u32string expected;
  } cases[] = {
      {"a\xC3", U"a\uFFFD"},                              // cut off at the end
      {"\xC0\xAF", U"\uFFFD\uFFFD"},                      // overlong "/"
      {"\xED\xA0\x80z", U"\uFFFD\uFFFD\uFFFDz"},          // an encoded surrogate
      {"\xF5\x80\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
      {"\x80x", U"\uFFFDx"},                              // a stray continuation byte
      {"\xE2\x82x", U"\uFFFD\uFFFDx"},                    // a continuation byte missing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(sys::Utf8ToWide(c.bytes), Wide(c.expected));
  }
}

TEST(Unicode, LoneSurrogateInWideTextBecomesReplacementCharacter) {
  std::wstring text = L"a";
  text += static_cast<wchar_t>(0xD800);
  text += L"b";
  EXPECT_EQ(sys::WideToUtf8(text),
            "a\xEF\xBF\xBD"
            "b");
}

}  // namespace
