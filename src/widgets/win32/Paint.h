#pragma once
// Drawing helpers of the owner-drawn controls: gradients, rounded boxes,
// glows, and an off-screen buffer so that painting never flickers.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace win32 {

// The colour a fraction t (0..1) of the way from a to b.
COLORREF Mix(COLORREF a, COLORREF b, double t);
void FillSolid(HDC dc, const RECT& rect, COLORREF color);
// A vertical gradient from `top` to `bottom` over the rectangle.
void FillGradient(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom);
// A box with rounded corners: gradient inside, one-pixel border.
void RoundBox(HDC dc, const RECT& rect, int radius, COLORREF top, COLORREF bottom, COLORREF border);
void HorizontalLine(HDC dc, int left, int right, int y, COLORREF color);

// A 32-bit top-down DIB with a memory DC; paint into DC(), then Blit().
class TBuffer {
 public:
  TBuffer(HDC target, int width, int height);
  ~TBuffer();
  TBuffer(const TBuffer&) = delete;
  TBuffer& operator=(const TBuffer&) = delete;

  HDC DC() const { return FDC; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Pixels as 0x00RRGGBB, row by row; valid after Flush.
  uint32_t* Pixels() const { return FPixels; }
  void Flush() const { GdiFlush(); }
  // A soft elliptic light of the colour, strongest (alpha 0..1) at the
  // centre and fading to nothing at the ellipse's edge, inside `clip` only.
  void Glow(const RECT& ellipse, const RECT& clip, COLORREF color, double alpha);
  // Turns the rectangle grey and pale, as a disabled picture looks.
  void Disable(const RECT& rect, COLORREF background);
  void Blit(HDC target, int x, int y) const;

 private:
  HDC FDC = nullptr;
  HBITMAP FBitmap = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
  uint32_t* FPixels = nullptr;
  int FWidth, FHeight;
};

// A 32-bit icon image of the program's resources at one size, read from the
// resource itself and blended into a buffer: making an icon object of it
// costs about a millisecond under Wine, the toolbar's four a tenth of the
// program's start.
class TIconImage {
 public:
  // The icon resource's image of exactly size x size pixels with an alpha
  // channel; false when it has none.
  bool Load(const std::wstring& name, int size);
  bool Empty() const { return FPixels.empty(); }
  // Blended in at x, y, as DrawIconEx draws it.
  void Draw(TBuffer& buffer, int x, int y) const;

 private:
  int FSize = 0;
  std::vector<uint32_t> FPixels;  // 0xAARRGGBB rows, top-down, alpha not premultiplied
};

}  // namespace win32
