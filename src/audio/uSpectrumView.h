#pragma once
// A spectrum drawn as bars into a bitmap of its own. The program creates one
// per player and never shows it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// 512 FFT magnitudes, and one more slot that the player leaves 0.
using TFFTData = std::array<float, 513>;

// 32-bit pixels (0xAARRGGBB), rows top down.
class TSpectrumBitmap {
 public:
  void SetSize(int32_t width, int32_t height);
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  uint32_t Pixel(int32_t x, int32_t y) const { return FPixels[static_cast<size_t>(y) * FWidth + x]; }
  void SetPixel(int32_t x, int32_t y, uint32_t color) { FPixels[static_cast<size_t>(y) * FWidth + x] = color; }
  void Fill(uint32_t color);
  // Copies the part of source that overlaps this bitmap, from the top left.
  void CopyFrom(const TSpectrumBitmap& source);

 private:
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  std::vector<uint32_t> FPixels;
};

class TSpectrumView {
 public:
  static constexpr uint32_t kBackColor = 0xFF000000;
  static constexpr uint32_t kBarColor = 0xFF30D040;
  static constexpr int32_t kBarWidth = 3;  // 2 pixels of bar, 1 of gap

  // Makes the drawing bitmap and the background bitmap, Width x Height.
  TSpectrumView(int32_t Width, int32_t Height);

  // Draws the background (or black), then one bar a kBarWidth pixels from
  // column X on, each the loudest of its share of the bands, low bands left,
  // standing on the row Y above the bottom (Y < 0 lifts them). Returns the
  // drawing bitmap.
  const TSpectrumBitmap& GetView(const TFFTData& FFTData, int32_t X, int32_t Y);

  // Copies BkgCanvas into the background bitmap and switches its use.
  void SetBackGround(bool Active, const TSpectrumBitmap& BkgCanvas);

 private:
  TSpectrumBitmap FDrawing;
  TSpectrumBitmap FBackground;
  bool FBackgroundActive = false;
};
