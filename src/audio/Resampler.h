#pragma once
// Brings a decoder's frames to the device's rate by linear interpolation. It
// keeps its place between calls, so blocks join without a click.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/Decoder.h"

namespace audio {

class TResampler {
 public:
  enum TStatus { rsData, rsEnd, rsFailed };

  // Starts over at source frame position, converting inRate to outRate.
  void Reset(uint32_t inRate, uint32_t outRate, uint64_t position = 0);

  // Writes up to frames stereo frames at the output rate, pulling from
  // source. Fewer come back at the end of the source (status rsEnd) or when
  // it failed to read (rsFailed: the next call tries again).
  size_t Render(TDecoder& source, float* out, size_t frames, TStatus& status);

  // The source frame the next output frame starts at.
  uint64_t Position() const { return FPosition; }

 private:
  // Takes the next source frame into frame; rsData, rsEnd or rsFailed.
  TStatus Pull(TDecoder& source, float* frame);

  // 32.32 fixed point: a step of exactly 1.0 when the rates are equal keeps
  // every sample as it was.
  static constexpr uint64_t kOne = uint64_t{1} << 32;
  uint64_t FStep = kOne;
  uint64_t FPhase = 0;  // of the output between FPrev and FNext
  bool FSameRate = true;
  bool FPrimed = false;
  bool FDraining = false;  // the source ended; FNext is the silence after it
  bool FEnded = false;
  float FPrev[2] = {};
  float FNext[2] = {};
  uint64_t FPosition = 0;
  // Source frames read ahead, so that the decoder is called once a chunk.
  std::vector<float> FInput;
  size_t FInputPos = 0;
  size_t FInputCount = 0;
};

}  // namespace audio
