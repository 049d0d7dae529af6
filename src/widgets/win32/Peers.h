#pragma once
// Private to the win32 back end: the peers of the controls and the native
// menus that forms attach.

#include <memory>

#include "widgets/win32/Win32.h"

class TMainMenu;
class TMenu;

namespace win32 {

// The peer of a control (any kind but a form).
std::unique_ptr<TPeer> MakePeer(TControl& control);
std::unique_ptr<TPeer> MakeListPeer(TControl& control);

// A window of our own that paints itself through an off-screen buffer
// (WM_PAINT and WM_PRINTCLIENT alike).
class TPaintedPeer : public TPeer {
 public:
  using TPeer::TPeer;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual void Paint(HDC dc, const RECT& client) = 0;
};

// The menu bar's native menu, built on first use. Owned by the menu back
// end, not by the window it is attached to.
HMENU MainMenuHandle(TMainMenu& menu);

// Runs messages until `done` says so or WM_QUIT arrives; false when WM_QUIT
// was taken off the queue (its exit code in quitCode).
bool RunLoop(bool (*done)(void*), void* context, WPARAM& quitCode);

}  // namespace win32
