// The check-box list: a window of ours paints the header strip above a
// child LISTBOX whose tall items are owner-drawn. The item strings are the
// items' accessible texts, so the system's list-box accessibility reads them.

// clang-format off
#include "widgets/win32/Peers.h"  // first: windows.h
#include <uxtheme.h>
#include <vssym32.h>
// clang-format on

#include <algorithm>

#include "widgets/SmoothListBox.h"
#include "widgets/win32/Paint.h"

namespace win32 {

namespace {

constexpr const wchar_t* kListClass = L"Tollivane.List";

std::wstring ListText(HWND listBox, int index) {
  LRESULT length = SendMessageW(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(listBox, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

// The first line of a text; more lines become an ellipsis.
std::wstring FirstLine(const std::wstring& text) {
  size_t end = text.find_first_of(L"\r\n");
  if (end == std::wstring::npos) return text;
  return text.substr(0, end) + L"\u2026";
}

class TListPeer : public TPeer {
 public:
  explicit TListPeer(TSmoothListBox& list) : TPeer(list), List(list) {}
  TSmoothListBox& List;

  void Create(HWND form) override {
    CreateOwn(form, kListClass, WS_CHILD | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
    // WM_MEASUREITEM comes during this call, to the container.
    RECT r = ListBoxRect();
    FListBox = CreateWindowExW(0, L"LISTBOX", L"",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                                   LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                               r.left, r.top, r.right - r.left, r.bottom - r.top, Hwnd, reinterpret_cast<HMENU>(1),
                               Instance(), nullptr);
    FListBoxProc = Subclass(FListBox, ListBoxProc, this);
    SendMessageW(FListBox, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(List.InfoFont, Dpi())), FALSE);
    FTheme = OpenThemeData(FListBox, L"BUTTON");
    MakeBrush();
    Rebuild();
  }

  void Destroy() override {
    if (FListBox) {
      Unsubclass(FListBox, ListBoxProc, FListBoxProc);
      FListBox = nullptr;
    }
    TPeer::Destroy();
    if (FTheme) CloseThemeData(FTheme);
    FTheme = nullptr;
    if (FBackground) DeleteObject(FBackground);
    FBackground = nullptr;
  }

  void ApplyFont() override {
    if (!FListBox) return;
    SendMessageW(FListBox, LB_SETITEMHEIGHT, 0, ItemHeight());
    SendMessageW(FListBox, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(List.InfoFont, Dpi())), FALSE);
    PlaceListBox();
    InvalidateRect(Hwnd, nullptr, TRUE);
    InvalidateRect(FListBox, nullptr, TRUE);
  }

  void Update(TChange change) override {
    if (!Hwnd) return;
    switch (change) {
      case chItems:
        Rebuild();
        break;
      case chSelection:
        SendMessageW(FListBox, LB_SETCURSEL, static_cast<WPARAM>(List.ItemIndex()), 0);
        break;
      case chState:  // colours, header caption
        MakeBrush();
        InvalidateRect(Hwnd, nullptr, TRUE);
        InvalidateRect(FListBox, nullptr, TRUE);
        break;
      default:
        TPeer::Update(change);
        break;
    }
  }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_SIZE:
        PlaceListBox();
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Hwnd, &ps);
        PaintHeader(dc);
        EndPaint(Hwnd, &ps);
        return 0;
      }
      case WM_PRINTCLIENT:
        PaintHeader(reinterpret_cast<HDC>(wParam));
        return 0;
      case WM_SETFOCUS:
      case WM_LBUTTONDOWN:
        if (FListBox) SetFocus(FListBox);
        return 0;
      case WM_LBUTTONDBLCLK:  // on the header strip
        List.DoDblClick();
        return 0;
      case WM_COMMAND:
        if (reinterpret_cast<HWND>(lParam) == FListBox) {
          if (HIWORD(wParam) == LBN_SELCHANGE) {
            List.DoSelectItem(static_cast<int>(SendMessageW(FListBox, LB_GETCURSEL, 0, 0)));
          } else if (HIWORD(wParam) == LBN_DBLCLK) {
            FDblClickNotified = true;
            List.DoDblClick();
          }
        }
        return 0;
      case WM_MEASUREITEM:
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = static_cast<UINT>(ItemHeight());
        return TRUE;
      case WM_DRAWITEM:
        DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      case WM_CTLCOLORLISTBOX:
        return reinterpret_cast<LRESULT>(FBackground);
      case WM_THEMECHANGED:
        if (FTheme) CloseThemeData(FTheme);
        FTheme = OpenThemeData(FListBox, L"BUTTON");
        InvalidateRect(FListBox, nullptr, TRUE);
        break;
      default:
        break;
    }
    return Default(message, wParam, lParam);
  }

  bool DrawItem(const DRAWITEMSTRUCT& item) override {
    RECT rc = item.rcItem;
    int width = rc.right - rc.left, height = rc.bottom - rc.top;
    if (width <= 0 || height <= 0) return true;
    const TListColors& colors = List.Colors();
    TBuffer buffer(item.hDC, width, height);
    HDC dc = buffer.DC();
    RECT all{0, 0, width, height};
    FillSolid(dc, all, colors.Background);
    int index = static_cast<int>(item.itemID);
    if (index >= 0 && index < List.Count()) PaintItem(buffer, index, (item.itemState & ODS_SELECTED) != 0);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT) && index >= 0) {
      RECT focus = ItemBox(all);
      InflateRect(&focus, -Scale(3, Dpi()), -Scale(3, Dpi()));
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkColor(dc, RGB(255, 255, 255));
      DrawFocusRect(dc, &focus);
    }
    buffer.Blit(item.hDC, rc.left, rc.top);
    return true;
  }

 private:
  int ItemHeight() const { return std::min(255, Scale(List.ItemHeight() + List.Spacing(), Dpi())); }
  int HeaderHeight() const { return Scale(List.HeaderHeight(), Dpi()); }

  void MakeBrush() {
    if (FBackground) DeleteObject(FBackground);
    FBackground = CreateSolidBrush(List.Colors().Background);
  }

  // Below the header strip.
  RECT ListBoxRect() const {
    RECT client;
    GetClientRect(Hwnd, &client);
    client.top = std::min<LONG>(HeaderHeight(), client.bottom);
    return client;
  }

  void PlaceListBox() {
    if (!FListBox) return;
    RECT r = ListBoxRect();
    SetWindowPos(FListBox, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void PaintHeader(HDC target) {
    RECT client;
    GetClientRect(Hwnd, &client);
    int height = std::min<int>(HeaderHeight(), client.bottom);
    if (client.right <= 0 || height <= 0) return;
    const TListColors& colors = List.Colors();
    TBuffer buffer(target, client.right, height);
    HDC dc = buffer.DC();
    int border = std::max(1, Scale(1, Dpi()));
    RECT body{0, 0, client.right, height - border};
    FillGradient(dc, body, colors.HeaderFrom, colors.HeaderTo);
    RECT line{0, height - border, client.right, height};
    FillSolid(dc, line, colors.HeaderBorder);
    HGDIOBJ old = SelectObject(dc, FontFor(List.HeaderFont, Dpi()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(
        dc, ColorOf(List.HeaderFont.Color == clDefault ? colors.HeaderText : List.HeaderFont.Color, COLOR_WINDOWTEXT));
    const std::wstring& caption = List.HeaderCaption();
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &body,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
    buffer.Blit(target, 0, 0);
  }

  // The item's box within its row: spacing above and at both sides.
  RECT ItemBox(const RECT& row) const {
    int spacing = Scale(List.Spacing(), Dpi());
    return {row.left + spacing, row.top + spacing, row.right - spacing, row.bottom};
  }

  int CheckSize() const { return Scale(13, Dpi()); }

  RECT CheckRect(const RECT& box, int index) const {
    int size = CheckSize();
    int left = box.left + Scale(List.Item(index).GraphicLeftMargin, Dpi());
    int top = box.top + (box.bottom - box.top - size) / 2;
    return {left, top, left + size, top + size};
  }

  // The item whose check box is under the point (list-box client
  // coordinates), or -1.
  int CheckBoxAt(POINT point) const {
    LRESULT hit = SendMessageW(FListBox, LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
    if (HIWORD(hit)) return -1;  // below the last item
    int index = LOWORD(hit);
    if (index >= List.Count()) return -1;
    RECT row;
    if (SendMessageW(FListBox, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&row)) == LB_ERR)
      return -1;
    RECT check = CheckRect(ItemBox(row), index);
    // A little slack around the box, as a real check box's label gives.
    InflateRect(&check, Scale(3, Dpi()), Scale(3, Dpi()));
    return PtInRect(&check, point) ? index : -1;
  }

  void PaintItem(TBuffer& buffer, int index, bool selected) {
    HDC dc = buffer.DC();
    const TListColors& colors = List.Colors();
    const TSmoothListItem& item = List.Item(index);
    UINT dpi = Dpi();
    RECT all{0, 0, buffer.Width(), buffer.Height()};
    RECT box = ItemBox(all);
    int radius = Scale(3, dpi);
    if (selected) {
      RoundBox(dc, box, radius, colors.SelectedGlow, colors.Selected, colors.SelectedBorder);
      // The glow: a light rising from the bottom edge.
      RECT inner = box;
      InflateRect(&inner, -1, -1);
      int w = box.right - box.left, h = box.bottom - box.top;
      RECT glow{box.left + w / 10, box.top + h / 2, box.right - w / 10, box.bottom + h / 2};
      buffer.Glow(glow, inner, colors.SelectedGlow, 0.9);
    } else {
      RoundBox(dc, box, radius, colors.ItemFrom, colors.ItemTo, colors.ItemBorder);
    }

    RECT check = CheckRect(box, index);
    DrawCheck(dc, check, item.Checked);

    SetBkMode(dc, TRANSPARENT);
    COLORREF text = ColorOf(colors.Text, COLOR_WINDOWTEXT);
    int gap = Scale(12, dpi);
    // Caption: the time, large, after the check box.
    HGDIOBJ oldFont = SelectObject(dc, FontFor(List.CaptionFont, dpi));
    RECT captionRect{check.right + gap, box.top, box.right, box.bottom};
    SIZE widest{}, own{};
    GetTextExtentPoint32W(dc, L"00:00", 5, &widest);
    GetTextExtentPoint32W(dc, item.Caption.c_str(), static_cast<int>(item.Caption.size()), &own);
    captionRect.right = std::min<LONG>(box.right, captionRect.left + std::max(widest.cx, own.cx));
    SetTextColor(dc,
                 ColorOf(List.CaptionFont.Color == clDefault ? colors.Text : List.CaptionFont.Color, COLOR_WINDOWTEXT));
    DrawTextW(dc, item.Caption.c_str(), static_cast<int>(item.Caption.size()), &captionRect,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);

    // Info (the note) above, notes (the days) below, as one block centred
    // vertically right of the caption.
    int left = captionRect.right + Scale(18, dpi), right = box.right - Scale(8, dpi);
    SelectObject(dc, FontFor(List.InfoFont, dpi));
    TEXTMETRICW infoMetrics;
    GetTextMetricsW(dc, &infoMetrics);
    SelectObject(dc, FontFor(List.NotesFont, dpi));
    TEXTMETRICW notesMetrics;
    GetTextMetricsW(dc, &notesMetrics);
    int lineGap = Scale(4, dpi);
    int block = infoMetrics.tmHeight + lineGap + notesMetrics.tmHeight;
    int top = box.top + (box.bottom - box.top - block) / 2;
    if (left < right) {
      SelectObject(dc, FontFor(List.InfoFont, dpi));
      SetTextColor(dc, ColorOf(List.InfoFont.Color == clDefault ? colors.Text : List.InfoFont.Color, COLOR_WINDOWTEXT));
      std::wstring info = FirstLine(item.Info);
      RECT infoRect{left, top, right, top + infoMetrics.tmHeight};
      DrawTextW(dc, info.c_str(), static_cast<int>(info.size()), &infoRect,
                DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
      SelectObject(dc, FontFor(List.NotesFont, dpi));
      DrawRuns(dc, item.Notes, left, top + infoMetrics.tmHeight + lineGap, right, notesMetrics.tmHeight, text);
    }
    SelectObject(dc, oldFont);
  }

  // The notes' coloured runs on one line; a line break ends it.
  void DrawRuns(HDC dc, const std::wstring& notes, int x, int y, int right, int height, COLORREF text) {
    for (const TMarkupRun& run : ParseNotesMarkup(notes)) {
      std::wstring piece = run.Text;
      size_t lineEnd = piece.find_first_of(L"\r\n");
      bool last = lineEnd != std::wstring::npos;
      if (last) piece = piece.substr(0, lineEnd) + L"\u2026";
      SetTextColor(dc, run.Color == clDefault ? text : run.Color);
      SIZE size{};
      GetTextExtentPoint32W(dc, piece.c_str(), static_cast<int>(piece.size()), &size);
      RECT rect{x, y, right, y + height};
      DrawTextW(dc, piece.c_str(), static_cast<int>(piece.size()), &rect,
                DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
      x += size.cx;
      if (last || x >= right) break;
    }
  }

  void DrawCheck(HDC dc, const RECT& rect, bool checked) {
    RECT r = rect;
    if (FTheme) {
      int state = checked ? CBS_CHECKEDNORMAL : CBS_UNCHECKEDNORMAL;
      if (SUCCEEDED(DrawThemeBackground(FTheme, dc, BP_CHECKBOX, state, &r, nullptr))) return;
    }
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0));
  }

  // Items are rebuilt in place: the scroll position stays, and only items
  // whose text changed are replaced; a different count starts afresh.
  void Rebuild() {
    if (!FListBox) return;
    SendMessageW(FListBox, WM_SETREDRAW, FALSE, 0);
    LRESULT top = SendMessageW(FListBox, LB_GETTOPINDEX, 0, 0);
    int count = List.Count();
    if (SendMessageW(FListBox, LB_GETCOUNT, 0, 0) != count) {
      SendMessageW(FListBox, LB_RESETCONTENT, 0, 0);
      // One allocation instead of one a string.
      SendMessageW(FListBox, LB_INITSTORAGE, static_cast<WPARAM>(count), static_cast<LPARAM>(count) * 64);
      for (int i = 0; i < count; ++i)
        SendMessageW(FListBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(List.AccessibleText(i).c_str()));
    } else {
      for (int i = 0; i < count; ++i) {
        std::wstring text = List.AccessibleText(i);
        if (ListText(FListBox, i) == text) continue;
        SendMessageW(FListBox, LB_DELETESTRING, static_cast<WPARAM>(i), 0);
        SendMessageW(FListBox, LB_INSERTSTRING, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.c_str()));
      }
    }
    SendMessageW(FListBox, LB_SETCURSEL, static_cast<WPARAM>(List.ItemIndex()), 0);
    if (count > 0) SendMessageW(FListBox, LB_SETTOPINDEX, static_cast<WPARAM>(std::min<LRESULT>(top, count - 1)), 0);
    SendMessageW(FListBox, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(FListBox, nullptr, TRUE);
  }

  LRESULT CallListBox(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) const {
    return CallWindowProcW(FListBoxProc, hwnd, message, wParam, lParam);
  }

  static LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* peer = reinterpret_cast<TListPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!peer) return CallClassProc(hwnd, message, wParam, lParam);
    auto& self = *peer;
    switch (message) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        int index = self.CheckBoxAt(point);
        if (index >= 0) {
          SetFocus(hwnd);
          if (message == WM_LBUTTONDOWN) {
            // The box toggles; the selection stays where it was.
            self.List.DoCheckClick(index);
          } else {
            // The first press toggled the box, and the toggle stays; the
            // second opens the item, as a double click anywhere does.
            self.List.DoSelectItem(index);
            self.List.DoDblClick();
          }
          return 0;
        }
        if (message == WM_LBUTTONDBLCLK) {
          // LBN_DBLCLK may not come for the empty area below the items.
          self.FDblClickNotified = false;
          LRESULT result = self.CallListBox(hwnd, message, wParam, lParam);
          if (!self.FDblClickNotified) self.List.DoDblClick();
          return result;
        }
        break;
      }
      case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
          if (!(lParam & (1 << 30))) self.List.DoSpaceKey();  // not on auto-repeat
          return 0;
        }
        break;
      case WM_CHAR:
        if (wParam == L' ') return 0;  // no type-ahead search for the blank
        break;
      case WM_PAINT:
        // Empty, there is nothing to draw or focus; some list boxes still
        // paint a focus rectangle for item 0 on their own (Wine does).
        if (SendMessageW(hwnd, LB_GETCOUNT, 0, 0) == 0) {
          PAINTSTRUCT ps;
          HDC dc = BeginPaint(hwnd, &ps);
          FillRect(dc, &ps.rcPaint, self.FBackground);
          EndPaint(hwnd, &ps);
          return 0;
        }
        break;
      case WM_NCDESTROY:
        Unsubclass(hwnd, ListBoxProc, self.FListBoxProc);
        if (self.FListBox == hwnd) self.FListBox = nullptr;
        return CallWindowProcW(self.FListBoxProc, hwnd, message, wParam, lParam);
      default:
        break;
    }
    return self.CallListBox(hwnd, message, wParam, lParam);
  }

  HWND FListBox = nullptr;
  WNDPROC FListBoxProc = nullptr;
  HTHEME FTheme = nullptr;
  HBRUSH FBackground = nullptr;
  bool FDblClickNotified = false;
};

}  // namespace

std::unique_ptr<TPeer> MakeListPeer(TControl& control) {
  return std::make_unique<TListPeer>(static_cast<TSmoothListBox&>(control));
}

}  // namespace win32
