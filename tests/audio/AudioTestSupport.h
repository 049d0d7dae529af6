#pragma once
// WAV files made in memory, and a fixture that runs the engine on a capture
// device that the test steps.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "audio/AudioDevice.h"
#include "audio/AudioEngine.h"
#include "audio/AudioTesting.h"

namespace audiotest {

inline void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

struct TWavFormat {
  uint16_t Tag = 1;  // 1 PCM, 3 float
  uint16_t Channels = 1;
  uint32_t Rate = 44100;
  uint16_t Bits = 16;
  bool Extensible = false;
};

// A RIFF/WAVE file around data, which holds whole frames of the format.
inline std::string MakeWav(const TWavFormat& f, const std::string& data) {
  const uint16_t blockAlign = static_cast<uint16_t>(f.Channels * f.Bits / 8);
  std::string fmt;
  PutLe(fmt, f.Extensible ? 0xFFFE : f.Tag, 2);
  PutLe(fmt, f.Channels, 2);
  PutLe(fmt, f.Rate, 4);
  PutLe(fmt, f.Rate * blockAlign, 4);
  PutLe(fmt, blockAlign, 2);
  PutLe(fmt, f.Bits, 2);
  if (f.Extensible) {
    PutLe(fmt, 22, 2);
    PutLe(fmt, f.Bits, 2);
    PutLe(fmt, f.Channels == 1 ? 0x4 : 0x3, 4);
    PutLe(fmt, f.Tag, 2);
    fmt += std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
  }
  std::string wav = "RIFF";
  PutLe(wav, static_cast<uint32_t>(4 + 8 + fmt.size() + 8 + data.size()), 4);
  wav += "WAVEfmt ";
  PutLe(wav, static_cast<uint32_t>(fmt.size()), 4);
  wav += fmt;
  wav += "data";
  PutLe(wav, static_cast<uint32_t>(data.size()), 4);
  return wav + data;
}

inline std::string Pcm16(const std::vector<int16_t>& samples) {
  std::string data;
  for (const int16_t s : samples) PutLe(data, static_cast<uint16_t>(s), 2);
  return data;
}

// Mono 16-bit, every sample the same: a level that shows in the mix.
inline std::string LevelWav(int16_t level, size_t frames, uint32_t rate = 44100) {
  return MakeWav({1, 1, rate, 16, false}, Pcm16(std::vector<int16_t>(frames, level)));
}

// Mono 16-bit: sample i is i, so a sample tells where it came from.
inline std::string RampWav(size_t frames) {
  std::vector<int16_t> samples(frames);
  for (size_t i = 0; i < frames; ++i) samples[i] = static_cast<int16_t>(i);
  return MakeWav({1, 1, 44100, 16, false}, Pcm16(samples));
}

// Mono 16-bit sine.
inline std::string SineWav(double hz, double amplitude, size_t frames, uint32_t rate = 44100) {
  std::vector<int16_t> samples(frames);
  for (size_t i = 0; i < frames; ++i)
    samples[i] =
        static_cast<int16_t>(std::lround(32767.0 * amplitude * std::sin(2 * std::numbers::pi * hz * i / rate)));
  return MakeWav({1, 1, rate, 16, false}, Pcm16(samples));
}

constexpr float kLevelA = 0.25f;   // 8192
constexpr float kLevelB = 0.125f;  // 4096
constexpr int16_t kPcmA = 8192;
constexpr int16_t kPcmB = 4096;
constexpr size_t kBlock = 441;

// The one value every sample of frames holds; NaN when they differ or there
// are none.
inline float SteadyLevel(const std::vector<float>& frames) {
  if (frames.empty()) return NAN;
  for (const float s : frames)
    if (s != frames[0]) return NAN;
  return frames[0];
}

// The engine on a capture device, initialised for each test and freed after.
class TCaptureEngine : public testing::Test {
 protected:
  void SetUp() override {
    audio::testing::UseDevice(FDevice);
    ASSERT_TRUE(Audio_Init(-1, 44100, 0, nullptr, nullptr));
  }
  void TearDown() override { Audio_Free(); }

  // The frames of the next blocks, as the mixer handed them over.
  std::vector<float> Next(size_t blocks = 1) {
    FDevice->Take();
    FDevice->Step(blocks);
    return FDevice->Take();
  }
  float NextLevel(size_t blocks = 1) { return SteadyLevel(Next(blocks)); }

  std::shared_ptr<audio::TCaptureDevice> FDevice = std::make_shared<audio::TCaptureDevice>(kBlock);
};

}  // namespace audiotest
