#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "XmlTestSupport.h"
#include "xml/XmlStringTable.h"

namespace {

class XmlStringTableTest : public ::testing::Test {
 protected:
  void SetUp() override { CaptureDiagnostics(*document, diagnostics); }

  std::unique_ptr<TXmlDocument> document = TXmlDocument::Create();
  std::vector<TDiagnostic> diagnostics;
  TXmlStringTable& table = document->StringTable();
};

TEST_F(XmlStringTableTest, InternsEachStringOnceAndCountsHowOftenItWasAdded) {
  table.Clear();
  EXPECT_EQ(table.AddString(""), 0);
  EXPECT_EQ(table.Count(), 0);

  EXPECT_EQ(table.AddString("Entry"), 1);
  EXPECT_EQ(table.AddString("Time"), 2);
  EXPECT_EQ(table.AddString("Entry"), 1);
  EXPECT_EQ(table.AddString("entry"), 3);  // byte for byte: case matters here
  EXPECT_EQ(table.AddString("Entry"), 1);

  ASSERT_EQ(table.Count(), 3);
  EXPECT_EQ(table.EntryInIdOrder(0)->Frequency(), 3);
  EXPECT_EQ(table.EntryInIdOrder(1)->Frequency(), 1);
  EXPECT_EQ(table.EntryInIdOrder(0)->CharCount(), 5);
  EXPECT_EQ(table.GetString(1), "Entry");
  EXPECT_EQ(table.GetString(2), "Time");
  EXPECT_EQ(table.GetString(3), "entry");
  EXPECT_TRUE(diagnostics.empty());
}

TEST_F(XmlStringTableTest, KeepsStringsInLengthThenOutsideInByteOrder) {
  table.Clear();
  // "acy" before "abz": after the first byte the last one decides.
  // "zz" before "\xC3\xA9": bytes compare unsigned.
  for (const char* text : {"cba", "abz", "\xC3\xA9", "acy", "b", "aab", "zz", "ab", "ba"}) table.AddString(text);
  const std::vector<std::string> expected = {"b", "ab", "ba", "zz", "\xC3\xA9", "aab", "acy", "abz", "cba"};
  std::vector<std::string> actual;
  for (int32_t i = 0; i < table.Count(); ++i) actual.push_back(table.EntryInStringOrder(i)->Text());
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(table.EntryInStringOrder(table.Count()), nullptr);
  EXPECT_EQ(table.EntryInIdOrder(-1), nullptr);
}

TEST_F(XmlStringTableTest, FindsEveryStringOfALargeTableAgain) {
  table.Clear();
  std::vector<std::string> texts;
  for (int i = 0; i < 300; ++i) texts.push_back(std::to_string((i * 7919) % 1000).append("v"));
  std::vector<int32_t> ids;
  for (const std::string& text : texts) ids.push_back(table.AddString(text));
  for (size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(texts[i]);
    EXPECT_EQ(table.AddString(texts[i]), ids[i]);
    EXPECT_EQ(table.GetString(ids[i]), texts[i]);
  }
  EXPECT_EQ(table.Count(), 300);
  EXPECT_EQ(table.EntryInIdOrder(299)->ID(), 300);
}

TEST_F(XmlStringTableTest, UnknownIdReadsEmptyWithAWarning) {
  table.Clear();
  table.AddString("Root");
  EXPECT_EQ(table.GetString(0), "");
  EXPECT_EQ(table.GetString(-5), "");
  EXPECT_TRUE(diagnostics.empty());

  EXPECT_EQ(table.GetString(2), "");
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_EQ(diagnostics[0].Style, wsWarn);
  EXPECT_EQ(diagnostics[0].Message, "string ID not found");
  EXPECT_EQ(diagnostics[0].Sender, static_cast<const void*>(&table));
}

TEST_F(XmlStringTableTest, ClearRestartsIdsAtOne) {
  table.AddString("a");
  table.AddString("b");
  table.Clear();
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(table.AddString("b"), 1);
  EXPECT_EQ(table.EntryInIdOrder(0)->Frequency(), 1);
}

TEST(XmlStringTable, WithoutOwnerDropsDiagnostics) {
  TXmlStringTable table(nullptr);
  EXPECT_EQ(table.GetString(42), "");
}

}  // namespace
