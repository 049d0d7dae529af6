#include <gtest/gtest.h>

#include "audio/uSpectrumView.h"

namespace {

// Rows of column x that hold a bar.
int BarHeight(const TSpectrumBitmap& bitmap, int x) {
  int height = 0;
  for (int y = 0; y < bitmap.Height(); ++y) height += bitmap.Pixel(x, y) == TSpectrumView::kBarColor;
  return height;
}

TEST(SpectrumView, DrawsBarsAsLoudAsTheirBands) {
  TSpectrumView view(40, 30);
  TFFTData data{};
  data[1] = 1.0f;      // full scale, in the first bar
  data[400] = 0.001f;  // -60 dB: the floor, no bar
  const TSpectrumBitmap& bitmap = view.GetView(data, 4, -5);
  ASSERT_EQ(bitmap.Width(), 40);
  ASSERT_EQ(bitmap.Height(), 30);
  EXPECT_EQ(BarHeight(bitmap, 4), 25) << "from the row 5 above the bottom to the top";
  EXPECT_EQ(bitmap.Pixel(4, 29), TSpectrumView::kBackColor);
  EXPECT_EQ(BarHeight(bitmap, 3), 0) << "left of X";
  EXPECT_EQ(BarHeight(bitmap, 6), 0) << "the gap between bars";
  int others = 0;
  for (int x = 7; x < 40; ++x) others += BarHeight(bitmap, x);
  EXPECT_EQ(others, 0);

  data[1] = 0.0316f;  // -30 dB: half height
  EXPECT_NEAR(BarHeight(view.GetView(data, 4, -5), 4), 12.5, 1);
}

TEST(SpectrumView, DrawsOverTheBackgroundWhenItIsOn) {
  TSpectrumView view(10, 10);
  TSpectrumBitmap picture;
  picture.SetSize(10, 10);
  picture.Fill(0xFF0000FF);
  const TFFTData silence{};
  view.SetBackGround(true, picture);
  EXPECT_EQ(view.GetView(silence, 0, 0).Pixel(9, 9), 0xFF0000FFu);
  view.SetBackGround(false, picture);
  EXPECT_EQ(view.GetView(silence, 0, 0).Pixel(9, 9), TSpectrumView::kBackColor);
}

TEST(SpectrumView, ZeroSizeDrawsNothing) {
  TSpectrumView view(0, 0);
  TFFTData loud;
  loud.fill(1.0f);
  const TSpectrumBitmap& bitmap = view.GetView(loud, 10, -10);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
}

}  // namespace
