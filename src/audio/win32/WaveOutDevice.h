#pragma once
// waveOut: a few short buffers, refilled by the mixer thread as each comes
// back, so that a sound starts and stops within a few tens of milliseconds.

// clang-format off
// windows.h first: the others build on it.
#include <windows.h>
#include <mmsystem.h>
// clang-format on

#include <array>
#include <cstdint>
#include <vector>

#include "audio/AudioDevice.h"

namespace audio {

class TWaveOutDevice : public TOutputDevice {
 public:
  // 4 buffers of 10 ms: 40 ms from a play to its sound at worst. Measured
  // under Wine 8 (winealsa; scripts/bench.sh audio) over 9 s of MP3: no
  // buffer ran dry on an idle machine, up to 3 while two compilers ran. 4
  // buffers of 20 ms cost about as much CPU (3-4 % of a core against 3-4.6 %):
  // Wine's audio client wakes every 10 ms whatever the buffers.
  static constexpr size_t kBuffers = 4;
  static constexpr uint32_t kBufferMs = 10;

  ~TWaveOutDevice() override;
  bool Open(uint32_t rate) override;
  void Close() override;
  size_t BlockFrames() const override { return FBlockFrames; }
  bool WaitForRoom() override;
  void Write(const float* frames, size_t count) override;
  void Interrupt() override;
  void Idle() override { FFlowing = false; }
  void Suspend() override;

  // Writes that found every buffer already played back: the sound had a gap.
  uint64_t Underruns() const { return FUnderruns; }

 private:
  bool OpenWave();
  void CloseWave();
  bool IsFree(size_t index) const;

  uint32_t FRate = 0;
  // Closed while the mixer has nothing to play (see Suspend), opened again
  // by the next Write.
  HWAVEOUT FWave = nullptr;
  HANDLE FDone = nullptr;       // signalled by waveOut as each buffer returns
  HANDLE FInterrupt = nullptr;  // manual reset: stays set until Close
  size_t FBlockFrames = 0;
  std::array<WAVEHDR, kBuffers> FHeaders{};
  std::array<std::vector<int16_t>, kBuffers> FBuffers;
  std::array<bool, kBuffers> FQueued{};
  size_t FNext = 0;
  bool FFlowing = false;  // the last write came straight after the one before
  uint64_t FUnderruns = 0;
};

}  // namespace audio
