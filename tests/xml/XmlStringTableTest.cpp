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

TEST_F(XmlStringTableTest, TellsApartStringsThatShareBytes) {
  table.Clear();
  const char* texts[] = {"cba", "abz", "\xC3\xA9", "acy", "b", "aab", "zz", "ab", "ba", "ab ", " ab", "a"};
  std::vector<int32_t> ids;
  for (const char* text : texts) ids.push_back(table.AddString(text));
  for (size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(ids[i], static_cast<int32_t>(i) + 1) << texts[i];
  EXPECT_EQ(table.AddString(std::string_view("a\0b", 3)), 13);  // embedded NUL: a text of its own
  // "ha" and "ab" take turns in one slot of the table of recent strings.
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(table.AddString("ha"), 14);
    EXPECT_EQ(table.AddString("ab"), 8);
  }
  EXPECT_EQ(table.EntryInIdOrder(-1), nullptr);
  EXPECT_EQ(table.EntryInIdOrder(table.Count()), nullptr);
}

TEST_F(XmlStringTableTest, FindsEveryStringOfALargeTableAgain) {
  table.Clear();
  std::vector<std::string> texts;
  // Enough to make the index grow several times.
  for (int i = 0; i < 5000; ++i) texts.push_back(std::to_string((i * 7919) % 10000).append("v"));
  std::vector<int32_t> ids;
  for (const std::string& text : texts) ids.push_back(table.AddString(text));
  for (size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(texts[i]);
    EXPECT_EQ(table.AddString(texts[i]), ids[i]);
    EXPECT_EQ(table.GetString(ids[i]), texts[i]);
  }
  EXPECT_EQ(table.Count(), 5000);
  EXPECT_EQ(table.EntryInIdOrder(4999)->ID(), 5000);
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
