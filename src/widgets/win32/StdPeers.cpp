// The plain controls: standard Windows controls where one fits, painted
// windows of our own for the gradient panel, the bevel and the image.

#include <algorithm>
#include <vector>

#include "widgets/Form.h"
#include "widgets/StdControls.h"
#include "widgets/win32/Paint.h"
#include "widgets/win32/Peers.h"

namespace win32 {

namespace {

constexpr const wchar_t* kPaintedClass = L"Tollivane.Painted";

std::wstring WindowText(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

// The text's size in model (96-DPI) pixels, rounded up.
SIZE TextSize(const std::wstring& text, const TFont& font, UINT dpi) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FontFor(font, dpi));
  RECT rect{0, 0, 0, 0};
  std::wstring measured = text.empty() ? L" " : text;
  DrawTextW(dc, measured.c_str(), static_cast<int>(measured.size()), &rect, DT_CALCRECT | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  auto up = [dpi](LONG pixels) { return static_cast<LONG>((pixels * 96 + dpi - 1) / dpi); };
  // Two pixels to spare: italic and kerned ends overhang the measured box.
  return {up(rect.right) + 2, up(rect.bottom)};
}

void PaintPanel(HDC dc, const TGradientPanel& panel, const RECT& rect, UINT dpi) {
  int border = std::max(1, Scale(1, dpi));
  RECT body{rect.left, rect.top, rect.right, rect.bottom - border};
  FillGradient(dc, body, panel.ColorFrom, panel.ColorTo);
  RECT line{rect.left, rect.bottom - border, rect.right, rect.bottom};
  FillSolid(dc, line, panel.BorderColor);
}

// ---- TLabel ---------------------------------------------------------------

class TLabelPeer : public TPeer {
 public:
  explicit TLabelPeer(TLabel& label) : TPeer(label), Label(label) {}
  TLabel& Label;

  void Create(HWND form) override { CreateStd(form, L"STATIC", Style(), 0, Label.Caption()); }

  DWORD Style() const {
    // SS_NOTIFY: clicks reach the parent as STN_CLICKED (links).
    DWORD style = SS_NOPREFIX | SS_NOTIFY;
    switch (Label.Alignment()) {
      case taLeftJustify:
        style |= Label.WordWrap() ? SS_LEFT : SS_LEFTNOWORDWRAP;
        break;
      case taCenter:
        style |= SS_CENTER;
        break;
      case taRightJustify:
        style |= SS_RIGHT;
        break;
    }
    return style;
  }

  void Update(TChange change) override {
    if (change == chState && Hwnd) {
      LONG_PTR style = GetWindowLongPtrW(Hwnd, GWL_STYLE) & ~static_cast<LONG_PTR>(SS_TYPEMASK);
      SetWindowLongPtrW(Hwnd, GWL_STYLE, style | (Style() & SS_TYPEMASK));
      InvalidateRect(Hwnd, nullptr, TRUE);
      Layout();
    } else {
      TPeer::Update(change);
      if (change == chCaption) Layout();  // an autosized label grows with its text
    }
  }

  TRect NaturalBounds() const override {
    TRect bounds = Label.BoundsRect();
    if (bounds.Width > 0 && bounds.Height > 0) return bounds;
    SIZE size = TextSize(Label.Caption(), Label.Font(), Dpi());
    if (bounds.Width <= 0) bounds.Width = size.cx;
    if (bounds.Height <= 0) bounds.Height = size.cy;
    return bounds;
  }

  void Command(HWND, WORD code) override {
    if (code == STN_CLICKED)
      Label.DoClick();
    else if (code == STN_DBLCLK)
      Label.DoDblClick();
  }

  HBRUSH CtlColor(HDC dc, HWND) override {
    if (Label.Font().Color == clDefault) return nullptr;
    SetTextColor(dc, Label.Font().Color);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
  }
};

// ---- TBitBtn ------------------------------------------------------------------

class TButtonPeer : public TPeer {
 public:
  explicit TButtonPeer(TBitBtn& button) : TPeer(button), Button(button) {}
  TBitBtn& Button;

  void Create(HWND form) override {
    CreateStd(form, L"BUTTON", WS_TABSTOP | (Button.Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, Button.Caption());
    LoadPicture();
  }

  void Destroy() override {
    TPeer::Destroy();
    FreePicture();
  }

  TRect NaturalBounds() const override {
    TRect bounds = Button.BoundsRect();
    if (bounds.Width <= 0) bounds.Width = 75;
    if (bounds.Height <= 0) bounds.Height = 25;
    return bounds;
  }

  void Update(TChange change) override {
    if (change == chPicture) {
      LoadPicture();
      if (Hwnd) InvalidateRect(Hwnd, nullptr, TRUE);
    } else {
      TPeer::Update(change);
    }
  }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    // As in a dialog box: a push button is the default while it has the
    // focus, and the form's default button is the default again after.
    if ((message == WM_SETFOCUS || message == WM_KILLFOCUS) && Button.Kind() == ckButton && !Button.Default()) {
      const bool focused = message == WM_SETFOCUS;
      SendMessageW(Hwnd, BM_SETSTYLE, focused ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
      if (TForm* form = Button.Form())
        if (TBitBtn* standing = form->DefaultButton(); standing && standing->Handle())
          SendMessageW(static_cast<HWND>(standing->Handle()), BM_SETSTYLE, focused ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON,
                       TRUE);
    }
    return TPeer::WindowProc(message, wParam, lParam);
  }

  void ApplyFont() override {
    TPeer::ApplyFont();
    LoadPicture();
  }

  void Command(HWND, WORD code) override {
    if (code == BN_CLICKED) Button.DoClick();
  }

 protected:
  virtual int PictureSize() const { return 16; }

  virtual void LoadPicture() {
    FreePicture();
    if (Button.Picture().empty()) return;
    FPicture = win32::LoadPicture(Button.Picture(), Scale(PictureSize(), Dpi()));
    // A framed button shows the icon beside its text (common controls 6).
    if (Hwnd && FPicture && Button.Kind() == ckButton)
      SendMessageW(Hwnd, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(FPicture));
  }

  void FreePicture() {
    if (FPicture) DestroyIcon(FPicture);
    FPicture = nullptr;
  }

  HICON FPicture = nullptr;
};

// ---- TGlowButton ----------------------------------------------------------------

class TGlowPeer : public TButtonPeer {
 public:
  using TButtonPeer::TButtonPeer;

  void Create(HWND form) override {
    CreateStd(form, L"BUTTON", BS_OWNERDRAW, 0, Button.Caption());
    LoadPicture();
  }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_MOUSEMOVE:
        if (!FHot) {
          FHot = true;
          // WM_MOUSELEAVE comes only once asked for, each time anew.
          TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Hwnd, 0};
          TrackMouseEvent(&track);
          InvalidateRect(Hwnd, nullptr, FALSE);
        }
        break;
      case WM_MOUSELEAVE:
        FHot = false;
        InvalidateRect(Hwnd, nullptr, FALSE);
        break;
      case WM_ERASEBKGND:
        return 1;  // DrawItem paints every pixel
      default:
        break;
    }
    return TButtonPeer::WindowProc(message, wParam, lParam);
  }

  bool DrawItem(const DRAWITEMSTRUCT& item) override {
    const RECT& rc = item.rcItem;
    int width = rc.right - rc.left, height = rc.bottom - rc.top;
    UINT dpi = Dpi();
    TBuffer buffer(item.hDC, width, height);
    HDC dc = buffer.DC();
    COLORREF background = PaintBackground(dc, width, height);

    bool disabled = item.itemState & ODS_DISABLED;
    bool pressed = (item.itemState & ODS_SELECTED) && !disabled;
    bool hot = FHot && !disabled;
    RECT box{0, 0, width, height};
    if (pressed || hot) {
      // Warm amber for pressed, a pale gold glow under the mouse.
      COLORREF top = pressed ? RGB(0xFF, 0xE0, 0x8F) : RGB(0xFF, 0xFC, 0xF0);
      COLORREF bottom = pressed ? RGB(0xFF, 0xC6, 0x5A) : RGB(0xFF, 0xE8, 0xA6);
      COLORREF border = pressed ? RGB(0xC2, 0x8A, 0x30) : RGB(0xE3, 0xC1, 0x6E);
      RoundBox(dc, box, Scale(3, dpi), top, bottom, border);
      RECT inner{1, 1, width - 1, height - 1};
      RECT glow{width / 8, height / 2, width - width / 8, height + height / 2};
      buffer.Glow(glow, inner, pressed ? RGB(0xFF, 0xD0, 0x6C) : RGB(0xFF, 0xF6, 0xC8), 0.8);
    }

    int offset = pressed ? 1 : 0;
    // Tight margins: at 144 DPI "Delete Alarm" just fits on one line beside
    // its picture in the 115-pixel button.
    int pad = Scale(2, dpi), picture = Scale(PictureSize(), dpi);
    RECT pictureRect{pad + offset, (height - picture) / 2 + offset, pad + offset + picture,
                     (height - picture) / 2 + offset + picture};
    if (!FImage.Empty())
      FImage.Draw(buffer, pictureRect.left, pictureRect.top);
    else if (FPicture)
      DrawIconEx(dc, pictureRect.left, pictureRect.top, FPicture, picture, picture, 0, nullptr, DI_NORMAL);
    if (disabled) buffer.Disable(pictureRect, background);

    // The caption right of the picture, on one or two lines, centred
    // vertically in what is left.
    RECT text{pictureRect.right + Scale(2, dpi), 0, width + offset, height};
    HGDIOBJ oldFont = SelectObject(dc, FontFor(Button.Font(), dpi));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : ColorOf(Button.Font().Color, COLOR_BTNTEXT));
    const std::wstring& caption = Button.Caption();
    RECT measured = text;
    UINT format = DT_SINGLELINE | DT_NOPREFIX;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measured, format | DT_CALCRECT);
    if (measured.right > text.right) {
      format = DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS;
      measured = text;
      DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measured, format | DT_CALCRECT);
    }
    int textHeight = measured.bottom - measured.top;
    text.top = (height - textHeight) / 2 + offset;
    text.bottom = text.top + textHeight;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text, format);
    SelectObject(dc, oldFont);

    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
      RECT focus{Scale(2, dpi), Scale(2, dpi), width - Scale(2, dpi), height - Scale(2, dpi)};
      SetTextColor(dc, RGB(0, 0, 0));
      DrawFocusRect(dc, &focus);
    }
    buffer.Blit(item.hDC, rc.left, rc.top);
    return true;
  }

 protected:
  int PictureSize() const override { return 42; }

  // Straight from the resource where it has the size, an icon object else.
  void LoadPicture() override {
    FreePicture();
    FImage = TIconImage();
    if (Button.Picture().empty() || FImage.Load(Button.Picture(), Scale(PictureSize(), Dpi()))) return;
    TButtonPeer::LoadPicture();
  }

 private:
  // The toolbar's gradient as it runs behind the button; returns the colour
  // at the button's middle.
  COLORREF PaintBackground(HDC dc, int width, int height) {
    TControl* parent = Button.Parent();
    auto* panelPeer = parent ? static_cast<TPeer*>(parent->Peer()) : nullptr;
    if (parent && parent->Kind() == ckPanel && panelPeer) {
      auto& panel = static_cast<TGradientPanel&>(*parent);
      RECT mine = FormRect(), panelRect = panelPeer->FormRect();
      OffsetRect(&panelRect, -mine.left, -mine.top);
      PaintPanel(dc, panel, panelRect, Dpi());
      double t = panelRect.bottom > panelRect.top
                     ? (height / 2.0 - panelRect.top) / static_cast<double>(panelRect.bottom - panelRect.top)
                     : 0.5;
      return Mix(panel.ColorFrom, panel.ColorTo, std::clamp(t, 0.0, 1.0));
    }
    RECT all{0, 0, width, height};
    FillSolid(dc, all, GetSysColor(COLOR_BTNFACE));
    return GetSysColor(COLOR_BTNFACE);
  }

  bool FHot = false;
  TIconImage FImage;
};

// ---- TCheckBox --------------------------------------------------------------

class TCheckBoxPeer : public TPeer {
 public:
  explicit TCheckBoxPeer(TCheckBox& box) : TPeer(box), Box(box) {}
  TCheckBox& Box;

  void Create(HWND form) override {
    // BS_CHECKBOX, not BS_AUTOCHECKBOX: the model toggles, the box follows.
    CreateStd(form, L"BUTTON", WS_TABSTOP | BS_CHECKBOX, 0, Box.Caption());
    SendMessageW(Hwnd, BM_SETCHECK, Box.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  }

  TRect NaturalBounds() const override {
    TRect bounds = Box.BoundsRect();
    if (bounds.Width <= 0) bounds.Width = 13 + 6 + TextSize(Box.Caption(), Box.Font(), Dpi()).cx + 2;
    if (bounds.Height <= 0) bounds.Height = 17;
    return bounds;
  }

  void Update(TChange change) override {
    if (change == chState && Hwnd)
      SendMessageW(Hwnd, BM_SETCHECK, Box.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    else
      TPeer::Update(change);
  }

  void Command(HWND, WORD code) override {
    if (code == BN_CLICKED) Box.DoClick();
  }
};

// ---- TComboBox ----------------------------------------------------------------

class TComboPeer : public TPeer {
 public:
  explicit TComboPeer(TComboBox& combo) : TPeer(combo), Combo(combo) {}
  TComboBox& Combo;

  void Create(HWND form) override {
    DWORD style = WS_TABSTOP | WS_VSCROLL | (Combo.Editable() ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST);
    CreateStd(form, L"COMBOBOX", style, 0, L"");
    FillItems();
    ApplySelection();
  }

  TRect NaturalBounds() const override {
    TRect bounds = Combo.BoundsRect();
    if (bounds.Height <= 0) bounds.Height = 21;
    return bounds;
  }

  // A combo box's window height includes its drop-down list (documented
  // for CreateWindow); the field takes the height its font needs.
  void Layout() override {
    if (!Hwnd) return;
    RECT r = FormRect();
    int itemHeight = static_cast<int>(SendMessageW(Hwnd, CB_GETITEMHEIGHT, 0, 0));
    int visible = std::clamp(static_cast<int>(Combo.Items().size()), 1, 12);
    int height = (r.bottom - r.top) + visible * std::max(itemHeight, 1) + Scale(4, Dpi());
    SetWindowPos(Hwnd, nullptr, r.left, r.top, r.right - r.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void Update(TChange change) override {
    if (!Hwnd) return;
    if (change == chItems) {
      FillItems();
      ApplySelection();
      Layout();
    } else if (change == chSelection) {
      ApplySelection();
    } else {
      TPeer::Update(change);
    }
  }

  void Command(HWND, WORD code) override {
    if (FSetting) return;
    // While the model takes the user's input, the window already shows it.
    FInput = true;
    if (code == CBN_SELCHANGE) {
      Combo.DoSelect(static_cast<int>(SendMessageW(Hwnd, CB_GETCURSEL, 0, 0)));
    } else if (code == CBN_EDITCHANGE) {
      Combo.DoEdit(WindowText(Hwnd));
    }
    FInput = false;
  }

 private:
  void FillItems() {
    FSetting = true;
    SendMessageW(Hwnd, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& item : Combo.Items())
      SendMessageW(Hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    FSetting = false;
  }

  void ApplySelection() {
    if (FInput) return;
    FSetting = true;
    SendMessageW(Hwnd, CB_SETCURSEL, static_cast<WPARAM>(Combo.ItemIndex()), 0);
    if (Combo.ItemIndex() < 0 && Combo.Editable()) SetText(Hwnd, Combo.Text());
    FSetting = false;
  }

  bool FSetting = false;  // our own changes notify too; they are no input
  bool FInput = false;
};

// ---- TMemo --------------------------------------------------------------------

class TMemoPeer : public TPeer {
 public:
  explicit TMemoPeer(TMemo& memo) : TPeer(memo), Memo(memo) {}
  TMemo& Memo;

  void Create(HWND form) override {
    // ES_WANTRETURN: Enter starts a new line instead of pressing the
    // default button (the dialog manager asks WM_GETDLGCODE).
    DWORD style = WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    if (Memo.ReadOnly()) style |= ES_READONLY;
    FSetting = true;
    CreateStd(form, L"EDIT", style, WS_EX_CLIENTEDGE, Memo.Text());
    FSetting = false;
  }

  void Update(TChange change) override {
    if (change == chCaption && Hwnd) {
      FSetting = true;
      SetText(Hwnd, Memo.Text());
      FSetting = false;
    } else {
      TPeer::Update(change);
    }
  }

  void Command(HWND, WORD code) override {
    if (code == EN_CHANGE && !FSetting) Memo.DoEdit(WindowText(Hwnd));
  }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT result = TPeer::WindowProc(message, wParam, lParam);
    // A multi-line edit wants every key, and asked in a dialog it turns
    // Escape into a close of its parent. Escape is left to the dialog
    // manager instead: it means what it means everywhere else in the form.
    if (message == WM_GETDLGCODE && lParam != 0) {
      const MSG& key = *reinterpret_cast<const MSG*>(lParam);
      if (key.message == WM_KEYDOWN && key.wParam == VK_ESCAPE) result &= ~DLGC_WANTALLKEYS;
    }
    return result;
  }

 private:
  bool FSetting = false;  // EN_CHANGE follows our own WM_SETTEXT as well
};

// ---- TGroupBox, TCheckGroup -------------------------------------------------------

// A group box paints only its frame and caption; inside, the form would
// show through, but the form clips its children (WS_CLIPCHILDREN), so the
// box fills its own background. Its controls, above it in z-order, are
// left out by WS_CLIPSIBLINGS.
class TFramePeer : public TPeer {
 public:
  using TPeer::TPeer;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_ERASEBKGND) {
      RECT client;
      GetClientRect(Hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    return TPeer::WindowProc(message, wParam, lParam);
  }
};

class TGroupBoxPeer : public TFramePeer {
 public:
  using TFramePeer::TFramePeer;
  void Create(HWND form) override { CreateStd(form, L"BUTTON", BS_GROUPBOX, 0, Control.Caption()); }
};

class TCheckGroupPeer : public TFramePeer {
 public:
  explicit TCheckGroupPeer(TCheckGroup& group) : TFramePeer(group), Group(group) {}
  TCheckGroup& Group;

  void Create(HWND form) override {
    CreateStd(form, L"BUTTON", BS_GROUPBOX, 0, Group.Caption());
    CreateBoxes();
  }

  void Destroy() override {
    DestroyBoxes();
    TPeer::Destroy();
  }

  // One box a line, the lines spread evenly below the caption.
  void Layout() override {
    TPeer::Layout();
    if (FBoxes.empty()) return;
    UINT dpi = Dpi();
    RECT r = FormRect();
    int top = r.top + Scale(16, dpi), bottom = r.bottom - Scale(4, dpi);
    int count = static_cast<int>(FBoxes.size());
    int row = std::max(1, (bottom - top) / count);
    int height = std::min(row, Scale(17, dpi));
    for (int i = 0; i < count; ++i)
      SetWindowPos(FBoxes[i], nullptr, r.left + Scale(10, dpi), top + i * row + (row - height) / 2,
                   r.right - r.left - Scale(20, dpi), height, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void ApplyFont() override {
    TPeer::ApplyFont();
    HFONT font = FontFor(Group.Font(), Dpi());
    for (HWND box : FBoxes) SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }

  void ApplyVisible() override {
    TPeer::ApplyVisible();
    for (HWND box : FBoxes) ShowWindow(box, EffectiveVisible() ? SW_SHOWNA : SW_HIDE);
  }

  void ApplyEnabled() override {
    TPeer::ApplyEnabled();
    for (HWND box : FBoxes) EnableWindow(box, EffectiveEnabled());
  }

  void Update(TChange change) override {
    if (!Hwnd) return;
    if (change == chItems) {
      DestroyBoxes();
      CreateBoxes();
      Layout();
      ApplyVisible();
      ApplyEnabled();
    } else if (change == chState) {
      SetChecks();
    } else {
      TPeer::Update(change);
    }
  }

  void Command(HWND from, WORD code) override {
    if (code != BN_CLICKED) return;
    auto it = std::find(FBoxes.begin(), FBoxes.end(), from);
    if (it != FBoxes.end()) Group.DoToggle(static_cast<int>(it - FBoxes.begin()));
  }

 private:
  void CreateBoxes() {
    HWND form = GetParent(Hwnd);
    // Behind the group box's window in z-order, so after it in tab order.
    HWND after = Hwnd;
    for (const std::wstring& item : Group.Items()) {
      HWND box = CreateStd(form, L"BUTTON", WS_TABSTOP | BS_CHECKBOX, 0, item);
      SetWindowPos(box, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      after = box;
      FBoxes.push_back(box);
    }
    SetChecks();
  }

  void DestroyBoxes() {
    for (HWND box : FBoxes) {
      Unbind(box);
      DestroyWindow(box);
    }
    FBoxes.clear();
  }

  void SetChecks() {
    for (size_t i = 0; i < FBoxes.size(); ++i)
      SendMessageW(FBoxes[i], BM_SETCHECK, Group.Checked(static_cast<int>(i)) ? BST_CHECKED : BST_UNCHECKED, 0);
  }

  std::vector<HWND> FBoxes;
};

// ---- Painted controls -----------------------------------------------------------

class TPanelPeer : public TPaintedPeer {
 public:
  explicit TPanelPeer(TGradientPanel& panel) : TPaintedPeer(panel), Panel(panel) {}
  TGradientPanel& Panel;
  void Create(HWND form) override { CreateOwn(form, kPaintedClass, WS_CHILD, 0); }
  void Paint(HDC dc, const RECT& client) override { PaintPanel(dc, Panel, client, Dpi()); }
};

class TBevelPeer : public TPaintedPeer {
 public:
  using TPaintedPeer::TPaintedPeer;
  void Create(HWND form) override { CreateOwn(form, kPaintedClass, WS_CHILD, 0); }
  void Paint(HDC dc, const RECT& client) override {
    FillSolid(dc, client, GetSysColor(COLOR_BTNFACE));
    RECT edge = client;
    // Lowered: shadow above, highlight below.
    DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
  }
};

class TImagePeer : public TPaintedPeer {
 public:
  explicit TImagePeer(TImage& image) : TPaintedPeer(image), Image(image) {}
  TImage& Image;
  void Create(HWND form) override { CreateOwn(form, kPaintedClass, WS_CHILD, 0); }
  void Destroy() override {
    TPaintedPeer::Destroy();
    FreeIcon();
  }
  void Update(TChange change) override {
    if (change == chPicture || change == chBounds) FreeIcon();
    TPaintedPeer::Update(change);
  }
  void ApplyFont() override { FreeIcon(); }
  void Paint(HDC dc, const RECT& client) override {
    FillSolid(dc, client, GetSysColor(COLOR_BTNFACE));
    int size = std::min(client.right, client.bottom);
    if (!FIcon || FIconSize != size) {
      FreeIcon();
      FIcon = LoadIconOrDefault(Image.Picture(), size, FOwned);
      FIconSize = size;
    }
    DrawIconEx(dc, 0, 0, FIcon, size, size, 0, nullptr, DI_NORMAL);
  }

 private:
  void FreeIcon() {
    if (FIcon && FOwned) DestroyIcon(FIcon);
    FIcon = nullptr;
  }
  HICON FIcon = nullptr;
  int FIconSize = 0;
  bool FOwned = false;
};

}  // namespace

LRESULT TPaintedPeer::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(Hwnd, &ps);
      RECT client;
      GetClientRect(Hwnd, &client);
      TBuffer buffer(dc, client.right, client.bottom);
      Paint(buffer.DC(), client);
      buffer.Blit(dc, 0, 0);
      EndPaint(Hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT: {
      RECT client;
      GetClientRect(Hwnd, &client);
      Paint(reinterpret_cast<HDC>(wParam), client);
      return 0;
    }
    default:
      return Default(message, wParam, lParam);
  }
}

std::unique_ptr<TPeer> MakePeer(TControl& control) {
  switch (control.Kind()) {
    case ckLabel:
      return std::make_unique<TLabelPeer>(static_cast<TLabel&>(control));
    case ckButton:
      return std::make_unique<TButtonPeer>(static_cast<TBitBtn&>(control));
    case ckGlowButton:
      return std::make_unique<TGlowPeer>(static_cast<TBitBtn&>(control));
    case ckCheckBox:
      return std::make_unique<TCheckBoxPeer>(static_cast<TCheckBox&>(control));
    case ckComboBox:
      return std::make_unique<TComboPeer>(static_cast<TComboBox&>(control));
    case ckMemo:
      return std::make_unique<TMemoPeer>(static_cast<TMemo&>(control));
    case ckGroupBox:
      return std::make_unique<TGroupBoxPeer>(control);
    case ckCheckGroup:
      return std::make_unique<TCheckGroupPeer>(static_cast<TCheckGroup&>(control));
    case ckPanel:
      return std::make_unique<TPanelPeer>(static_cast<TGradientPanel&>(control));
    case ckBevel:
      return std::make_unique<TBevelPeer>(control);
    case ckImage:
      return std::make_unique<TImagePeer>(static_cast<TImage&>(control));
    case ckSmoothListBox:
      return MakeListPeer(control);
    case ckForm:
      break;
  }
  return nullptr;
}

}  // namespace win32
