#pragma once
// An output device over a system's queue of sound buffers (waveOut): a few
// short buffers, refilled by the mixer thread as each comes back, so that a
// sound starts and stops within a few tens of milliseconds. A device that
// fails (unplugged mid-sound) is closed and the default one opened in its
// place; while none opens, the sound is dropped in real time, so that
// streams keep time, and the open is tried again now and then.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/AudioDevice.h"

namespace audio {

// What TBufferedDevice needs of the system: kBuffers buffers of 16-bit
// stereo, each queued in turn and handed back once played. Called from the
// mixer thread, except Wake.
class TOutputBackEnd {
 public:
  virtual ~TOutputBackEnd() = default;
  // Opens the system's default device with kBuffers buffers of blockFrames;
  // false when no device can be opened.
  virtual bool Open(uint32_t rate, size_t blockFrames) = 0;
  // Takes back every buffer and closes the device; nothing when closed.
  virtual void Close() = 0;
  // Copies frames into buffer index and queues it; false when the device
  // refused it.
  virtual bool Write(size_t index, const int16_t* samples, size_t frames) = 0;
  // Whether buffer index came back since its Write.
  virtual bool IsDone(size_t index) const = 0;
  // Returns when a buffer may have come back, after Wake, or after ms.
  virtual void Wait(uint32_t ms) = 0;
  // Ends the current or the next Wait, from any thread.
  virtual void Wake() = 0;
};

class TBufferedDevice : public TOutputDevice {
 public:
  // 4 buffers of 10 ms: 40 ms from a play to its sound at worst. Measured
  // under Wine 8 (winealsa; scripts/bench.sh audio) over 9 s of MP3: no
  // buffer ran dry on an idle machine, up to 3 while two compilers ran. 4
  // buffers of 20 ms cost about as much CPU (3-4 % of a core against 3-4.6 %):
  // Wine's audio client wakes every 10 ms whatever the buffers.
  static constexpr size_t kBuffers = 4;
  static constexpr uint32_t kBufferMs = 10;
  // A buffer not back this long after its sound should have played means
  // the device is gone. Under Wine they came back 1.7 ms late at worst (over
  // 1.5 s of MP3): 500 ms is no slow device, and still a short gap.
  static constexpr int64_t kLostAfterMs = 500;
  // How often an open that failed is tried again: twice a second is no cost
  // to the system, and a returning device is heard within half a second.
  static constexpr int64_t kRetryMs = 500;

  explicit TBufferedDevice(std::unique_ptr<TOutputBackEnd> backEnd);
  ~TBufferedDevice() override;
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

 protected:
  TOutputBackEnd& BackEnd() const { return *FBackEnd; }

 private:
  bool OpenBackEnd(int64_t now);
  // The device failed: closed, and opened again with a later Write.
  void Lose(int64_t now);
  bool IsFree(size_t index) const { return !FQueued[index] || FBackEnd->IsDone(index); }

  std::unique_ptr<TOutputBackEnd> FBackEnd;
  uint32_t FRate = 0;
  size_t FBlockFrames = 0;
  // Closed while the mixer has nothing to play (see Suspend) or after a
  // failure; the first Write from FRetryAt on opens it again.
  bool FOpen = false;
  int64_t FRetryAt = 0;
  bool FPlayed = false;  // a buffer came back since the open
  std::atomic<bool> FInterrupted{false};
  // The end of what was written, in real time: when each buffer should be
  // back, and the pace of the writes while no device is open.
  TPlayClock FClock;
  std::array<bool, kBuffers> FQueued{};
  std::array<int64_t, kBuffers> FDue{};
  size_t FNext = 0;
  std::vector<int16_t> FSamples;
  bool FFlowing = false;  // the last write came straight after the one before
  std::atomic<uint64_t> FUnderruns{0};
};

}  // namespace audio
