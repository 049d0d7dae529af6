#include "audio/uSpectrumView.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// Bars read magnitudes in decibels from kFloorDb (nothing) to 0 (full).
constexpr float kFloorDb = -60.0f;
constexpr size_t kBands = 512;

}  // namespace

void TSpectrumBitmap::SetSize(int32_t width, int32_t height) {
  FWidth = std::max(width, 0);
  FHeight = std::max(height, 0);
  FPixels.assign(static_cast<size_t>(FWidth) * FHeight, 0);
}

void TSpectrumBitmap::Fill(uint32_t color) { std::fill(FPixels.begin(), FPixels.end(), color); }

void TSpectrumBitmap::CopyFrom(const TSpectrumBitmap& source) {
  const int32_t width = std::min(FWidth, source.FWidth);
  const int32_t height = std::min(FHeight, source.FHeight);
  for (int32_t y = 0; y < height; ++y)
    std::copy_n(source.FPixels.begin() + static_cast<ptrdiff_t>(y) * source.FWidth, width,
                FPixels.begin() + static_cast<ptrdiff_t>(y) * FWidth);
}

TSpectrumView::TSpectrumView(int32_t Width, int32_t Height) {
  FDrawing.SetSize(Width, Height);
  FBackground.SetSize(Width, Height);
}

const TSpectrumBitmap& TSpectrumView::GetView(const TFFTData& FFTData, int32_t X, int32_t Y) {
  if (FBackgroundActive)
    FDrawing.CopyFrom(FBackground);
  else
    FDrawing.Fill(kBackColor);
  const int32_t baseline = FDrawing.Height() - 1 + Y;
  const int32_t bars = (FDrawing.Width() - std::max(X, 0)) / kBarWidth;
  if (bars <= 0 || baseline < 0) return FDrawing;
  // Bands shared out on a logarithmic scale, as the ear hears them, and at
  // least one a bar: bar i covers [first(i), first(i + 1)). Band 0 (the DC
  // offset) is left out.
  const auto first = [&](int32_t bar) {
    const auto logarithmic = static_cast<size_t>(std::pow(static_cast<float>(kBands), static_cast<float>(bar) / bars));
    return std::min(std::max(static_cast<size_t>(bar) + 1, logarithmic), kBands);
  };
  for (int32_t bar = 0; bar < bars; ++bar) {
    const size_t from = std::min(first(bar), kBands - 1);
    const size_t to = std::max(from + 1, first(bar + 1));
    const float level =
        *std::max_element(FFTData.begin() + static_cast<ptrdiff_t>(from), FFTData.begin() + static_cast<ptrdiff_t>(to));
    const float db = level > 0.0f ? 20.0f * std::log10(level) : kFloorDb;
    const float share = std::clamp((db - kFloorDb) / -kFloorDb, 0.0f, 1.0f);
    const int32_t height = static_cast<int32_t>(std::lround(share * static_cast<float>(baseline + 1)));
    const int32_t left = std::max(X, 0) + bar * kBarWidth;
    for (int32_t y = std::min(baseline, FDrawing.Height() - 1); y > baseline - height; --y)
      for (int32_t x = left; x < left + kBarWidth - 1; ++x) FDrawing.SetPixel(x, y, kBarColor);
  }
  return FDrawing;
}

void TSpectrumView::SetBackGround(bool Active, const TSpectrumBitmap& BkgCanvas) {
  FBackground.Fill(kBackColor);
  FBackground.CopyFrom(BkgCanvas);
  FBackgroundActive = Active;
}
