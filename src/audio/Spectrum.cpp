#include "audio/Spectrum.h"

#include <array>
#include <cmath>
#include <complex>
#include <numbers>

namespace audio {

namespace {

struct TTables {
  std::array<float, kFftSize> Window;
  std::array<std::complex<float>, kFftSize / 2> Twiddle;
  std::array<unsigned, kFftSize> Reversed;
  TTables() {
    for (size_t i = 0; i < kFftSize; ++i) {
      Window[i] = 0.5f - 0.5f * std::cos(2.0f * std::numbers::pi_v<float> * static_cast<float>(i) / kFftSize);
      unsigned r = 0;
      for (size_t bit = 1, rbit = kFftSize / 2; bit < kFftSize; bit <<= 1, rbit >>= 1)
        if (i & bit) r |= static_cast<unsigned>(rbit);
      Reversed[i] = r;
    }
    for (size_t k = 0; k < kFftSize / 2; ++k)
      Twiddle[k] = std::polar(1.0f, -2.0f * std::numbers::pi_v<float> * static_cast<float>(k) / kFftSize);
  }
};

const TTables& Tables() {
  static const TTables tables;
  return tables;
}

}  // namespace

void FftMagnitudes(const float* samples, float* out) {
  const TTables& t = Tables();
  std::array<std::complex<float>, kFftSize> x;
  for (size_t i = 0; i < kFftSize; ++i) x[t.Reversed[i]] = samples[i] * t.Window[i];
  for (size_t half = 1; half < kFftSize; half <<= 1) {
    const size_t stride = kFftSize / (2 * half);
    for (size_t start = 0; start < kFftSize; start += 2 * half) {
      for (size_t k = 0; k < half; ++k) {
        const std::complex<float> odd = x[start + k + half] * t.Twiddle[k * stride];
        x[start + k + half] = x[start + k] - odd;
        x[start + k] += odd;
      }
    }
  }
  // A sine of amplitude a on a bin sums to a * N / 4 under the Hann window.
  constexpr float kScale = 4.0f / kFftSize;
  for (size_t k = 0; k < kFftSize / 2; ++k) out[k] = std::abs(x[k]) * kScale;
}

}  // namespace audio
