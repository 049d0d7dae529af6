#include "audio/AlarmTone.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace audio {

namespace {

// The pitch of a beeper alarm clock, where the ear is keenest.
constexpr double kHz = 2000;
// -9 dBFS at its peaks, about 4 dB louder than the built-in sounds: a
// stand-in must not be the softer, but a pure tone at full scale would hurt.
constexpr double kLevel = 0.35;
constexpr uint64_t Frames(uint64_t ms) { return ms * TAlarmTone::kRate / 1000; }
constexpr uint64_t kBeepFrames = Frames(90);
constexpr uint64_t kBeepEvery = Frames(150);
constexpr uint64_t kBeeps = 4;
constexpr uint64_t kGroupFrames = Frames(1000);  // the beeps, then a rest
constexpr uint64_t kGroups = 2;
// Raised-cosine edges: a beep that starts or stops at once clicks.
constexpr uint64_t kRampFrames = Frames(5);

float Sample(uint64_t frame) {
  const uint64_t inGroup = frame % kGroupFrames;
  const uint64_t inBeep = inGroup % kBeepEvery;
  if (inGroup >= kBeeps * kBeepEvery || inBeep >= kBeepFrames) return 0;
  const uint64_t edge = std::min(inBeep, kBeepFrames - 1 - inBeep);
  const double gain =
      edge >= kRampFrames ? 1.0 : 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(edge) / kRampFrames);
  return static_cast<float>(kLevel * gain *
                            std::sin(2 * std::numbers::pi * kHz * static_cast<double>(inBeep) / TAlarmTone::kRate));
}

}  // namespace

TAlarmTone::TAlarmTone() {
  FFormat = {kRate, 1};
  FLengthFrames = kGroups * kGroupFrames;
}

ptrdiff_t TAlarmTone::Read(float* stereo, size_t frames) {
  const size_t n = static_cast<size_t>(std::min<uint64_t>(frames, FLengthFrames - FPosition));
  for (size_t i = 0; i < n; ++i) stereo[2 * i] = stereo[2 * i + 1] = Sample(FPosition + i);
  FPosition += n;
  return static_cast<ptrdiff_t>(n);
}

bool TAlarmTone::Seek(uint64_t frame) {
  if (frame > FLengthFrames) return false;
  FPosition = frame;
  return true;
}

}  // namespace audio
