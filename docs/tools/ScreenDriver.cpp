// Drives the running Tollivane.exe for the screenshots in docs/: one step a
// call, through the windows' own messages, so that it works at any DPI.
//   ScreenDriver select N        clicks list item N
//   ScreenDriver dblclick N      double-clicks list item N
//   ScreenDriver button CAPTION  presses the button with that caption
//   ScreenDriver close TITLE     closes the window with that title

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

HWND FindList() {
  HWND main = FindWindowW(nullptr, L"Tollivane");
  HWND found = nullptr;
  EnumChildWindows(
      main,
      [](HWND child, LPARAM param) -> BOOL {
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (_wcsicmp(name, L"ListBox") != 0) return TRUE;
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

void ClickItem(int index, bool twice) {
  HWND list = FindList();
  RECT item{};
  if (!list || SendMessageW(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) == LB_ERR) return;
  // Right of the check box, on the item's text.
  LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
  if (twice) {
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
  }
}

struct TSearch {
  const wchar_t* Caption;
  HWND Found;
};

BOOL CALLBACK FindButton(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<TSearch*>(param);
  wchar_t text[128] = {};
  GetWindowTextW(hwnd, text, 128);
  wchar_t name[32] = {};
  GetClassNameW(hwnd, name, 32);
  if (_wcsicmp(name, L"Button") == 0 && wcscmp(text, search->Caption) == 0 && IsWindowVisible(hwnd)) {
    search->Found = hwnd;
    return FALSE;
  }
  EnumChildWindows(hwnd, FindButton, param);
  return search->Found ? FALSE : TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring step = argv[1];
  if (step == L"select" || step == L"dblclick") {
    ClickItem(_wtoi(argv[2]), step == L"dblclick");
  } else if (step == L"button") {
    TSearch search{argv[2], nullptr};
    EnumWindows(FindButton, reinterpret_cast<LPARAM>(&search));
    if (!search.Found) return 1;
    PostMessageW(search.Found, BM_CLICK, 0, 0);
  } else if (step == L"close") {
    HWND window = FindWindowW(nullptr, argv[2]);
    if (!window) return 1;
    PostMessageW(window, WM_CLOSE, 0, 0);
  } else {
    return 2;
  }
  return 0;
}
