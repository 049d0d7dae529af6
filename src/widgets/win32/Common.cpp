#include <map>
#include <set>
#include <tuple>

#include "widgets/Form.h"
#include "widgets/win32/Win32.h"

namespace win32 {

namespace {

template <typename Fn>
Fn User32Function(const char* name) {
  // Through void(*)(): the documented way to hold any function pointer
  // without a function-type cast warning.
  FARPROC proc = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

using TGetDpiForWindow = UINT(WINAPI*)(HWND);
using TGetDpiForSystem = UINT(WINAPI*)();
using TAdjustWindowRectExForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using TGetSystemMetricsForDpi = int(WINAPI*)(int, UINT);

constexpr const wchar_t* kPeerProperty = L"Tollivane.Peer";

}  // namespace

LRESULT CALLBACK OwnWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

UINT SystemDpi() {
  static auto getDpiForSystem = User32Function<TGetDpiForSystem>("GetDpiForSystem");
  if (getDpiForSystem) return getDpiForSystem();
  HDC dc = GetDC(nullptr);
  UINT dpi = static_cast<UINT>(GetDeviceCaps(dc, LOGPIXELSY));
  ReleaseDC(nullptr, dc);
  return dpi ? dpi : 96;
}

UINT WindowDpi(HWND hwnd) {
  static auto getDpiForWindow = User32Function<TGetDpiForWindow>("GetDpiForWindow");
  if (getDpiForWindow && hwnd)
    if (UINT dpi = getDpiForWindow(hwnd)) return dpi;
  return SystemDpi();
}

BOOL AdjustRectForDpi(RECT& rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi) {
  static auto adjust = User32Function<TAdjustWindowRectExForDpi>("AdjustWindowRectExForDpi");
  if (adjust) return adjust(&rect, style, menu, exStyle, dpi);
  return AdjustWindowRectEx(&rect, style, menu, exStyle);
}

int MetricForDpi(int index, UINT dpi) {
  static auto metrics = User32Function<TGetSystemMetricsForDpi>("GetSystemMetricsForDpi");
  if (metrics) return metrics(index, dpi);
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

HFONT FontFor(const TFont& font, UINT dpi) {
  using TKey = std::tuple<std::wstring, int, bool, bool, UINT>;
  // Never freed: fonts live as long as the windows that use them, and the
  // cache may outlive static destruction order of the forms.
  static auto& cache = *new std::map<TKey, HFONT>;
  TKey key{font.Name, font.Height, font.Bold, font.Underline, dpi};
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  LOGFONTW lf{};
  // A negative height is the character height, as the model gives it.
  lf.lfHeight = -MulDiv(font.Height, static_cast<int>(dpi), 96);
  lf.lfWeight = font.Bold ? FW_BOLD : FW_NORMAL;
  lf.lfUnderline = font.Underline;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(lf.lfFaceName, font.Name.c_str(), LF_FACESIZE);
  HFONT handle = CreateFontIndirectW(&lf);
  cache.emplace(key, handle);
  return handle;
}

COLORREF ColorOf(TColor color, int sysColor) { return color == clDefault ? GetSysColor(sysColor) : color; }

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

HICON LoadPicture(const std::wstring& name, int size) {
  if (name.empty()) return nullptr;
  return static_cast<HICON>(LoadImageW(Instance(), name.c_str(), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

HICON LoadIconOrDefault(const std::wstring& name, int size, bool& owned) {
  owned = true;
  if (HICON icon = LoadPicture(name.empty() ? L"MAINICON" : name, size)) return icon;
  if (HICON icon = LoadPicture(L"MAINICON", size)) return icon;
  owned = false;
  return LoadIconW(nullptr, IDI_APPLICATION);
}

// ---- Subclassing --------------------------------------------------------------

WNDPROC Subclass(HWND hwnd, WNDPROC proc, void* data) {
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
  return reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

void Unsubclass(HWND hwnd, WNDPROC proc, WNDPROC original) {
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  // Subclassed again after us, the window keeps our procedure, which then
  // passes everything on to the class's.
  if (GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(proc))
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
}

LRESULT CallClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto proc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(hwnd, GCLP_WNDPROC));
  return CallWindowProcW(proc, hwnd, message, wParam, lParam);
}

// ---- TPeer -----------------------------------------------------------------

void TPeer::Unbind(HWND hwnd) {
  if (!hwnd || !IsWindow(hwnd)) return;
  RemovePropW(hwnd, kPeerProperty);
  if (GetWindowLongPtrW(hwnd, GWLP_USERDATA) != reinterpret_cast<LONG_PTR>(this)) return;
  if (FOriginalProc)
    Unsubclass(hwnd, SubclassProc, FOriginalProc);
  else if (GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(OwnWindowProc))
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
}

void TPeer::Destroy() {
  if (!Hwnd) return;
  HWND hwnd = Hwnd;
  Hwnd = nullptr;
  Unbind(hwnd);
  DestroyWindow(hwnd);
}

// The window is gone: so is the peer's handle.
void TPeer::Forget(HWND hwnd) {
  if (Hwnd != hwnd) return;
  Hwnd = nullptr;
  if (Control.Handle() == hwnd) Control.SetHandle(nullptr);
}

LRESULT CALLBACK OwnWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  TPeer* peer;
  if (message == WM_NCCREATE) {
    peer = static_cast<TPeer*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    peer->Hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(peer));
    SetPropW(hwnd, kPeerProperty, peer);
  } else {
    peer = reinterpret_cast<TPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!peer) return DefWindowProcW(hwnd, message, wParam, lParam);
  LRESULT result = peer->WindowProc(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    peer->Unbind(hwnd);
    peer->Forget(hwnd);
  }
  return result;
}

LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* peer = reinterpret_cast<TPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!peer) return CallClassProc(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    WNDPROC original = peer->FOriginalProc;
    peer->Unbind(hwnd);
    peer->Forget(hwnd);
    return CallWindowProcW(original, hwnd, message, wParam, lParam);
  }
  return peer->WindowProc(message, wParam, lParam);
}

LRESULT TPeer::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) { return Default(message, wParam, lParam); }

LRESULT TPeer::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return FOriginalProc ? CallWindowProcW(FOriginalProc, Hwnd, message, wParam, lParam)
                       : DefWindowProcW(Hwnd, message, wParam, lParam);
}

DWORD TPeer::InitialState() const {
  return (EffectiveVisible() ? WS_VISIBLE : 0) | (EffectiveEnabled() ? 0 : WS_DISABLED);
}

HWND TPeer::CreateStd(HWND parent, const wchar_t* className, DWORD style, DWORD exStyle, const std::wstring& text) {
  // Control ids from 100: 1 and 2 are IDOK and IDCANCEL, which the dialog
  // manager sends for Enter and Escape.
  static UINT nextId = 100;
  // The peer's own window is made where and as it is to be; the helper
  // windows (the boxes of a check group) are placed by the peer.
  const bool own = !Hwnd;
  RECT r = own ? FormRect() : RECT{};
  HWND hwnd =
      CreateWindowExW(exStyle, className, text.c_str(), style | WS_CHILD | WS_CLIPSIBLINGS | (own ? InitialState() : 0),
                      r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nextId++)), Instance(), nullptr);
  if (!hwnd) return nullptr;
  SetPropW(hwnd, kPeerProperty, this);
  if (own) {
    Hwnd = hwnd;
    FOriginalProc = Subclass(hwnd, SubclassProc, this);
  }
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(Control.Font(), Dpi())), FALSE);
  return hwnd;
}

void RegisterOwnClass(const wchar_t* className, UINT classStyle, HBRUSH background) {
  static auto& registered = *new std::set<std::wstring>;
  if (!registered.insert(className).second) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = classStyle;
  wc.lpfnWndProc = OwnWindowProc;
  wc.hInstance = Instance();
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = className;
  RegisterClassExW(&wc);
}

HWND TPeer::CreateOwn(HWND parent, const wchar_t* className, DWORD style, DWORD exStyle, UINT classStyle,
                      HBRUSH background) {
  RegisterOwnClass(className, classStyle, background);
  static UINT nextId = 10000;
  RECT r = FormRect();
  return CreateWindowExW(exStyle, className, L"", style | WS_CHILD | WS_CLIPSIBLINGS | InitialState(), r.left, r.top,
                         r.right - r.left, r.bottom - r.top, parent,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nextId++)), Instance(), this);
}

void TPeer::SetText(HWND hwnd, const std::wstring& text) {
  // Compare first: setting an equal text still flickers and notifies.
  int length = GetWindowTextLengthW(hwnd);
  std::wstring current(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(hwnd, current.data(), length + 1);
  current.resize(static_cast<size_t>(length));
  if (current != text) SetWindowTextW(hwnd, text.c_str());
}

UINT TPeer::Dpi() const {
  TForm* form = const_cast<TControl&>(Control).Form();
  if (form && form != &Control && form->Peer()) return static_cast<TPeer*>(form->Peer())->Dpi();
  return Hwnd ? WindowDpi(Hwnd) : SystemDpi();
}

RECT TPeer::FormRect() const {
  TRect bounds = NaturalBounds();
  int left = bounds.Left, top = bounds.Top;
  for (TControl* parent = Control.Parent(); parent && parent->Kind() != ckForm; parent = parent->Parent()) {
    left += parent->Left();
    top += parent->Top() + parent->ClientTop();
  }
  UINT dpi = Dpi();
  // Scale both edges so that neighbours stay flush at any DPI.
  return {Scale(left, dpi), Scale(top, dpi), Scale(left + bounds.Width, dpi), Scale(top + bounds.Height, dpi)};
}

bool TPeer::EffectiveVisible() const {
  for (const TControl* control = &Control; control && control->Kind() != ckForm; control = control->Parent())
    if (!control->Visible()) return false;
  return true;
}

bool TPeer::EffectiveEnabled() const {
  for (const TControl* control = &Control; control && control->Kind() != ckForm; control = control->Parent())
    if (!control->Enabled()) return false;
  return true;
}

void TPeer::Layout() {
  if (!Hwnd) return;
  RECT r = FormRect();
  // Most windows are made where they belong: no move, no messages.
  RECT now;
  GetWindowRect(Hwnd, &now);
  MapWindowPoints(nullptr, GetParent(Hwnd), reinterpret_cast<POINT*>(&now), 2);
  if (EqualRect(&now, &r)) return;
  SetWindowPos(Hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TPeer::ApplyFont() {
  if (Hwnd) SendMessageW(Hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(Control.Font(), Dpi())), TRUE);
}

void TPeer::ApplyVisible() {
  if (!Hwnd) return;
  const bool visible = EffectiveVisible();
  if (visible != ((GetWindowLongPtrW(Hwnd, GWL_STYLE) & WS_VISIBLE) != 0))
    ShowWindow(Hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

void TPeer::ApplyEnabled() {
  if (!Hwnd) return;
  const bool enabled = EffectiveEnabled();
  if (enabled != (IsWindowEnabled(Hwnd) != FALSE)) EnableWindow(Hwnd, enabled);
}

void TPeer::Update(TChange change) {
  switch (change) {
    case chBounds:
      // Children are siblings on the form: they move with their parent.
      ForEachPeer(Control, [](TPeer& peer) { peer.Layout(); });
      break;
    case chCaption:
      if (Hwnd) SetText(Hwnd, Control.Caption());
      break;
    case chEnabled:
      ForEachPeer(Control, [](TPeer& peer) { peer.ApplyEnabled(); });
      break;
    case chVisible:
      ForEachPeer(Control, [](TPeer& peer) { peer.ApplyVisible(); });
      break;
    case chFont:
      ApplyFont();
      Layout();
      break;
    default:
      if (Hwnd) InvalidateRect(Hwnd, nullptr, TRUE);
      break;
  }
}

TPeer* PeerOf(HWND hwnd) { return hwnd ? static_cast<TPeer*>(GetPropW(hwnd, kPeerProperty)) : nullptr; }

void ForEachPeer(TControl& control, void (*action)(TPeer&)) {
  if (auto* peer = static_cast<TPeer*>(control.Peer())) action(*peer);
  for (TControl* child : control.Controls()) ForEachPeer(*child, action);
}

}  // namespace win32
