#include "widgets/SmoothListBox.h"

#include <algorithm>

#include "widgets/Backend.h"

namespace {

struct TNamedColor {
  const wchar_t* Name;
  TColor Color;
};
constexpr TNamedColor kNamedColors[] = {
    {L"clblack", clBlack},         {L"clred", clRed},
    {L"clblue", clBlue},           {L"clwhite", clWhite},
    {L"clgreen", Rgb(0, 128, 0)},  {L"clnavy", Rgb(0, 0, 128)},
    {L"clmaroon", Rgb(128, 0, 0)}, {L"clgray", Rgb(128, 128, 128)},
};

// Tag and colour names are ASCII; folding only A-Z also keeps the reading
// the same in every locale.
wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; }

// Whether text starts with `lower` (given in lower case), case ignored.
bool StartsWithNoCase(std::wstring_view text, std::wstring_view lower) {
  if (text.size() < lower.size()) return false;
  for (size_t i = 0; i < lower.size(); ++i)
    if (AsciiLower(text[i]) != lower[i]) return false;
  return true;
}

bool ParseColor(std::wstring_view name, TColor& color) {
  for (const TNamedColor& named : kNamedColors)
    if (name.size() == std::wstring_view(named.Name).size() && StartsWithNoCase(name, named.Name))
      return color = named.Color, true;
  if (name.size() == 7 && name[0] == L'#') {
    unsigned value = 0;
    for (size_t i = 1; i < 7; ++i) {
      wchar_t c = AsciiLower(name[i]);
      int digit = c >= L'0' && c <= L'9' ? c - L'0' : c >= L'a' && c <= L'f' ? c - L'a' + 10 : -1;
      if (digit < 0) return false;
      value = value * 16 + digit;
    }
    color = Rgb(value >> 16, (value >> 8) & 0xFF, value & 0xFF);
    return true;
  }
  return false;
}

// <font color="name"> or <font color=name>; returns the tag's length, 0 when the text at pos is no such tag.
size_t FontOpenTag(std::wstring_view text, TColor& color) {
  constexpr std::wstring_view kOpen = L"<font color=";
  if (!StartsWithNoCase(text, kOpen)) return 0;
  size_t end = text.substr(0, 64).find(L'>');
  if (end == std::wstring_view::npos) return 0;
  std::wstring_view value = text.substr(kOpen.size(), end - kOpen.size());
  if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"') value = value.substr(1, value.size() - 2);
  return ParseColor(value, color) ? end + 1 : 0;
}

}  // namespace

std::vector<TMarkupRun> ParseNotesMarkup(const std::wstring& notes) {
  std::vector<TMarkupRun> runs;
  std::vector<TColor> colors{clDefault};
  std::wstring_view rest = notes;
  std::wstring text;
  auto flush = [&] {
    if (!text.empty()) runs.push_back({std::move(text), colors.back()});
    text.clear();
  };
  constexpr std::wstring_view kClose = L"</font>";
  while (!rest.empty()) {
    TColor color;
    if (size_t length = FontOpenTag(rest, color)) {
      flush();
      colors.push_back(color);
      rest.remove_prefix(length);
    } else if (colors.size() > 1 && StartsWithNoCase(rest, kClose)) {
      flush();
      colors.pop_back();
      rest.remove_prefix(kClose.size());
    } else {
      // Text up to the next tag, whole.
      size_t next = std::min(rest.find(L'<', 1), rest.size());
      text += rest.substr(0, next);
      rest.remove_prefix(next);
    }
  }
  flush();
  return runs;
}

std::wstring NotesText(const std::wstring& notes) {
  std::wstring text;
  for (const TMarkupRun& run : ParseNotesMarkup(notes)) text += run.Text;
  return text;
}

TSmoothListBox::TSmoothListBox(TControl* parent) : TControl(ckSmoothListBox, parent) { SetColorScheme(lcsDefault); }

void TSmoothListBox::SetColorScheme(TListColorScheme scheme) {
  if (scheme == lcsSilver)
    FColors = {.Background = Rgb(0xCB, 0xCF, 0xD4),
               .HeaderFrom = Rgb(0xFF, 0xFF, 0xFF),
               .HeaderTo = Rgb(0xE0, 0xE5, 0xED),
               .HeaderText = Rgb(0x1E, 0x39, 0x5B),
               .HeaderBorder = Rgb(0xC8, 0xCD, 0xD2),
               .ItemFrom = Rgb(0xFF, 0xFF, 0xFF),
               .ItemTo = Rgb(0xED, 0xEF, 0xF1),
               .ItemBorder = Rgb(0xEC, 0xED, 0xED),
               .Selected = Rgb(0xFF, 0xD0, 0x6C),
               .SelectedGlow = Rgb(0xFF, 0xEE, 0x7B),
               .SelectedBorder = Rgb(0xC2, 0x8A, 0x30),
               .Text = clBlack};
  else
    FColors = {.Background = Rgb(0xFF, 0xFF, 0xFF),
               .HeaderFrom = Rgb(0xF4, 0xF4, 0xF4),
               .HeaderTo = Rgb(0xDC, 0xDC, 0xDC),
               .HeaderText = clBlack,
               .HeaderBorder = Rgb(0xA0, 0xA0, 0xA0),
               .ItemFrom = Rgb(0xFF, 0xFF, 0xFF),
               .ItemTo = Rgb(0xF0, 0xF0, 0xF0),
               .ItemBorder = Rgb(0xE0, 0xE0, 0xE0),
               .Selected = Rgb(0x99, 0xC9, 0xEF),
               .SelectedGlow = Rgb(0xCC, 0xE4, 0xF7),
               .SelectedBorder = Rgb(0x33, 0x99, 0xFF),
               .Text = clBlack};
  Changed(chState);
}

void TSmoothListBox::SetHeaderCaption(std::wstring caption) {
  FHeaderCaption = std::move(caption);
  Changed(chState);
}

void TSmoothListBox::BeginUpdate() { ++FUpdateCount; }

void TSmoothListBox::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FPendingRepaint) {
    FPendingRepaint = false;
    ItemsChanged();
  }
}

void TSmoothListBox::ItemsChanged() {
  if (FUpdateCount > 0) {
    FPendingRepaint = true;
    return;
  }
  ++FRepaintCount;
  Changed(chItems);
}

void TSmoothListBox::Clear() {
  FItems.clear();
  FItemIndex = -1;
  ItemsChanged();
}

int TSmoothListBox::AddItem() {
  FItems.emplace_back();
  ItemsChanged();
  return Count() - 1;
}

void TSmoothListBox::SetItem(int index, TSmoothListItem item) {
  FItems.at(index) = std::move(item);
  ItemsChanged();
}

std::wstring TSmoothListBox::AccessibleText(int index) const {
  const TSmoothListItem& item = FItems.at(index);
  std::wstring text = item.Caption;
  for (const std::wstring& part : {item.Info, NotesText(item.Notes)})
    if (!part.empty()) text += L", " + part;
  text += item.Checked ? L", on" : L", off";
  return text;
}

void TSmoothListBox::SetItemIndex(int index) {
  if (index < -1 || index >= Count()) index = -1;
  if (index == FItemIndex) return;
  FItemIndex = index;
  Changed(chSelection);
}

void TSmoothListBox::DoSelectItem(int index) {
  SetItemIndex(index);
  if (OnSelect) Guarded(OnSelect);
}

void TSmoothListBox::DoCheckClick(int index) {
  if (index < 0 || index >= Count()) return;
  bool checked = !FItems[index].Checked;
  FItems[index].Checked = checked;
  ItemsChanged();
  if (OnItemCheckClick) Guarded([&] { OnItemCheckClick(this, index, checked); });
}

void TSmoothListBox::DoSpaceKey() {
  if (FItemIndex >= 0) DoCheckClick(FItemIndex);
}
