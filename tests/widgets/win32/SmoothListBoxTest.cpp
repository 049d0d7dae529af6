// The check-box list as a real list box: its strings, rebuilding, selection
// both ways, check-box clicks, Space, double clicks and its colours.

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "Win32TestSupport.h"
#include "widgets/Form.h"
#include "widgets/SmoothListBox.h"

using namespace testing_win32;

namespace {

struct TListForm {
  TForm Form;
  TSmoothListBox List{&Form};
  std::vector<std::tuple<TSmoothListBox*, int, bool>> CheckClicks;
  int Selects = 0, DblClicks = 0;

  explicit TListForm(int count = 4) {
    Form.SetClientSize(400, 420);
    List.SetAlign(alClient);
    List.SetColorScheme(lcsSilver);
    List.SetHeaderCaption(L"Alarm Clock");
    List.OnItemCheckClick = [this](TSmoothListBox* sender, int index, bool checked) {
      CheckClicks.emplace_back(sender, index, checked);
    };
    List.OnSelect = [this] { ++Selects; };
    List.OnDblClick = [this] { ++DblClicks; };
    Form.Loaded();
    Fill(count);
    Form.Show();
    Flush();
  }

  void Fill(int count) {
    List.BeginUpdate();
    List.Clear();
    for (int i = 0; i < count; ++i) {
      int index = List.AddItem();
      TSmoothListItem item = List.Item(index);
      item.Caption = (i < 10 ? L"0" : L"") + std::to_wstring(i) + L":30";
      item.Info = L"Note " + std::to_wstring(i);
      item.Notes = L"<font color=\"clred\">Monday, Friday</font>";
      item.Checked = i % 2 == 0;
      List.SetItem(index, item);
    }
    List.EndUpdate();
  }

  HWND ListBox() const { return FindWindowExW(Hwnd(List), nullptr, L"ListBox", nullptr); }

  RECT ItemRect(int index) const {
    RECT rect{};
    SendMessageW(ListBox(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
    return rect;
  }

  // The middle of the item's check box: 15 from the left edge of the item's
  // box, which sits 5 in from the row's left and top, centred vertically.
  POINT CheckPoint(int index) const {
    UINT dpi = FormDpi(Form);
    RECT row = ItemRect(index);
    int top = row.top + win32::Scale(5, dpi);
    return {row.left + win32::Scale(5 + 15, dpi) + win32::Scale(13, dpi) / 2, top + (row.bottom - top) / 2};
  }

  POINT TextPoint(int index) const {
    RECT row = ItemRect(index);
    return {(row.left + row.right) / 2, (row.top + row.bottom) / 2};
  }

  void Mouse(UINT message, POINT point) const {
    SendMessageW(ListBox(), message, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK)
      SendMessageW(ListBox(), WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
  }
};

std::wstring ItemString(HWND listBox, int index) {
  wchar_t text[512] = {};
  SendMessageW(listBox, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
  return text;
}

TEST(SmoothListBoxWin32Test, ItemStringsAreTheAccessibleTexts) {
  TListForm f;
  HWND listBox = f.ListBox();
  ASSERT_NE(listBox, nullptr);
  LONG_PTR style = Style(listBox);
  for (LONG_PTR bit : {LBS_OWNERDRAWFIXED, LBS_HASSTRINGS, LBS_NOTIFY, LBS_NOINTEGRALHEIGHT})
    EXPECT_EQ(style & bit, bit);
  ASSERT_EQ(SendMessageW(listBox, LB_GETCOUNT, 0, 0), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(ItemString(listBox, i), f.List.AccessibleText(i));
  EXPECT_EQ(ItemString(listBox, 1), L"01:30, Note 1, Monday, Friday, off");
  // Each row is the item's height plus the spacing above it.
  EXPECT_EQ(SendMessageW(listBox, LB_GETITEMHEIGHT, 0, 0), win32::Scale(60, FormDpi(f.Form)));
  // Below the header strip.
  EXPECT_EQ(RectInParent(listBox).top, win32::Scale(40, FormDpi(f.Form)));
}

LRESULT CALLBACK CountRebuilds(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  if (message == WM_SETREDRAW && !wParam) ++*reinterpret_cast<int*>(data);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

TEST(SmoothListBoxWin32Test, AnUpdateBracketRebuildsOnceAndAToggleKeepsTheScrollPosition) {
  TListForm f(0);
  int rebuilds = 0;
  SetWindowSubclass(f.ListBox(), CountRebuilds, 1, reinterpret_cast<DWORD_PTR>(&rebuilds));
  f.Fill(60);
  EXPECT_EQ(rebuilds, 1);
  EXPECT_EQ(SendMessageW(f.ListBox(), LB_GETCOUNT, 0, 0), 60);
  EXPECT_EQ(ItemString(f.ListBox(), 59), f.List.AccessibleText(59));

  SendMessageW(f.ListBox(), LB_SETTOPINDEX, 30, 0);
  f.List.DoCheckClick(31);
  EXPECT_EQ(rebuilds, 2);
  EXPECT_EQ(SendMessageW(f.ListBox(), LB_GETTOPINDEX, 0, 0), 30);
  EXPECT_EQ(ItemString(f.ListBox(), 31), f.List.AccessibleText(31));
  RemoveWindowSubclass(f.ListBox(), CountRebuilds, 1);
}

TEST(SmoothListBoxWin32Test, SelectionGoesBothWays) {
  TListForm f;
  HWND listBox = f.ListBox();
  f.List.SetItemIndex(2);
  EXPECT_EQ(SendMessageW(listBox, LB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(f.Selects, 0);

  struct TCase {
    const char* Name;
    std::function<void()> Input;
    int Expected;
  };
  const TCase cases[] = {
      {"arrow down", [&] { SendMessageW(listBox, WM_KEYDOWN, VK_DOWN, 0); }, 3},
      {"home", [&] { SendMessageW(listBox, WM_KEYDOWN, VK_HOME, 0); }, 0},
      {"end", [&] { SendMessageW(listBox, WM_KEYDOWN, VK_END, 0); }, 3},
      {"click on an item's text", [&] { f.Mouse(WM_LBUTTONDOWN, f.TextPoint(1)); }, 1},
  };
  SetFocus(listBox);
  int selects = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    c.Input();
    EXPECT_EQ(f.List.ItemIndex(), c.Expected);
    EXPECT_EQ(SendMessageW(listBox, LB_GETCURSEL, 0, 0), c.Expected);
    EXPECT_EQ(f.Selects, ++selects);
  }
  f.Fill(4);  // a rebuild leaves no selection
  EXPECT_EQ(SendMessageW(listBox, LB_GETCURSEL, 0, 0), LB_ERR);
}

TEST(SmoothListBoxWin32Test, CheckBoxClicksToggleWithoutSelecting) {
  TListForm f;
  HWND listBox = f.ListBox();
  f.List.SetItemIndex(0);
  f.Mouse(WM_LBUTTONDOWN, f.CheckPoint(1));
  ASSERT_EQ(f.CheckClicks.size(), 1u);
  EXPECT_EQ(f.CheckClicks[0], std::make_tuple(&f.List, 1, true));
  EXPECT_TRUE(f.List.Item(1).Checked);
  EXPECT_EQ(f.List.ItemIndex(), 0);
  EXPECT_EQ(SendMessageW(listBox, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(f.Selects, 0);
  EXPECT_EQ(ItemString(listBox, 1), f.List.AccessibleText(1));

  // Space toggles the selected item's box.
  SendMessageW(listBox, WM_KEYDOWN, VK_SPACE, 0);
  ASSERT_EQ(f.CheckClicks.size(), 2u);
  EXPECT_EQ(f.CheckClicks[1], std::make_tuple(&f.List, 0, false));
  // ...and nothing without a selection.
  f.List.SetItemIndex(-1);
  SendMessageW(listBox, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(f.CheckClicks.size(), 2u);
}

// On a check box too: the double click's first press toggles the box (and
// the toggle stays), its second selects the item and opens it.
TEST(SmoothListBoxWin32Test, DoubleClicksAnywhereOpen) {
  struct TCase {
    const char* Name;
    std::function<void(TListForm&)> Input;
    int DblClicks, CheckClicks;
    int Selected = -1;
  };
  const TCase cases[] = {
      {"on an item", [](TListForm& f) { f.Mouse(WM_LBUTTONDBLCLK, f.TextPoint(2)); }, 1, 0},
      {"below the items",
       [](TListForm& f) {
         RECT client;
         GetClientRect(f.ListBox(), &client);
         f.Mouse(WM_LBUTTONDBLCLK, {client.right / 2, client.bottom - 3});
       },
       1, 0},
      {"on the header strip",
       [](TListForm& f) { SendMessageW(Hwnd(f.List), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(50, 10)); }, 1, 0},
      {"on a check box",
       [](TListForm& f) {
         f.Mouse(WM_LBUTTONDOWN, f.CheckPoint(1));
         f.Mouse(WM_LBUTTONDBLCLK, f.CheckPoint(1));
       },
       1, 1, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TListForm f(3);
    c.Input(f);
    EXPECT_EQ(f.DblClicks, c.DblClicks);
    EXPECT_EQ(static_cast<int>(f.CheckClicks.size()), c.CheckClicks);
    if (c.Selected >= 0) {
      EXPECT_EQ(f.List.ItemIndex(), c.Selected);
      EXPECT_TRUE(f.List.Item(c.Selected).Checked);  // toggled once, and kept
    }
  }
}

TEST(SmoothListBoxWin32Test, PaintsTheSilverSchemeAndRedDays) {
  TListForm f(2);
  f.List.SetItemIndex(1);
  TSmoothListItem plain = f.List.Item(0);
  plain.Notes = L"Monday, Friday";  // no markup: no red
  f.List.SetItem(0, plain);
  Flush();
  const TListColors& colors = f.List.Colors();
  UINT dpi = FormDpi(f.Form);
  TPixels list = Capture(Hwnd(f.List));
  int header = win32::Scale(40, dpi);
  EXPECT_TRUE(Near(list.At(2, 0), colors.HeaderFrom));
  EXPECT_TRUE(Near(list.At(2, header - 1), colors.HeaderBorder));
  EXPECT_TRUE(Near(list.At(2, header - 2), colors.HeaderTo, 8));
  // The caption is centred: as much text left of the middle as right of it.
  auto dark = [](COLORREF c) { return GetRValue(c) < 128; };
  int left = list.Count(0, 0, list.Width / 2, header, dark),
      right = list.Count(list.Width / 2, 0, list.Width, header, dark);
  EXPECT_GT(left, 10);
  EXPECT_NEAR(left, right, (left + right) / 5);

  TPixels items = Capture(f.ListBox());
  RECT row0 = f.ItemRect(0), row1 = f.ItemRect(1);
  // Spacing and the empty area below the items in the background colour.
  EXPECT_TRUE(Near(items.At(1, row0.top + 1), colors.Background));
  EXPECT_TRUE(Near(items.At(row0.right / 2, items.Height - 2), colors.Background));
  auto red = [](COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 80 && GetBValue(c) < 80; };
  EXPECT_EQ(items.Count(row0.left, row0.top, row0.right, row0.bottom, red), 0);
  EXPECT_GT(items.Count(row1.left, row1.top, row1.right, row1.bottom, red), 20);
  // The selected item: its border, and a warm fill from the scheme.
  int spacing = win32::Scale(5, dpi);
  EXPECT_TRUE(Near(items.At(row1.right / 2, row1.top + spacing), colors.SelectedBorder, 10));
  auto warm = [&](COLORREF c) { return Near(c, colors.Selected, 24) || Near(c, colors.SelectedGlow, 24); };
  int area = (row1.right - row1.left) * (row1.bottom - row1.top);
  EXPECT_GT(items.Count(row1.left, row1.top, row1.right, row1.bottom, warm), area / 2);
  EXPECT_EQ(items.Count(row0.left, row0.top, row0.right, row0.bottom, warm), 0);
}

TEST(SmoothListBoxWin32Test, AnEmptyListWithTheFocusShowsOnlyItsBackground) {
  TListForm f(0);
  SetFocus(f.ListBox());
  TPixels items = Capture(f.ListBox());
  COLORREF background = f.List.Colors().Background;
  EXPECT_EQ(items.Count(0, 0, items.Width, items.Height, [&](COLORREF c) { return !Near(c, background); }), 0);
}

}  // namespace
