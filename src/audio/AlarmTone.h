#pragma once
// The alarm tone the engine makes itself, for an alarm whose own sound
// cannot be played: four short beeps and a rest, twice over, 2 s in all.

#include "audio/Decoder.h"

namespace audio {

class TAlarmTone : public TDecoder {
 public:
  static constexpr uint32_t kRate = 44100;

  TAlarmTone();
  ptrdiff_t Read(float* stereo, size_t frames) override;
  bool Seek(uint64_t frame) override;

 private:
  uint64_t FPosition = 0;
};

}  // namespace audio
