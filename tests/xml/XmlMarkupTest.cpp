#include <gtest/gtest.h>

#include <string>

#include "xml/XmlMarkup.h"

namespace {

struct TMarkupCase {
  std::string Text;
  std::string Stored;
};

TEST(XmlMarkup, EscapeReplacesTheFiveMarkupBytesOnly) {
  const TMarkupCase cases[] = {
      {"Tea & cake <5>", "Tea &amp; cake &lt;5&gt;"},
      {"say \"hi\", it's", "say &quot;hi&quot;, it&apos;s"},
      {"plain text", "plain text"},
      {"", ""},
      {"Gr\xC3\xBC\xC3\x9F"
       "e\x01\t\n",
       "Gr\xC3\xBC\xC3\x9F"
       "e\x01\t\n"},
      {"&amp;", "&amp;amp;"},
  };
  for (const TMarkupCase& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(EscapeMarkup(c.Text), c.Stored);
    EXPECT_EQ(UnescapeMarkup(c.Stored), c.Text);
  }
}

TEST(XmlMarkup, UnescapeDecodesOnlyThePredefinedReferencesWithExactCase) {
  const TMarkupCase cases[] = {
      {"&#65;", "&#65;"},
      {"&#x41;", "&#x41;"},
      {"AT&T", "AT&T"},
      {"&AMP;", "&AMP;"},
      {"&Lt;", "&Lt;"},
      {"&nbsp;x", "&nbsp;x"},
      {"&quot;&apos;&lt;&gt;&amp;", "\"'<>&"},
      {"a & b &amp; c", "a & b & c"},  // the first "&" meets another "&" before a ";"
      {"&&amp;", "&&"},
      {"tail&", "tail&"},
      {"&;", "&;"},
      {"&amp;lt;", "&lt;"},  // decoded once, not twice
  };
  for (const TMarkupCase& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(UnescapeMarkup(c.Text), c.Stored);
  }
}

TEST(XmlMarkup, TrimBlankBytesDropsBytesUpToSpaceAtBothEnds) {
  const TMarkupCase cases[] = {
      {"  Alarm  ", "Alarm"},
      {"\t\r\n x y \x01\x1F", "x y"},
      {std::string("\0 a\0b ", 6), std::string("a\0b", 3)},
      {"", ""},
      {" \t\n ", ""},
      {"!x!", "!x!"},
      {"\xC2\xA0x\xC2\xA0", "\xC2\xA0x\xC2\xA0"},  // no-break space is not a blank byte
  };
  for (const TMarkupCase& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(TrimBlankBytes(c.Text), c.Stored);
  }
}

}  // namespace
