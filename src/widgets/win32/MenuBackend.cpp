// Menu bars and popup menus, built from the model. A change of enabled
// state, caption or default item updates the native menu in place; only a
// change of its shape (items added, removed, shown or hidden) rebuilds it.

#include <map>
#include <vector>

#include "widgets/Backend.h"
#include "widgets/Form.h"
#include "widgets/Menu.h"
#include "widgets/win32/Peers.h"

namespace win32 {

namespace {

struct TNativeMenu {
  HMENU Handle = nullptr;
  std::vector<unsigned> Shape;
};

std::map<TMenu*, TNativeMenu>& Menus() {
  // Never freed: menus may be destroyed during static destruction.
  static auto& menus = *new std::map<TMenu*, TNativeMenu>;
  return menus;
}

// The visible items' ids, separators and nesting, depth first.
void ShapeOf(const TMenuItem& parent, std::vector<unsigned>& shape) {
  for (auto& item : parent.Items()) {
    if (!item->Visible()) continue;
    shape.push_back(item->IsSeparator() ? 0 : item->Id());
    shape.push_back(static_cast<unsigned>(item->Items().size()));
    ShapeOf(*item, shape);
  }
}

std::vector<unsigned> ShapeOf(TMenu& menu) {
  std::vector<unsigned> shape;
  ShapeOf(menu.Items(), shape);
  return shape;
}

void Append(HMENU menu, const TMenuItem& parent) {
  for (auto& item : parent.Items()) {
    if (!item->Visible()) continue;
    if (item->IsSeparator()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING | (item->Enabled() ? MF_ENABLED : MF_GRAYED);
    if (!item->Items().empty()) {
      HMENU sub = CreatePopupMenu();
      Append(sub, *item);
      AppendMenuW(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), item->Caption().c_str());
    } else {
      AppendMenuW(menu, flags, item->Id(), item->Caption().c_str());
    }
  }
  for (auto& item : parent.Items())
    if (item->Visible() && item->Default()) SetMenuDefaultItem(menu, item->Id(), FALSE);
}

std::wstring ItemText(HMENU menu, UINT position) {
  wchar_t text[256] = {};
  GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
  return text;
}

// Same shape: captions, enabled states and the default item follow.
void Refresh(HMENU menu, const TMenuItem& parent) {
  UINT position = 0;
  int defaultPosition = -1;
  for (auto& item : parent.Items()) {
    if (!item->Visible()) continue;
    if (!item->IsSeparator()) {
      if (ItemText(menu, position) != item->Caption()) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STRING;
        info.dwTypeData = const_cast<wchar_t*>(item->Caption().c_str());
        SetMenuItemInfoW(menu, position, TRUE, &info);
      }
      EnableMenuItem(menu, position, MF_BYPOSITION | (item->Enabled() ? MF_ENABLED : MF_GRAYED));
      if (item->Default()) defaultPosition = static_cast<int>(position);
      if (!item->Items().empty()) Refresh(GetSubMenu(menu, static_cast<int>(position)), *item);
    }
    ++position;
  }
  SetMenuDefaultItem(menu, static_cast<UINT>(defaultPosition), TRUE);
}

HWND MenuBarWindow(TMenu& menu) {
  auto* bar = dynamic_cast<TMainMenu*>(&menu);
  return bar && bar->Form() ? static_cast<HWND>(bar->Form()->Handle()) : nullptr;
}

HMENU Build(TMenu& menu, bool popup) {
  HMENU handle = popup ? CreatePopupMenu() : CreateMenu();
  Append(handle, menu.Items());
  Menus()[&menu] = {handle, ShapeOf(menu)};
  menu.SetHandle(handle);
  return handle;
}

void Forget(TMenu& menu) {
  auto it = Menus().find(&menu);
  if (it == Menus().end()) return;
  HWND window = MenuBarWindow(menu);
  if (window && IsWindow(window) && GetMenu(window) == it->second.Handle) SetMenu(window, nullptr);
  if (IsMenu(it->second.Handle)) ::DestroyMenu(it->second.Handle);
  Menus().erase(it);
  menu.SetHandle(nullptr);
}

}  // namespace

HMENU MainMenuHandle(TMainMenu& menu) {
  auto it = Menus().find(&menu);
  return it != Menus().end() ? it->second.Handle : Build(menu, false);
}

}  // namespace win32

namespace backend {

using namespace win32;

void MenuChanged(TMenu& menu) {
  auto it = Menus().find(&menu);
  if (it == Menus().end()) return;  // built when first needed
  HWND window = MenuBarWindow(menu);
  if (ShapeOf(menu) != it->second.Shape) {
    bool popup = !window;
    HMENU old = it->second.Handle;
    HMENU fresh = Build(menu, popup);
    if (window && GetMenu(window) == old) SetMenu(window, fresh);
    ::DestroyMenu(old);
  } else {
    Refresh(it->second.Handle, menu.Items());
  }
  if (window) DrawMenuBar(window);
}

void DestroyMenu(TMenu& menu) { Forget(menu); }

void Popup(TPopupMenu& menu, int x, int y) {
  // Fresh states, as the menu bar gets them from WM_INITMENUPOPUP.
  Application.DoIdle();
  HMENU handle = Build(menu, true);
  // The menu's owner must be the foreground window, or the menu does not
  // close when the user clicks elsewhere (documented for TrackPopupMenu).
  HWND owner = GetForegroundWindow();
  if (!owner || GetWindowThreadProcessId(owner, nullptr) != GetCurrentThreadId()) {
    owner = UtilityWindow();
    SetForegroundWindow(owner);
  }
  UINT command = static_cast<UINT>(TrackPopupMenu(handle, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr));
  // Documented for notification-icon menus: a message to the owner lets a
  // second right click open the menu again.
  PostMessageW(owner, WM_NULL, 0, 0);
  Forget(menu);
  if (command)
    if (TMenuItem* item = menu.FindById(command)) item->DoClick();
}

}  // namespace backend
