// Element values and the typed reads and writes that the alarm store uses.

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "XmlTestSupport.h"
#include "xml/XmlDocument.h"

namespace {

class XmlValueTest : public ::testing::Test {
 protected:
  // The stored text of the element's text node.
  static std::string Stored(const TXmlElement& element) {
    const auto* text = dynamic_cast<const TXmlCharData*>(element.Nodes(element.ValueIndex()));
    return text != nullptr ? text->StoredText() : "<no text node>";
  }

  std::unique_ptr<TXmlDocument> document = TXmlDocument::CreateName("Root");
  TXmlElement* entry = static_cast<TXmlElement*>(document->Root()->NodeNew("Entry"));
};

TEST_F(XmlValueTest, ValueIsStoredEscapedWithLfAndReadTrimmedWithTheDocumentsLineEnds) {
  struct TCase {
    std::string Written;
    std::string Stored;
    std::string ReadWindows;
    std::string ReadLinux;
  };
  const TCase cases[] = {
      {"Alarm", "Alarm", "Alarm", "Alarm"},
      {"  Alarm  ", "  Alarm  ", "Alarm", "Alarm"},
      {"Tea & cake <5>", "Tea &amp; cake &lt;5&gt;", "Tea & cake <5>", "Tea & cake <5>"},
      {"line1\r\nline2", "line1\nline2", "line1\r\nline2", "line1\nline2"},
      {"a\nb\n\nc", "a\nb\n\nc", "a\r\nb\r\n\r\nc", "a\nb\n\nc"},
      {"a\rb", "a\rb", "a\rb", "a\rb"},
      {"\r\nx\r\n", "\nx\n", "x", "x"},
      {"&#65;", "&amp;#65;", "&#65;", "&#65;"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Written);
    TXmlElement* note = static_cast<TXmlElement*>(entry->NodeFindOrCreate("Note"));
    note->SetValue(c.Written);
    EXPECT_EQ(Stored(*note), c.Stored);
    document->SetEolStyle(esWindows);
    EXPECT_EQ(note->Value(), c.ReadWindows);
    EXPECT_EQ(entry->ReadString("Note", "default"), c.ReadWindows);
    document->SetEolStyle(esLinux);
    EXPECT_EQ(note->Value(), c.ReadLinux);
    EXPECT_EQ(note->NodeCount(), 1);
  }
}

TEST_F(XmlValueTest, StoredTextIsUnescapedOnlyOutsideCData) {
  struct TCase {
    TXmlElementType Type;
    std::string Stored;
    std::string Value;
  };
  const TCase cases[] = {
      {xeCharData, "&#65;", "&#65;"},           {xeCharData, "AT&T", "AT&T"},     {xeCharData, "&AMP;", "&AMP;"},
      {xeCharData, "a &amp; b", "a & b"},       {xeComment, "a &lt; b", "a < b"}, {xeCData, "a &lt; b", "a &lt; b"},
      {xeQuotedText, "&quot;q&quot;", "\"q\""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Stored);
    std::unique_ptr<TXmlNode> node = NewXmlNode(document.get(), c.Type);
    auto* text = static_cast<TXmlCharData*>(node.get());
    text->SetStoredText(c.Stored);
    EXPECT_EQ(text->Value(), c.Value);
    text->SetValue(c.Value);
    EXPECT_EQ(text->StoredText(), c.Type == xeCData ? c.Value : EscapeMarkup(c.Value));
  }
}

TEST_F(XmlValueTest, AStoredCrLfIsNotDoubledOnReading) {
  entry->SetValue("x");
  static_cast<TXmlCharData*>(entry->Nodes(entry->ValueIndex()))->SetStoredText("a\r\nb");
  EXPECT_EQ(entry->Value(), "a\r\nb");
}

TEST_F(XmlValueTest, EmptyValueRemovesTheTextNodeOnly) {
  entry->NodeNew("Time");
  entry->SetValue("text");
  ASSERT_EQ(entry->NodeCount(), 2);
  entry->SetValue("");
  EXPECT_EQ(ChildNames(*entry), std::vector<std::string>{"Time"});
  EXPECT_EQ(entry->Value(), "");
  entry->SetValue("");  // nothing left to remove
  EXPECT_EQ(entry->NodeCount(), 1);
}

TEST_F(XmlValueTest, ReadStringGivesTheDefaultOnlyForAMissingChild) {
  entry->WriteString("Note", "", "");
  ASSERT_NE(entry->NodeByName("Note"), nullptr);
  EXPECT_EQ(entry->NodeByName("Note")->NodeCount(), 0);
  EXPECT_EQ(entry->ReadString("Note", "default"), "");
  EXPECT_EQ(entry->ReadString("Sound", "default"), "default");

  entry->WriteString("Time", "07:30", "");
  EXPECT_EQ(entry->ReadString("time", ""), "07:30");
  EXPECT_EQ(entry->ReadString("TIME", ""), "07:30");
}

TEST_F(XmlValueTest, AttributeValuesAreReadUntrimmed) {
  entry->NodeAdd(MakeAttribute(*document, "label", "  a & b  "));
  EXPECT_EQ(entry->ReadString("label", ""), "  a & b  ");
  EXPECT_EQ(static_cast<TXmlAttribute*>(entry->Nodes(0))->CoreValue()->StoredText(), "  a &amp; b  ");
}

struct TBoolCase {
  std::string Text;
  std::optional<bool> Parsed;  // nullopt: the default comes back
};

TEST_F(XmlValueTest, ReadBoolTakesTrueFalseAndNumbers) {
  const TBoolCase cases[] = {
      {"true", true}, {"TRUE", true}, {"True", true},   {"1", true},      {"-1", true},     {"+1", true}, {"2.5", true},
      {".5", true},   {"1e3", true},  {"false", false}, {"False", false}, {"FALSE", false}, {"0", false}, {"-0", false},
      {"0.0", false}, {"0e5", false}, {"yes", {}},      {"", {}},         {"1,5", {}},      {"inf", {}},  {"nan", {}},
      {"0x1", {}},    {"+-1", {}},    {"1 2", {}},      {"truex", {}},    {"tru", {}},      {"--1", {}},  {".", {}},
  };
  for (const TBoolCase& c : cases) {
    SCOPED_TRACE(c.Text);
    entry->WriteString("Loop", c.Text, "");
    EXPECT_EQ(entry->ReadBool("Loop", true), c.Parsed.value_or(true));
    EXPECT_EQ(entry->ReadBool("Loop", false), c.Parsed.value_or(false));
  }
  EXPECT_TRUE(entry->ReadBool("Missing", true));
  EXPECT_FALSE(entry->ReadBool("Missing", false));
}

struct TIntegerCase {
  std::string Text;
  std::optional<int32_t> Parsed;  // nullopt: the default comes back
};

TEST_F(XmlValueTest, ReadIntegerTakesDecimalAndHexWithinInt32) {
  const TIntegerCase cases[] = {
      {"100", 100},
      {"+100", 100},
      {"$64", 100},
      {"0x64", 100},
      {"x64", 100},
      {"X64", 100},
      {"0X64", 100},
      {"$fF", 255},
      {"-$64", -100},
      {"-5", -5},
      {"0", 0},
      {"007", 7},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"$7FFFFFFF", INT32_MAX},
      {"-$80000000", INT32_MIN},
      {"2147483648", {}},
      {"-2147483649", {}},
      {"4294967296", {}},
      {"99999999999999999999", {}},
      {"$80000000", {}},
      {"$FFFFFFFF", {}},
      {"100abc", {}},
      {"1e2", {}},
      {"1.0", {}},
      {"", {}},
      {"-", {}},
      {"$", {}},
      {"0x", {}},
      {"- 5", {}},
      {"$-5", {}},
      {"0xg", {}},
      {"12 34", {}},
      {"abc", {}},
  };
  for (const TIntegerCase& c : cases) {
    SCOPED_TRACE(c.Text);
    entry->WriteString("SoundVolum", c.Text, "");
    EXPECT_EQ(entry->ReadInteger("SoundVolum", 1234), c.Parsed.value_or(1234));
  }
  EXPECT_EQ(entry->ReadInteger("Missing", -9), -9);
}

TEST_F(XmlValueTest, ReadIntegerAllowsLeadingSpacesOnly) {
  // Element values are trimmed before parsing; attribute values are not.
  entry->NodeAdd(MakeAttribute(*document, "lead", "  42"));
  entry->NodeAdd(MakeAttribute(*document, "trail", "42 "));
  EXPECT_EQ(entry->ReadInteger("lead", 0), 42);
  EXPECT_EQ(entry->ReadInteger("trail", 0), 0);
}

TEST_F(XmlValueTest, TypedWritesStoreCanonicalText) {
  entry->WriteBool("Loop", true, false);
  entry->WriteBool("Snooze", false, false);
  EXPECT_EQ(entry->ReadString("Loop", ""), "true");
  EXPECT_EQ(entry->ReadString("Snooze", ""), "false");

  const std::pair<int32_t, const char*> integers[] = {
      {0, "0"}, {100, "100"}, {-5, "-5"}, {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"}};
  for (const auto& [value, text] : integers) {
    SCOPED_TRACE(text);
    entry->WriteInteger("SoundVolum", value, 0);
    EXPECT_EQ(entry->ReadString("SoundVolum", ""), text);
    EXPECT_EQ(entry->ReadInteger("SoundVolum", 1), value);
  }
}

TEST_F(XmlValueTest, RewritingKeepsChildrenInPlaceAndAppendsMissingOnes) {
  entry->WriteString("Time", "07:30", "");
  entry->WriteString("Days", "Monday", "");
  entry->WriteBool("Checked", true, false);
  entry->NodeDelete(1);  // an entry without Days

  entry->WriteString("time", "08:00", "");
  entry->WriteString("Days", "Friday", "");
  entry->WriteBool("Checked", false, false);
  EXPECT_EQ(ChildNames(*entry), (std::vector<std::string>{"Time", "Checked", "Days"}));
  EXPECT_EQ(entry->ReadString("Time", ""), "08:00");
  EXPECT_FALSE(entry->ReadBool("Checked", true));
}

TEST_F(XmlValueTest, WithoutWriteOnDefaultAWriteOfTheDefaultChangesNothing) {
  document->SetWriteOnDefault(false);
  entry->WriteInteger("SoundVolum", 0, 0);
  entry->WriteBool("Loop", false, false);
  entry->WriteString("Note", "", "");
  EXPECT_EQ(entry->NodeCount(), 0);

  TXmlElement* kept = static_cast<TXmlElement*>(entry->NodeNew("SoundVolum"));
  kept->SetValue("55");
  entry->WriteInteger("SoundVolum", 0, 0);
  entry->WriteString("soundvolum", "x", "x");
  EXPECT_EQ(kept->Value(), "55");

  entry->WriteInteger("SoundVolum", 10, 0);
  entry->WriteBool("Loop", true, false);
  entry->WriteString("Note", "hi", "");
  EXPECT_EQ(kept->Value(), "10");
  EXPECT_EQ(ChildNames(*entry), (std::vector<std::string>{"SoundVolum", "Loop", "Note"}));
}

}  // namespace
