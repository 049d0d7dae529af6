#pragma once
// Private to the win32 back end: the window wrapper every control peer
// derives from, DPI scaling, fonts, pictures and the utility window.

// clang-format off
#include <windows.h>  // first: the other system headers need its types
#include <commctrl.h>
// clang-format on

#include <string>

#include "widgets/Control.h"

class TForm;
class TTrayIcon;

namespace win32 {

// The documented message (winuser.h hides it below Windows 8.1).
#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

// ---- DPI ---------------------------------------------------------------

// Functions of Windows 10 1607 and later, looked up at run time so that the
// program still starts on Windows 7; each falls back to the system DPI.
UINT WindowDpi(HWND hwnd);
UINT SystemDpi();
BOOL AdjustRectForDpi(RECT& rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi);
int MetricForDpi(int index, UINT dpi);
inline int Scale(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), 96); }
inline int Unscale(int value, UINT dpi) { return MulDiv(value, 96, static_cast<int>(dpi)); }

// ---- GDI resources -------------------------------------------------------

// A font of the model at a DPI. Fonts are cached for the process and owned
// by the cache: the program uses a handful of them.
HFONT FontFor(const TFont& font, UINT dpi);
COLORREF ColorOf(TColor color, int sysColor);
// An icon resource of the program at a size, or null when it has none.
// Owned by the caller (DestroyIcon).
HICON LoadPicture(const std::wstring& name, int size);
// The picture, else the program's icon, else the system's application icon.
// `owned` tells whether the caller must destroy it.
HICON LoadIconOrDefault(const std::wstring& name, int size, bool& owned);

// ---- Window wrapper ------------------------------------------------------

// Puts `proc` in front of a standard control's window procedure, with `data`
// in GWLP_USERDATA (the program's in every standard control), and returns
// the procedure to pass messages on to. Classic subclassing: under Wine a
// message through a comctl32 subclass costs 40 to 75 us, this way under 1.
WNDPROC Subclass(HWND hwnd, WNDPROC proc, void* data);
// Undoes Subclass.
void Unsubclass(HWND hwnd, WNDPROC proc, WNDPROC original);
// Passes a message to the window class's own procedure.
LRESULT CallClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Registers one of our window classes on its first use.
void RegisterOwnClass(const wchar_t* className, UINT classStyle, HBRUSH background);

// The native side of one model control. Our own window classes keep the
// object in GWLP_USERDATA from WM_NCCREATE on; standard controls (BUTTON,
// EDIT, ...) are subclassed with the object in GWLP_USERDATA. Either way
// the form reflects WM_COMMAND, WM_NOTIFY, WM_DRAWITEM and WM_CTLCOLOR* to
// the peer of the window that sent them.
class TPeer : public TControl::TPeer {
 public:
  explicit TPeer(TControl& control) : Control(control) {}

  TControl& Control;  // not owned
  HWND Hwnd = nullptr;

  // Creates the window(s) as children of the form's window.
  virtual void Create(HWND formWindow) = 0;
  // Unbinds and destroys the window(s). Runs while the model object is
  // being destroyed, so no message may reach the peer any more.
  virtual void Destroy();
  // The model changed.
  virtual void Update(TChange change);
  // Places the window(s) at the model's bounds, in the form's pixels.
  virtual void Layout();
  // Font (and anything else that depends on the DPI) at the form's DPI.
  virtual void ApplyFont();
  virtual void ApplyVisible();
  virtual void ApplyEnabled();

  // Reflected from the form. `from` is the child that sent it.
  virtual void Command(HWND /*from*/, WORD /*code*/) {}
  virtual bool DrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }
  virtual HBRUSH CtlColor(HDC /*dc*/, HWND /*from*/) { return nullptr; }

  // Messages to the window itself; Default passes them on.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

  // The DPI of the control's form.
  virtual UINT Dpi() const;
  // The model bounds in the form's client pixels (the model's are relative
  // to the parent control); a zero width or height takes the control's
  // natural size.
  RECT FormRect() const;
  virtual TRect NaturalBounds() const { return Control.BoundsRect(); }
  // Shown only while every control up to the form is visible.
  bool EffectiveVisible() const;
  bool EffectiveEnabled() const;

 protected:
  // Creates a standard control and binds it to this peer. The first is the
  // peer's own window: made at its place, shown and enabled as the model
  // says, and subclassed. Later ones are helper windows for the peer to
  // place; they only carry the peer.
  HWND CreateStd(HWND parent, const wchar_t* className, DWORD style, DWORD exStyle, const std::wstring& text);
  // Creates the peer's own child window of one of our classes, at its place,
  // shown and enabled as the model says.
  HWND CreateOwn(HWND parent, const wchar_t* className, DWORD style, DWORD exStyle, UINT classStyle = 0,
                 HBRUSH background = nullptr);
  // WS_VISIBLE and WS_DISABLED as the model says.
  DWORD InitialState() const;
  void Unbind(HWND hwnd);
  void Forget(HWND hwnd);
  void SetText(HWND hwnd, const std::wstring& text);

 private:
  friend LRESULT CALLBACK OwnWindowProc(HWND, UINT, WPARAM, LPARAM);
  friend LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);
  // The standard control's own procedure, once subclassed.
  WNDPROC FOriginalProc = nullptr;
};

// The peer a window of ours belongs to, or null.
TPeer* PeerOf(HWND hwnd);
// Runs the action on the peer of the control and of every control in it.
void ForEachPeer(TControl& control, void (*action)(TPeer&));
HINSTANCE Instance();

// ---- The utility window ------------------------------------------------

// A hidden top-level tool window that owns the timers and the notification
// icons and answers a second start of the program. Top-level, not
// message-only, because only top-level windows receive the "TaskbarCreated"
// broadcast after Explorer restarts.
HWND UtilityWindow();
constexpr const wchar_t* kUtilityClass = L"Tollivane.Utility";
// The notification icons' callback message; wParam is the icon's id.
constexpr UINT kTrayCallback = WM_APP + 1;
// Background work posted what it was to do next on the GUI thread.
constexpr UINT kRunPosted = WM_APP + 2;
// The icon's id with the shell, 0 before it was first shown.
UINT TrayIconId(const TTrayIcon& icon);
// Whether the shell has the icon: it is added once the windows are painted.
bool TrayIconAdded(const TTrayIcon& icon);

// Runs one message through the dialog manager of its form, or dispatches it.
void DispatchOne(MSG& msg);
bool IsFormWindow(HWND hwnd);
TForm* FormOf(HWND hwnd);

}  // namespace win32
