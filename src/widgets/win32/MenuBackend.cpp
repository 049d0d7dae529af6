// Menu bars and popup menus, built from the model. A change of enabled
// state, caption or default item updates the native menu in place; only a
// change of its shape (items added, removed, shown or hidden) rebuilds it.

#include <cwctype>
#include <map>
#include <string>
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

bool IsKeyCharacter(wchar_t c) { return std::iswalnum(static_cast<std::wint_t>(c)) != 0; }

// The native texts of the visible items, separators included: each caption
// with an access key, distinct within the menu and shown as an underline
// only. The first letter of a word is taken where it is free, else any
// letter or digit; a caption without a free one has none. An "&" of the
// caption itself is doubled, so that it shows as it is.
std::vector<std::wstring> NativeTexts(const TMenuItem& parent) {
  std::vector<const TMenuItem*> items;
  for (auto& item : parent.Items())
    if (item->Visible()) items.push_back(item.get());
  std::vector<size_t> keys(items.size(), std::wstring::npos);
  std::wstring used;
  const auto take = [&used](wchar_t c) {
    const wchar_t folded = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    if (used.find(folded) != std::wstring::npos) return false;
    used += folded;
    return true;
  };
  for (const bool initialsOnly : {true, false})
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i]->IsSeparator() || keys[i] != std::wstring::npos) continue;
      const std::wstring& caption = items[i]->Caption();
      for (size_t at = 0; at < caption.size(); ++at) {
        const bool initial = at == 0 || !IsKeyCharacter(caption[at - 1]);
        if (IsKeyCharacter(caption[at]) && (initial || !initialsOnly) && take(caption[at])) {
          keys[i] = at;
          break;
        }
      }
    }
  std::vector<std::wstring> texts;
  for (size_t i = 0; i < items.size(); ++i) {
    std::wstring text;
    const std::wstring& caption = items[i]->Caption();
    for (size_t at = 0; at < caption.size(); ++at) {
      if (at == keys[i] || caption[at] == L'&') text += L'&';
      text += caption[at];
    }
    texts.push_back(items[i]->IsSeparator() ? std::wstring() : text);
  }
  return texts;
}

void Append(HMENU menu, const TMenuItem& parent) {
  const std::vector<std::wstring> texts = NativeTexts(parent);
  size_t visible = 0;
  for (auto& item : parent.Items()) {
    if (!item->Visible()) continue;
    const std::wstring& text = texts[visible++];
    if (item->IsSeparator()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING | (item->Enabled() ? MF_ENABLED : MF_GRAYED);
    if (!item->Items().empty()) {
      HMENU sub = CreatePopupMenu();
      Append(sub, *item);
      AppendMenuW(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str());
    } else {
      AppendMenuW(menu, flags, item->Id(), text.c_str());
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
  const std::vector<std::wstring> texts = NativeTexts(parent);
  UINT position = 0;
  int defaultPosition = -1;
  for (auto& item : parent.Items()) {
    if (!item->Visible()) continue;
    if (!item->IsSeparator()) {
      const std::wstring& text = texts[position];
      if (ItemText(menu, position) != text) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_STRING;
        info.dwTypeData = const_cast<wchar_t*>(text.c_str());
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
