#pragma once
// Output devices of the engine. The mixer thread asks a device for room,
// mixes one block into it and hands it over: the device paces the mixer.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace audio {

class TOutputDevice {
 public:
  virtual ~TOutputDevice() = default;
  // Opens the device for stereo frames at rate; false when it cannot be used.
  virtual bool Open(uint32_t rate) = 0;
  virtual void Close() = 0;
  // Frames in one block: what WaitForRoom makes room for and Write takes.
  virtual size_t BlockFrames() const = 0;
  // Waits until the device can take one more block; false once Interrupt was
  // called. Mixer thread only.
  virtual bool WaitForRoom() = 0;
  // Hands over one block of interleaved stereo floats in -1..1. Mixer thread.
  virtual void Write(const float* frames, size_t count) = 0;
  // Ends a wait in WaitForRoom, from another thread; the device is closed next.
  virtual void Interrupt() = 0;
  // The mixer has nothing to play and stops writing until the next play.
  virtual void Idle() {}
  // Nothing has been written for a while (all written has played): the
  // device may let go of the system's resources until the next Write.
  virtual void Suspend() {}
  // Whether the mixer keeps writing blocks of silence while nothing plays.
  // A real device would only burn time on them; it is left to run dry.
  virtual bool FeedsSilence() const { return false; }
};

// Where in real time the sound handed to a device ends, for a device that
// keeps time by the clock rather than by a sound card.
class TPlayClock {
 public:
  // Steady-clock nanoseconds.
  static int64_t Now();
  void Reset(uint32_t rate);
  // count frames more after those before, or from now when the device has
  // run dry since; returns the time they end.
  int64_t Add(size_t count);
  int64_t Nanoseconds(size_t frames) const { return static_cast<int64_t>(frames) * 1'000'000'000 / FRate; }
  // How long before the next write is due, for a device that holds
  // queuedFrames: 0 or less when it is due now.
  int64_t EarlyBy(size_t queuedFrames) const { return FEnd - Now() - Nanoseconds(queuedFrames); }

 private:
  uint32_t FRate = 44100;
  int64_t FEnd = 0;
};

// Plays nothing but keeps real time, so that streams advance as if heard.
class TNullDevice : public TOutputDevice {
 public:
  bool Open(uint32_t rate) override;
  void Close() override;
  size_t BlockFrames() const override { return FBlockFrames; }
  bool WaitForRoom() override;
  void Write(const float* frames, size_t count) override;
  void Interrupt() override;

 private:
  std::mutex FLock;
  std::condition_variable FWake;
  bool FInterrupted = false;
  size_t FBlockFrames = 441;
  TPlayClock FClock;
};

// Records every block the mixer hands over, and lets them through only as the
// test steps it: the test sees exactly which blocks came after which call,
// and a second of sound takes no second to check.
class TCaptureDevice : public TOutputDevice {
 public:
  explicit TCaptureDevice(size_t blockFrames = 441) : FBlockFrames(blockFrames) {}

  bool Open(uint32_t rate) override;
  void Close() override;
  size_t BlockFrames() const override { return FBlockFrames; }
  bool WaitForRoom() override;
  void Write(const float* frames, size_t count) override;
  void Interrupt() override;
  bool FeedsSilence() const override { return true; }

  // Lets the mixer hand over this many more blocks and waits until it has.
  // Returns at once when the device is not open.
  void Step(size_t blocks);
  // The interleaved stereo frames recorded since the last call.
  std::vector<float> Take();
  uint32_t Rate() const { return FRate; }
  bool IsOpen();

 private:
  std::mutex FLock;
  std::condition_variable FWake;
  const size_t FBlockFrames;
  uint32_t FRate = 0;
  bool FOpen = false;
  bool FInterrupted = false;
  size_t FCredits = 0;
  uint64_t FWritten = 0;
  std::vector<float> FFrames;
};

// The device Audio_Init opens: waveOut on Windows, the null device elsewhere.
std::shared_ptr<TOutputDevice> CreateDefaultDevice();

}  // namespace audio
