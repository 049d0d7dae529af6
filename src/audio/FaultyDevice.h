#pragma once
// An output device for tests that fails the way an unplugged one does.

#include <cstdint>
#include <memory>

#include "audio/BufferedDevice.h"

namespace audio::testing {

// Plays in real time like TNullDevice (or through inner, waveOut say), with
// the buffer and recovery logic of the waveOut device, and can be made to
// fail as a device that is unplugged. Install it with UseDevice.
class TFaultyDevice : public TBufferedDevice {
 public:
  explicit TFaultyDevice(std::unique_ptr<TOutputBackEnd> inner = nullptr);
  // From now until the device is opened again, every write fails; stuck:
  // writes are taken, but no buffer ever comes back. A device closed while
  // the engine is idle opens afresh with the next sound, and works.
  void Fail(bool stuck = false);
  // The next count opens fail, as while no device is plugged in.
  void FailOpens(int count);
  // Frames not silent in the writes the device took.
  uint64_t SoundFrames() const;
  // Opens that succeeded, the first (Audio_Init's) included.
  int Opens() const;

 private:
  class TFaults;
  TFaults& Faults() const;
};

}  // namespace audio::testing
