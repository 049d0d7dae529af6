// Forms: top-level windows, their placement, DPI changes and modal loops.

#include <algorithm>
#include <vector>

#include "widgets/Backend.h"
#include "widgets/Form.h"
#include "widgets/Menu.h"
#include "widgets/win32/Peers.h"

namespace win32 {

namespace {

constexpr const wchar_t* kFormClass = L"Tollivane.Form";

class TFormPeer : public TPeer {
 public:
  explicit TFormPeer(TForm& form) : TPeer(form), Form(form) {}
  TForm& Form;

  void Create(HWND) override {
    HWND owner = Form.Owner() ? static_cast<HWND>(Form.Owner()->Handle()) : nullptr;
    RegisterOwnClass(kFormClass, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    // Made with its caption, menu bar, size and place: each change after
    // would recompute the frame and move the window (under Wine 1 to 5 ms).
    // The size is for the system DPI, which a new window has, and Layout
    // corrects it where the window's own differs.
    FDpi = SystemDpi();
    HMENU menu = Form.Menu() ? MainMenuHandle(*Form.Menu()) : nullptr;
    const SIZE size = WindowSize(Style(), ExStyle(), menu != nullptr);
    const POINT at = PlaceFor(size);
    CreateWindowExW(ExStyle(), kFormClass, Form.Caption().c_str(), Style(), at.x, at.y, size.cx, size.cy, owner, menu,
                    Instance(), static_cast<TPeer*>(this));
    if (!Hwnd) return;
    FDpi = WindowDpi(Hwnd);
    LoadIcons();
    Layout();
  }

  void Destroy() override {
    // The menu bar belongs to its TMainMenu; DestroyWindow would destroy it.
    if (Hwnd && GetMenu(Hwnd)) SetMenu(Hwnd, nullptr);
    TPeer::Destroy();
    FreeIcons();
  }

  UINT Dpi() const override { return FDpi; }

  // The window's size for the model's client size at the form's DPI.
  SIZE WindowSize(DWORD style, DWORD exStyle, bool menu) const {
    RECT rect{0, 0, Scale(Form.ClientWidth(), FDpi), Scale(Form.ClientHeight(), FDpi)};
    AdjustRectForDpi(rect, style, menu, exStyle, FDpi);
    return {rect.right - rect.left, rect.bottom - rect.top};
  }

  // The window's size from the model's client size at the current DPI.
  void Layout() override {
    if (!Hwnd || FInResize || IsIconic(Hwnd)) return;
    SIZE client{Scale(Form.ClientWidth(), FDpi), Scale(Form.ClientHeight(), FDpi)};
    RECT actual;
    GetClientRect(Hwnd, &actual);
    if (actual.right == client.cx && actual.bottom == client.cy) return;
    SIZE size = WindowSize(static_cast<DWORD>(GetWindowLongPtrW(Hwnd, GWL_STYLE)),
                           static_cast<DWORD>(GetWindowLongPtrW(Hwnd, GWL_EXSTYLE)), GetMenu(Hwnd) != nullptr);
    SetWindowPos(Hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A menu bar that wraps onto a second line is not in the estimate.
    GetClientRect(Hwnd, &actual);
    if (actual.bottom != client.cy && actual.bottom > 0)
      SetWindowPos(Hwnd, nullptr, 0, 0, size.cx, size.cy + client.cy - actual.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void ApplyVisible() override {}  // ShowForm and HideForm do that
  void ApplyEnabled() override {}

  void Update(TChange change) override {
    if (!Hwnd) return;
    switch (change) {
      case chBounds:
        Layout();
        break;
      case chCaption:
        SetText(Hwnd, Form.Caption());
        break;
      case chState:
        SetWindowPos(Hwnd, Form.StayOnTop() ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        AttachMenu();
        break;
      case chFont:
        for (TControl* child : Form.Controls()) ForEachPeer(*child, [](TPeer& peer) { peer.Update(chFont); });
        break;
      default:
        break;
    }
  }

  // Where the form's position puts a window of the size: centred on the
  // screen or on the owner; the corner of the screen when designed.
  POINT PlaceFor(SIZE size) const {
    if (Form.Position() == poDesigned) return {0, 0};
    int width = size.cx, height = size.cy;
    MONITORINFO primary{};
    primary.cbSize = sizeof(primary);
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary);
    RECT area = Form.Position() == poDesktopCenter ? primary.rcMonitor : primary.rcWork;
    RECT bounds = area;  // where the window must stay
    HWND owner = Form.Owner() ? static_cast<HWND>(Form.Owner()->Handle()) : nullptr;
    if (Form.Position() == poOwnerFormCenter && owner) {
      if (IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &area);
      } else {
        // Hidden in the tray or minimized: where it was last shown.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        GetWindowPlacement(owner, &placement);
        area = placement.rcNormalPosition;
      }
      MONITORINFO monitor{};
      monitor.cbSize = sizeof(monitor);
      GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &monitor);
      bounds = monitor.rcWork;
    }
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    if (Form.Position() == poOwnerFormCenter) {
      x = std::max<int>(bounds.left, std::min<int>(x, bounds.right - width));
      y = std::max<int>(bounds.top, std::min<int>(y, bounds.bottom - height));
    }
    return {x, y};
  }

  // Runs before each show.
  void Place() {
    if (Form.Position() == poDesigned) return;
    RECT window;
    GetWindowRect(Hwnd, &window);
    const POINT at = PlaceFor({window.right - window.left, window.bottom - window.top});
    if (at.x != window.left || at.y != window.top)
      SetWindowPos(Hwnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void ForgetFocus() { FFocus = nullptr; }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_COMMAND:
        return OnCommand(wParam, lParam);
      case WM_DRAWITEM: {
        auto& item = *reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item.CtlType != ODT_MENU)
          if (TPeer* peer = PeerOf(item.hwndItem); peer && peer->DrawItem(item)) return TRUE;
        break;
      }
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
        if (TPeer* peer = PeerOf(reinterpret_cast<HWND>(lParam)))
          if (HBRUSH brush = peer->CtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
            return reinterpret_cast<LRESULT>(brush);
        break;
      case WM_SETCURSOR:
        // Sent to the parent first (DefWindowProc of the child asks it), so
        // the form decides the cursor of its links.
        if (reinterpret_cast<HWND>(wParam) != Hwnd && LOWORD(lParam) == HTCLIENT)
          if (TPeer* peer = PeerOf(reinterpret_cast<HWND>(wParam)); peer && peer->Control.HandCursor()) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
          }
        break;
      case WM_CLOSE:
        // The model decides; the window is never destroyed by closing.
        Form.DoClose();
        return 0;
      case WM_SIZE:
        if (wParam == SIZE_MINIMIZED) {
          Form.DoMinimize();
        } else if (!FInResize && (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED)) {
          Form.SetMinimized(false);
          FInResize = true;
          Form.DoResize(Unscale(LOWORD(lParam), FDpi), Unscale(HIWORD(lParam), FDpi));
          FInResize = false;
        }
        return 0;
      case WM_DPICHANGED:
        Rescale(LOWORD(wParam), *reinterpret_cast<RECT*>(lParam));
        return 0;
      case WM_INITMENUPOPUP:
        // The states of the items are those of the actions right now.
        Application.DoIdle();
        break;
      case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
          HWND focus = GetFocus();
          if (focus && IsChild(Hwnd, focus)) FFocus = focus;
        }
        break;
      case WM_NEXTDLGCTL:
        // The request a dialog box answers, sent by the dialog manager and by
        // a multi-line edit for Tab: the focus moves on (wParam 0) or back,
        // or, with lParam set, to the window in wParam.
        MoveFocus(LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                 : GetNextDlgTabItem(Hwnd, GetFocus(), wParam != 0 ? TRUE : FALSE));
        return 0;
      case WM_SETFOCUS: {
        // Back to the control that had the focus, as a dialog box does.
        HWND target =
            FFocus && IsWindow(FFocus) && IsChild(Hwnd, FFocus) && IsWindowVisible(FFocus) && IsWindowEnabled(FFocus)
                ? FFocus
                : GetNextDlgTabItem(Hwnd, nullptr, FALSE);
        if (target) SetFocus(target);
        return 0;
      }
      default:
        break;
    }
    return Default(message, wParam, lParam);
  }

 private:
  static DWORD BorderStyleBits(TBorderStyle style) {
    switch (style) {
      case bsSizeable:
        return WS_OVERLAPPEDWINDOW;
      case bsSingle:
        return WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
      case bsDialog:
        return WS_CAPTION | WS_SYSMENU;
    }
    return WS_OVERLAPPEDWINDOW;
  }

  DWORD Style() const {
    DWORD style = BorderStyleBits(Form.BorderStyle()) | WS_CLIPCHILDREN;
    if (!Form.MaximizeBox()) style &= ~WS_MAXIMIZEBOX;
    return style;
  }

  DWORD ExStyle() const {
    DWORD exStyle = 0;
    // The main window carries the taskbar button, and an independent window
    // one of its own; owned windows have none.
    if (!Form.Owner()) exStyle |= WS_EX_APPWINDOW;
    if (Form.BorderStyle() == bsDialog) exStyle |= WS_EX_DLGMODALFRAME;
    if (Form.StayOnTop()) exStyle |= WS_EX_TOPMOST;
    return exStyle;
  }

  void MoveFocus(HWND target) {
    if (!target || !IsChild(Hwnd, target)) return;
    SetFocus(target);
    // An edit reached by the keyboard has its text selected, as in a dialog box.
    if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(target, EM_SETSEL, 0, -1);
  }

  LRESULT OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HWND from = reinterpret_cast<HWND>(lParam)) {
      if (TPeer* peer = PeerOf(from)) peer->Command(from, HIWORD(wParam));
      return 0;
    }
    // The dialog manager sends IDOK for Enter and IDCANCEL for Escape.
    WORD id = LOWORD(wParam);
    if (id == IDOK)
      Form.DoEnterKey();
    else if (id == IDCANCEL)
      Form.DoEscapeKey();
    else if (Form.Menu())
      if (TMenuItem* item = Form.Menu()->FindById(id)) item->DoClick();
    return 0;
  }

  void AttachMenu() {
    HMENU menu = Form.Menu() ? MainMenuHandle(*Form.Menu()) : nullptr;
    if (GetMenu(Hwnd) == menu) return;
    SetMenu(Hwnd, menu);
    Layout();
  }

  void LoadIcons() {
    FreeIcons();
    FBigIcon = LoadIconOrDefault(Form.Icon(), MetricForDpi(SM_CXICON, FDpi), FBigOwned);
    FSmallIcon = LoadIconOrDefault(Form.Icon(), MetricForDpi(SM_CXSMICON, FDpi), FSmallOwned);
    SendMessageW(Hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FBigIcon));
    SendMessageW(Hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(FSmallIcon));
  }

  void FreeIcons() {
    if (FBigIcon && FBigOwned) DestroyIcon(FBigIcon);
    if (FSmallIcon && FSmallOwned) DestroyIcon(FSmallIcon);
    FBigIcon = FSmallIcon = nullptr;
  }

  // WM_DPICHANGED: the window takes the suggested rectangle (documented as
  // the one that keeps it on the new monitor at the new scale), then fonts,
  // pictures and positions follow the new DPI.
  void Rescale(UINT dpi, const RECT& suggested) {
    FDpi = dpi;
    for (TControl* child : Form.Controls()) ForEachPeer(*child, [](TPeer& peer) { peer.ApplyFont(); });
    FInResize = true;
    SetWindowPos(Hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(Hwnd, &client);
    Form.DoResize(Unscale(client.right, FDpi), Unscale(client.bottom, FDpi));
    FInResize = false;
    for (TControl* child : Form.Controls()) ForEachPeer(*child, [](TPeer& peer) { peer.Layout(); });
    LoadIcons();
    InvalidateRect(Hwnd, nullptr, TRUE);
  }

  UINT FDpi = 96;
  bool FInResize = false;
  HWND FFocus = nullptr;
  HICON FBigIcon = nullptr, FSmallIcon = nullptr;
  bool FBigOwned = false, FSmallOwned = false;
};

TFormPeer* FormPeer(TForm& form) { return static_cast<TFormPeer*>(form.Peer()); }

bool IsContainer(const TControl& control) {
  return control.Kind() == ckGroupBox || control.Kind() == ckCheckGroup || control.Kind() == ckPanel;
}

void CreateControls(TControl& parent, HWND formWindow, std::vector<HWND>& containers) {
  for (TControl* child : parent.Controls()) {
    std::unique_ptr<TPeer> owned = MakePeer(*child);
    TPeer* peer = owned.get();
    child->SetPeer(std::move(owned));
    peer->Create(formWindow);
    child->SetHandle(peer->Hwnd);
    peer->Layout();
    peer->ApplyEnabled();
    peer->ApplyVisible();
    if (IsContainer(*child)) containers.push_back(peer->Hwnd);
    CreateControls(*child, formWindow, containers);
  }
}

}  // namespace

bool IsFormWindow(HWND hwnd) { return FormOf(hwnd) != nullptr; }

TForm* FormOf(HWND hwnd) {
  TPeer* peer = PeerOf(hwnd);
  return peer && peer->Hwnd == hwnd && peer->Control.Kind() == ckForm ? static_cast<TForm*>(&peer->Control) : nullptr;
}

}  // namespace win32

namespace backend {

using namespace win32;

namespace {

void CreateWindows(TForm& form) {
  if (form.Peer()) return;
  form.Realign();
  auto owned = std::make_unique<TFormPeer>(form);
  TFormPeer* peer = owned.get();
  form.SetPeer(std::move(owned));
  peer->Create(nullptr);
  form.SetHandle(peer->Hwnd);
  std::vector<HWND> containers;
  CreateControls(form, peer->Hwnd, containers);
  // Child windows are created below their elder siblings; containers go to
  // the bottom, innermost last, so that the controls drawn on them stay on
  // top (their WS_CLIPSIBLINGS then keeps them from painting over those).
  for (auto it = containers.rbegin(); it != containers.rend(); ++it)
    SetWindowPos(*it, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace

void CreateForm(TForm& form) {
  // The other forms get their windows when first shown: at start-up only
  // the main window's are needed, and under Wine each window costs about a
  // millisecond (some 150 ms for the three dialogs).
  if (&form == Application.MainForm()) CreateWindows(form);
}

void DestroyControl(TControl& control) {
  if (auto* peer = static_cast<TPeer*>(control.Peer())) peer->Destroy();
  control.SetHandle(nullptr);
}

void Changed(TControl& control, TChange change) {
  if (auto* peer = static_cast<TPeer*>(control.Peer())) peer->Update(change);
}

void ShowForm(TForm& form) {
  CreateWindows(form);
  TFormPeer* peer = FormPeer(form);
  if (!peer || !peer->Hwnd) return;
  if (!IsWindowVisible(peer->Hwnd)) peer->Place();
  ShowWindow(peer->Hwnd, IsIconic(peer->Hwnd) ? SW_RESTORE : SW_SHOW);
  form.SetShowing(true);
}

void HideForm(TForm& form) {
  if (HWND hwnd = static_cast<HWND>(form.Handle())) ShowWindow(hwnd, SW_HIDE);
  form.SetShowing(false);
}

void RunModal(TForm& form) {
  CreateWindows(form);
  TFormPeer* peer = FormPeer(form);
  if (!peer || !peer->Hwnd) {
    form.SetModalResult(mrCancel);
    return;
  }
  // Every other visible, enabled window of the program is disabled while the
  // form is up, but for the independent ones (the alarm window stays usable).
  std::vector<HWND> disabled;
  for (TForm* other : Application.Forms()) {
    auto hwnd = static_cast<HWND>(other->Handle());
    if (other != &form && !other->Independent() && hwnd && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
      EnableWindow(hwnd, FALSE);
      disabled.push_back(hwnd);
    }
  }
  // Each showing is a dialog of its own: the focus starts at the first
  // control, as in a dialog box, and not on the button that closed the last.
  peer->ForgetFocus();
  ShowForm(form);
  SetForegroundWindow(peer->Hwnd);
  WPARAM quitCode = 0;
  bool quit = !RunLoop(
      [](void* context) {
        auto& modal = *static_cast<TForm*>(context);
        return modal.ModalResult() != mrNone || Application.Terminated();
      },
      &form, quitCode);
  // Enable the others before hiding this one, or the system activates some
  // other program's window when the modal one disappears (documented for
  // EndDialog and modal loops alike).
  for (HWND hwnd : disabled)
    if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
  if (peer->Hwnd) ShowWindow(peer->Hwnd, SW_HIDE);
  form.SetShowing(false);
  // WM_QUIT belongs to the outer loop.
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

void RestoreForm(TForm& form) {
  CreateWindows(form);
  // Back in the state it had: a window minimized (into the notification
  // area or not) comes back as it was before, maximized too; a hidden one is
  // shown as it was; a visible one stays as it is.
  if (HWND hwnd = static_cast<HWND>(form.Handle())) {
    if (IsIconic(hwnd))
      ShowWindow(hwnd, SW_RESTORE);
    else if (!IsWindowVisible(hwnd))
      ShowWindow(hwnd, SW_SHOW);
  }
  form.SetShowing(true);
}

void BringToFront(TForm& form) {
  HWND hwnd = static_cast<HWND>(form.Handle());
  if (!hwnd) return;
  // What the form owns that was active last (a message box) comes first:
  // that is what the user must answer.
  HWND popup = GetLastActivePopup(hwnd);
  SetForegroundWindow(popup && IsWindowVisible(popup) ? popup : hwnd);
}

void EndModalBoxes() {
  // The system's message boxes and file dialogs are dialog boxes (class
  // "#32770") of this thread; EndDialog ends each one's own loop.
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM) {
        wchar_t name[16] = {};
        if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, name, 16) && lstrcmpW(name, L"#32770") == 0)
          EndDialog(hwnd, IDCANCEL);
        return TRUE;
      },
      0);
}

}  // namespace backend
