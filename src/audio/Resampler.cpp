#include "audio/Resampler.h"

namespace audio {

namespace {

// Source frames asked of the decoder at a time: 256 keeps a decoder call per
// 5.8 ms of 44.1 kHz sound, and 2 KiB of buffer a stream.
constexpr size_t kInputFrames = 256;

}  // namespace

void TResampler::Reset(uint32_t inRate, uint32_t outRate, uint64_t position) {
  FSameRate = inRate == outRate;
  FStep = (static_cast<uint64_t>(inRate) << 32) / outRate;
  FPhase = 0;
  FPrimed = false;
  FDraining = false;
  FEnded = false;
  FPosition = position;
  FInput.resize(kInputFrames * 2);
  FInputPos = FInputCount = 0;
}

TResampler::TStatus TResampler::Pull(TDecoder& source, float* frame) {
  if (FInputPos == FInputCount) {
    const ptrdiff_t got = source.Read(FInput.data(), kInputFrames);
    if (got == TDecoder::kReadFailed) return rsFailed;
    if (got <= 0) return rsEnd;
    FInputPos = 0;
    FInputCount = static_cast<size_t>(got);
  }
  frame[0] = FInput[2 * FInputPos];
  frame[1] = FInput[2 * FInputPos + 1];
  ++FInputPos;
  return rsData;
}

size_t TResampler::Render(TDecoder& source, float* out, size_t frames, TStatus& status) {
  status = rsData;
  if (FSameRate) {
    size_t done = 0;
    while (done < frames) {
      const ptrdiff_t got = source.Read(out + 2 * done, frames - done);
      if (got == TDecoder::kReadFailed) {
        status = rsFailed;
        break;
      }
      if (got <= 0) {
        status = rsEnd;
        break;
      }
      done += static_cast<size_t>(got);
    }
    FPosition += done;
    return done;
  }

  if (FEnded) {
    status = rsEnd;
    return 0;
  }
  if (!FPrimed) {
    status = Pull(source, FPrev);
    if (status != rsData) return 0;
    if (Pull(source, FNext) != rsData) {
      // One frame, or a read error right after it: fade from it to silence.
      FNext[0] = FNext[1] = 0.0f;
      FDraining = true;
    }
    FPrimed = true;
  }
  size_t done = 0;
  for (; done < frames; ++done) {
    while (FPhase >= kOne) {
      if (FDraining) {
        FEnded = true;
        ++FPosition;
        status = rsEnd;
        return done;
      }
      float next[2];
      const TStatus pulled = Pull(source, next);
      if (pulled == rsFailed) {
        status = rsFailed;
        return done;
      }
      FPrev[0] = FNext[0];
      FPrev[1] = FNext[1];
      if (pulled == rsEnd) {
        // Toward silence over the last frame, rather than a step.
        FNext[0] = FNext[1] = 0.0f;
        FDraining = true;
      } else {
        FNext[0] = next[0];
        FNext[1] = next[1];
      }
      FPhase -= kOne;
      ++FPosition;
    }
    const float t = static_cast<float>(FPhase) * (1.0f / static_cast<float>(kOne));
    out[2 * done] = FPrev[0] + (FNext[0] - FPrev[0]) * t;
    out[2 * done + 1] = FPrev[1] + (FNext[1] - FPrev[1]) * t;
    FPhase += FStep;
  }
  return done;
}

}  // namespace audio
