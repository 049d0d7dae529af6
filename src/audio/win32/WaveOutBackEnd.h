#pragma once
// waveOut on WAVE_MAPPER, which follows the system's default device, as the
// buffer queue of a TBufferedDevice.

// clang-format off
// windows.h first: the others build on it.
#include <windows.h>
#include <mmsystem.h>
// clang-format on

#include <array>
#include <memory>
#include <vector>

#include "audio/BufferedDevice.h"

namespace audio {

class TWaveOutBackEnd : public TOutputBackEnd {
 public:
  TWaveOutBackEnd();
  ~TWaveOutBackEnd() override;
  bool Open(uint32_t rate, size_t blockFrames) override;
  void Close() override;
  bool Write(size_t index, const int16_t* samples, size_t frames) override;
  bool IsDone(size_t index) const override;
  void Wait(uint32_t ms) override;
  void Wake() override;

 private:
  struct TBuffers {
    std::array<WAVEHDR, TBufferedDevice::kBuffers> Headers{};
    std::array<std::vector<int16_t>, TBufferedDevice::kBuffers> Samples;
  };

  HWAVEOUT FWave = nullptr;
  HANDLE FDone = nullptr;  // auto reset: signalled by waveOut as each buffer returns, and by Wake
  std::unique_ptr<TBuffers> FBuffers;
};

}  // namespace audio
