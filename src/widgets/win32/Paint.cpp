#include "widgets/win32/Paint.h"

#include <algorithm>
#include <cstring>

#include "widgets/win32/Win32.h"

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

namespace {

WORD Word(const BYTE* at) { return static_cast<WORD>(at[0] | at[1] << 8); }

// The resource's bytes, or null.
const BYTE* ResourceBytes(const wchar_t* name, const wchar_t* type, DWORD& size) {
  HMODULE module = Instance();
  HRSRC resource = FindResourceW(module, name, type);
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  size = resource ? SizeofResource(module, resource) : 0;
  return loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
}

}  // namespace

bool TIconImage::Load(const std::wstring& name, int size) {
  FPixels.clear();
  FSize = 0;
  // The group: a 6-byte header, then 14-byte entries of width, height,
  // colours, reserved, planes, bit count, byte count and resource id.
  DWORD groupSize = 0;
  const BYTE* group = ResourceBytes(name.c_str(), RT_GROUP_ICON, groupSize);
  if (!group || groupSize < 6 || size <= 0 || size > 256) return false;
  for (DWORD i = 0, count = Word(group + 4); i < count && 6 + (i + 1) * 14 <= groupSize; ++i) {
    const BYTE* entry = group + 6 + i * 14;
    const int width = entry[0] ? entry[0] : 256, height = entry[1] ? entry[1] : 256;
    if (width != size || height != size || Word(entry + 6) != 32) continue;
    // The image: a BITMAPINFOHEADER of twice the height (colour, then the
    // mask, which 32 bits with alpha do not need), rows bottom-up.
    DWORD imageSize = 0;
    const BYTE* image = ResourceBytes(MAKEINTRESOURCEW(Word(entry + 12)), RT_ICON, imageSize);
    BITMAPINFOHEADER header{};
    if (!image || imageSize < sizeof(header)) return false;
    std::memcpy(&header, image, sizeof(header));
    const size_t pixels = static_cast<size_t>(size) * size;
    if (header.biSize < sizeof(header) || header.biWidth != size || header.biHeight != 2 * size ||
        header.biBitCount != 32 || header.biCompression != BI_RGB || header.biSize + pixels * 4 > imageSize)
      return false;
    std::vector<uint32_t> rows(pixels);
    const BYTE* bits = image + header.biSize;
    for (int y = 0; y < size; ++y)
      std::memcpy(&rows[static_cast<size_t>(y) * size], bits + static_cast<size_t>(size - 1 - y) * size * 4,
                  static_cast<size_t>(size) * 4);
    // No alpha at all: the mask would decide, which icon objects know.
    if (std::none_of(rows.begin(), rows.end(), [](uint32_t p) { return (p >> 24) != 0; })) return false;
    FPixels = std::move(rows);
    FSize = size;
    return true;
  }
  return false;
}

void TIconImage::Draw(TBuffer& buffer, int x, int y) const {
  uint32_t* target = buffer.Pixels();
  if (!target || FPixels.empty()) return;
  buffer.Flush();
  for (int row = std::max(0, -y); row < FSize && y + row < buffer.Height(); ++row)
    for (int column = std::max(0, -x); column < FSize && x + column < buffer.Width(); ++column) {
      const uint32_t source = FPixels[static_cast<size_t>(row) * FSize + column];
      const uint32_t alpha = source >> 24;
      if (alpha == 0) continue;
      uint32_t& pixel = target[static_cast<size_t>(y + row) * buffer.Width() + x + column];
      uint32_t blended = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t s = (source >> shift) & 0xFF, d = (pixel >> shift) & 0xFF;
        blended |= ((s * alpha + d * (255 - alpha) + 127) / 255) << shift;
      }
      pixel = blended;
    }
}

void TBuffer::Blit(HDC target, int x, int y) const { BitBlt(target, x, y, FWidth, FHeight, FDC, 0, 0, SRCCOPY); }

}  // namespace win32
