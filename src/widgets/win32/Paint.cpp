#include "widgets/win32/Paint.h"

#include <algorithm>

namespace win32 {

COLORREF Mix(COLORREF a, COLORREF b, double t) {
  auto channel = [t](int x, int y) { return static_cast<BYTE>(x + (y - x) * t + 0.5); };
  return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
             channel(GetBValue(a), GetBValue(b)));
}

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
  COLORREF old = SetBkColor(dc, color);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
  SetBkColor(dc, old);
}

void FillGradient(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  auto vertex = [](LONG x, LONG y, COLORREF c) {
    return TRIVERTEX{x,
                     y,
                     static_cast<COLOR16>(GetRValue(c) << 8),
                     static_cast<COLOR16>(GetGValue(c) << 8),
                     static_cast<COLOR16>(GetBValue(c) << 8),
                     0};
  };
  TRIVERTEX vertices[2] = {vertex(rect.left, rect.top, top), vertex(rect.right, rect.bottom, bottom)};
  GRADIENT_RECT mesh{0, 1};
  GradientFill(dc, vertices, 2, &mesh, 1, GRADIENT_FILL_RECT_V);
}

void RoundBox(HDC dc, const RECT& rect, int radius, COLORREF top, COLORREF bottom, COLORREF border) {
  // CreateRoundRectRgn excludes the right and bottom edges: one more pixel.
  HRGN region = CreateRoundRectRgn(rect.left, rect.top, rect.right + 1, rect.bottom + 1, radius * 2, radius * 2);
  int saved = SaveDC(dc);
  ExtSelectClipRgn(dc, region, RGN_AND);
  FillGradient(dc, rect, top, bottom);
  RestoreDC(dc, saved);
  DeleteObject(region);
  // The border on the same outline, drawn as a pen so that it is one pixel.
  HPEN pen = CreatePen(PS_SOLID, 1, border);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, radius * 2, radius * 2);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

void HorizontalLine(HDC dc, int left, int right, int y, COLORREF color) {
  RECT line{left, y, right, y + 1};
  FillSolid(dc, line, color);
}

TBuffer::TBuffer(HDC target, int width, int height) : FWidth(std::max(width, 1)), FHeight(std::max(height, 1)) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = FWidth;
  info.bmiHeader.biHeight = -FHeight;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  FBitmap = CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  FPixels = static_cast<uint32_t*>(bits);
  FDC = CreateCompatibleDC(target);
  FOldBitmap = SelectObject(FDC, FBitmap);
}

TBuffer::~TBuffer() {
  SelectObject(FDC, FOldBitmap);
  DeleteDC(FDC);
  DeleteObject(FBitmap);
}

void TBuffer::Glow(const RECT& ellipse, const RECT& clip, COLORREF color, double alpha) {
  if (!FPixels) return;
  Flush();
  double cx = (ellipse.left + ellipse.right) / 2.0, cy = (ellipse.top + ellipse.bottom) / 2.0;
  double rx = std::max(1.0, (ellipse.right - ellipse.left) / 2.0);
  double ry = std::max(1.0, (ellipse.bottom - ellipse.top) / 2.0);
  int left = std::max<int>({0, ellipse.left, clip.left}), right = std::min<int>({FWidth, ellipse.right, clip.right});
  int top = std::max<int>({0, ellipse.top, clip.top}), bottom = std::min<int>({FHeight, ellipse.bottom, clip.bottom});
  int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry, d = dx * dx + dy * dy;
      if (d >= 1) continue;
      double a = alpha * (1 - d) * (1 - d);
      uint32_t& p = FPixels[y * FWidth + x];
      int pr = (p >> 16) & 0xFF, pg = (p >> 8) & 0xFF, pb = p & 0xFF;
      pr += static_cast<int>((r - pr) * a);
      pg += static_cast<int>((g - pg) * a);
      pb += static_cast<int>((b - pb) * a);
      p = (pr << 16) | (pg << 8) | pb;
    }
}

void TBuffer::Disable(const RECT& rect, COLORREF background) {
  if (!FPixels) return;
  Flush();
  int br = GetRValue(background), bg = GetGValue(background), bb = GetBValue(background);
  for (int y = std::max<int>(0, rect.top); y < std::min<int>(FHeight, rect.bottom); ++y)
    for (int x = std::max<int>(0, rect.left); x < std::min<int>(FWidth, rect.right); ++x) {
      uint32_t& p = FPixels[y * FWidth + x];
      int grey = (((p >> 16) & 0xFF) * 30 + ((p >> 8) & 0xFF) * 59 + (p & 0xFF) * 11) / 100;
      // Half grey, half the background: pale and colourless.
      p = (((grey + br) / 2) << 16) | (((grey + bg) / 2) << 8) | ((grey + bb) / 2);
    }
}

void TBuffer::Blit(HDC target, int x, int y) const { BitBlt(target, x, y, FWidth, FHeight, FDC, 0, 0, SRCCOPY); }

}  // namespace win32
