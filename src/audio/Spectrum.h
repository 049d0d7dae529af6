#pragma once
// Magnitudes of a 1024-point FFT, for Audio_ChannelGetData.

#include <cstddef>

namespace audio {

constexpr size_t kFftSize = 1024;

// samples: the last kFftSize mono samples, oldest first. out: kFftSize / 2
// magnitudes, bin k at k * rate / kFftSize. A Hann window is applied, and
// the scale makes a full-scale sine on a bin read 1.0.
void FftMagnitudes(const float* samples, float* out);

}  // namespace audio
