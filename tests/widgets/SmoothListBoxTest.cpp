#include <gtest/gtest.h>

#include "widgets/Form.h"
#include "widgets/SmoothListBox.h"
#include "widgets/headless/Headless.h"

namespace {

struct TMarkupCase {
  const wchar_t* Notes;
  std::vector<TMarkupRun> Runs;
};

class MarkupTest : public testing::TestWithParam<TMarkupCase> {};

TEST_P(MarkupTest, SplitsIntoColouredRuns) {
  EXPECT_EQ(ParseNotesMarkup(GetParam().Notes), GetParam().Runs) << testing::PrintToString(GetParam().Notes);
}

INSTANTIATE_TEST_SUITE_P(
    Notes, MarkupTest,
    testing::Values(TMarkupCase{L"", {}}, TMarkupCase{L"Mon, Tue", {{L"Mon, Tue", clDefault}}},
                    TMarkupCase{L"<font color=\"clred\">Mon, Tue</font>", {{L"Mon, Tue", clRed}}},
                    TMarkupCase{L"<font color=\"clred\"></font>", {}},
                    TMarkupCase{L"<FONT COLOR=\"clRed\">Sun</FONT> after", {{L"Sun", clRed}, {L" after", clDefault}}},
                    TMarkupCase{L"a<font color=#00FF00>b</font>c",
                                {{L"a", clDefault}, {L"b", Rgb(0, 255, 0)}, {L"c", clDefault}}},
                    // Unclosed: the colour runs to the end.
                    TMarkupCase{L"<font color=\"clblue\">Wed", {{L"Wed", clBlue}}},
                    // An unknown colour or tag, and a stray closing tag, are text.
                    TMarkupCase{L"<font color=\"clpink\">x</font>", {{L"<font color=\"clpink\">x</font>", clDefault}}},
                    TMarkupCase{L"1 < 2 </font>", {{L"1 < 2 </font>", clDefault}}},
                    TMarkupCase{L"<b>bold</b>", {{L"<b>bold</b>", clDefault}}},
                    // A "<" that opens no tag, right before one that does.
                    TMarkupCase{L"a << b<<Font Color=clRed>c</font><", {{L"a << b<", clDefault}, {L"c", clRed}, {L"<", clDefault}}}));

class SmoothListBoxTest : public testing::Test {
 protected:
  void SetUp() override { headless::Reset(); }
  TForm FForm;
  TSmoothListBox* FList = new TSmoothListBox(&FForm);

  void Fill(int count) {
    FList->BeginUpdate();
    FList->Clear();
    for (int i = 0; i < count; ++i) {
      TSmoothListItem item;
      item.Caption = L"0" + std::to_wstring(i) + L":00";
      item.Checked = i % 2 == 0;
      FList->SetItem(FList->AddItem(), item);
    }
    FList->EndUpdate();
  }
};

TEST_F(SmoothListBoxTest, AnUpdateBracketRepaintsOnce) {
  int before = FList->RepaintCount();
  FList->BeginUpdate();
  Fill(50);  // a nested bracket
  FList->EndUpdate();
  EXPECT_EQ(FList->RepaintCount(), before + 1);
  EXPECT_EQ(FList->Count(), 50);
  // Outside a bracket every change repaints.
  FList->AddItem();
  EXPECT_EQ(FList->RepaintCount(), before + 2);
}

TEST_F(SmoothListBoxTest, NewItemsStartCheckedWithTheBoxAtFifteenPixels) {
  FList->AddItem();
  EXPECT_TRUE(FList->Item(0).Checked);
  EXPECT_EQ(FList->Item(0).GraphicLeftMargin, 15);
}

TEST_F(SmoothListBoxTest, ClearingEndsTheSelection) {
  Fill(3);
  FList->DoSelectItem(2);
  EXPECT_EQ(FList->ItemIndex(), 2);
  Fill(3);
  EXPECT_EQ(FList->ItemIndex(), -1);
  FList->SetItemIndex(3);
  EXPECT_EQ(FList->ItemIndex(), -1);
}

TEST_F(SmoothListBoxTest, ACheckClickTogglesAndReportsTheNewStateWithoutSelecting) {
  Fill(3);
  std::vector<std::pair<int, bool>> clicks;
  FList->OnItemCheckClick = [&](TSmoothListBox* sender, int index, bool checked) {
    EXPECT_EQ(sender, FList);
    clicks.emplace_back(index, checked);
  };
  FList->DoCheckClick(0);  // was checked
  FList->DoCheckClick(1);  // was not
  FList->DoCheckClick(7);  // no such item
  EXPECT_EQ(clicks, (std::vector<std::pair<int, bool>>{{0, false}, {1, true}}));
  EXPECT_FALSE(FList->Item(0).Checked);
  EXPECT_TRUE(FList->Item(1).Checked);
  EXPECT_EQ(FList->ItemIndex(), -1);
}

TEST_F(SmoothListBoxTest, SpaceTicksTheSelectedItemOnly) {
  Fill(2);
  int clicks = 0;
  FList->OnItemCheckClick = [&](TSmoothListBox*, int, bool) { ++clicks; };
  FList->DoSpaceKey();
  EXPECT_EQ(clicks, 0);
  FList->DoSelectItem(1);
  FList->DoSpaceKey();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(FList->Item(1).Checked);
  EXPECT_TRUE(FList->Item(0).Checked);
}

TEST_F(SmoothListBoxTest, ScreenReadersGetTimeNoteDaysAndState) {
  FList->SetItem(FList->AddItem(), {L"07:30", L"Wake up", L"<font color=\"clred\">Mon, Fri</font>", false, 15});
  FList->SetItem(FList->AddItem(), {L"08:00", L"", L"<font color=\"clred\"></font>", true, 15});
  EXPECT_EQ(FList->AccessibleText(0), L"07:30, Wake up, Mon, Fri, off");
  EXPECT_EQ(FList->AccessibleText(1), L"08:00, on");
}

TEST_F(SmoothListBoxTest, SilverSchemeHasTheListColours) {
  FList->SetColorScheme(lcsSilver);
  const TListColors& c = FList->Colors();
  EXPECT_EQ(c.Background, Rgb(0xCB, 0xCF, 0xD4));
  EXPECT_EQ(c.HeaderTo, Rgb(0xE0, 0xE5, 0xED));
  EXPECT_EQ(c.HeaderText, Rgb(0x1E, 0x39, 0x5B));
  EXPECT_EQ(c.ItemTo, Rgb(0xED, 0xEF, 0xF1));
  EXPECT_EQ(c.Selected, Rgb(0xFF, 0xD0, 0x6C));
  EXPECT_EQ(c.SelectedBorder, Rgb(0xC2, 0x8A, 0x30));
}

}  // namespace
