#pragma once
// A list of tall items, each with a check box, a caption, an info line and a
// notes line, under a header strip.

#include <functional>
#include <string>
#include <vector>

#include "widgets/Control.h"

struct TSmoothListItem {
  std::wstring Caption;
  std::wstring Info;
  // May hold <font color="clred">...</font>.
  std::wstring Notes;
  bool Checked = true;
  int GraphicLeftMargin = 15;
};

// A piece of the notes text and its colour.
struct TMarkupRun {
  std::wstring Text;
  TColor Color = clDefault;
  bool operator==(const TMarkupRun&) const = default;
};
// Splits notes markup into runs. A colour is named as the widget set names
// them (clred, clblue, ...) or given as #RRGGBB; an unknown tag is text.
std::vector<TMarkupRun> ParseNotesMarkup(const std::wstring& notes);
// The plain text, markup removed.
std::wstring NotesText(const std::wstring& notes);

struct TListColors {
  TColor Background;
  TColor HeaderFrom, HeaderTo, HeaderText, HeaderBorder;
  TColor ItemFrom, ItemTo, ItemBorder;
  TColor Selected, SelectedGlow, SelectedBorder;
  TColor Text;
};

enum TListColorScheme { lcsDefault, lcsSilver };

class TSmoothListBox : public TControl {
 public:
  explicit TSmoothListBox(TControl* parent);

  void SetColorScheme(TListColorScheme scheme);
  const TListColors& Colors() const { return FColors; }

  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int height) { FItemHeight = height; }
  int Spacing() const { return FSpacing; }
  int HeaderHeight() const { return FHeaderHeight; }
  const std::wstring& HeaderCaption() const { return FHeaderCaption; }
  void SetHeaderCaption(std::wstring caption);
  TFont HeaderFont{L"Tahoma", 13};
  TFont CaptionFont{L"Tahoma", 20};
  TFont InfoFont{L"Tahoma", 11};
  TFont NotesFont{L"Tahoma", 11};

  // Changes between BeginUpdate and EndUpdate reach the screen once, at the
  // last EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  void Clear();
  // A copy of the default item at the end; returns its index.
  int AddItem();
  int Count() const { return static_cast<int>(FItems.size()); }
  const TSmoothListItem& Item(int index) const { return FItems.at(index); }
  // Replaces an item's values.
  void SetItem(int index, TSmoothListItem item);
  // The text a screen reader reads for the item.
  std::wstring AccessibleText(int index) const;

  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int index);

  // The check box of an item was clicked: (sender, index, new state).
  std::function<void(TSmoothListBox*, int, bool)> OnItemCheckClick;
  std::function<void()> OnSelect;

  // User input. A click on an item selects it; a click on its box toggles
  // the box and leaves the selection; Space toggles the selected item's box.
  void DoSelectItem(int index);
  void DoCheckClick(int index);
  void DoSpaceKey();

  // How often the back end was asked to redraw the items.
  int RepaintCount() const { return FRepaintCount; }

 private:
  void ItemsChanged();
  std::vector<TSmoothListItem> FItems;
  int FItemIndex = -1;
  int FUpdateCount = 0;
  bool FPendingRepaint = false;
  int FRepaintCount = 0;
  int FItemHeight = 55;
  int FSpacing = 5;
  int FHeaderHeight = 40;
  std::wstring FHeaderCaption;
  TListColors FColors;
};
