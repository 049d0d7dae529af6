#pragma once
// Helpers of the win32 back end's tests: pumping messages, finding windows,
// reading pixels.

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "widgets/Form.h"
#include "widgets/win32/Win32.h"

namespace testing_win32 {

// Runs messages as the program's loop does until `done` holds. Gives up
// after a generous bound so that a broken back end fails instead of hanging
// the run; the bound is no part of what is tested.
inline bool PumpUntil(const std::function<bool()>& done) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > 20000) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return done();
      win32::DispatchOne(msg);
    }
  }
  return true;
}

// Lets every message that is already queued run.
inline void Flush() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) win32::DispatchOne(msg);
}

inline HWND Hwnd(const TControl& control) { return static_cast<HWND>(control.Handle()); }

inline std::wstring Text(HWND hwnd) {
  wchar_t text[1024] = {};
  GetWindowTextW(hwnd, text, 1024);
  return text;
}

inline LONG_PTR Style(HWND hwnd) { return GetWindowLongPtrW(hwnd, GWL_STYLE); }
inline LONG_PTR ExStyle(HWND hwnd) { return GetWindowLongPtrW(hwnd, GWL_EXSTYLE); }

inline std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return name;
}

// The window's rectangle in its parent's client coordinates.
inline RECT RectInParent(HWND hwnd) {
  RECT rect;
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

inline UINT FormDpi(const TControl& control) {
  return static_cast<win32::TPeer*>(const_cast<TControl&>(control).Form()->Peer())->Dpi();
}

// The client area's pixels as 0x00BBGGRR (COLORREF), painted afresh.
struct TPixels {
  int Width = 0, Height = 0;
  std::vector<COLORREF> Data;
  COLORREF At(int x, int y) const { return Data[static_cast<size_t>(y) * Width + x]; }
  int Count(int left, int top, int right, int bottom, const std::function<bool(COLORREF)>& match) const {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += match(At(x, y));
    return n;
  }
};

inline TPixels Capture(HWND hwnd) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT client;
  GetClientRect(hwnd, &client);
  TPixels pixels;
  pixels.Width = client.right;
  pixels.Height = client.bottom;
  HDC window = GetDC(hwnd);
  HDC memory = CreateCompatibleDC(window);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = client.right;
  info.bmiHeader.biHeight = -client.bottom;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, client.right, client.bottom, window, 0, 0, SRCCOPY);
  GdiFlush();
  auto* p = static_cast<uint32_t*>(bits);
  for (int i = 0; i < client.right * client.bottom; ++i)
    pixels.Data.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(hwnd, window);
  return pixels;
}

inline bool Near(COLORREF a, COLORREF b, int tolerance = 6) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

}  // namespace testing_win32
