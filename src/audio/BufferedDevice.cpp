#include "audio/BufferedDevice.h"

#include <cmath>

namespace audio {

namespace {

constexpr int64_t kNsPerMs = 1'000'000;

}  // namespace

TBufferedDevice::TBufferedDevice(std::unique_ptr<TOutputBackEnd> backEnd) : FBackEnd(std::move(backEnd)) {}

TBufferedDevice::~TBufferedDevice() { Close(); }

bool TBufferedDevice::Open(uint32_t rate) {
  Close();
  FRate = rate;
  FBlockFrames = rate * kBufferMs / 1000;
  FSamples.resize(FBlockFrames * 2);
  FClock.Reset(rate);
  FInterrupted = false;
  // The system's device is opened by the first write, on the mixer thread,
  // as after every suspend: opened here, on the caller's thread, it cost the
  // program's start 40 ms under Wine, to be closed again unused. Without a
  // device the engine runs all the same, in time, and is heard once one opens.
  FOpen = false;
  FRetryAt = 0;
  return true;
}

bool TBufferedDevice::OpenBackEnd(int64_t now) {
  FOpen = FBackEnd->Open(FRate, FBlockFrames);
  if (!FOpen) FRetryAt = now + kRetryMs * kNsPerMs;
  FPlayed = false;
  FFlowing = false;
  FQueued.fill(false);
  FNext = 0;
  return FOpen;
}

void TBufferedDevice::Close() {
  FBackEnd->Close();
  FOpen = false;
  FQueued.fill(false);
}

void TBufferedDevice::Lose(int64_t now) {
  Close();
  // A device that played is tried again at once: the default may have moved
  // to another one. One that never played waits, or it would be retried
  // with every block.
  FRetryAt = FPlayed ? now : now + kRetryMs * kNsPerMs;
}

bool TBufferedDevice::WaitForRoom() {
  for (;;) {
    if (FInterrupted) return false;
    const int64_t now = TPlayClock::Now();
    int64_t waitNs;
    if (FOpen) {
      if (IsFree(FNext)) {
        FPlayed = FPlayed || FQueued[FNext];
        return true;
      }
      waitNs = FDue[FNext] + kLostAfterMs * kNsPerMs - now;
      if (waitNs <= 0) {
        Lose(now);
        continue;
      }
    } else {
      // No device: as many blocks ahead of real time as the buffers hold.
      waitNs = FClock.EarlyBy((kBuffers - 1) * FBlockFrames);
      if (waitNs <= 0) return true;
    }
    FBackEnd->Wait(static_cast<uint32_t>((waitNs + kNsPerMs - 1) / kNsPerMs));
  }
}

void TBufferedDevice::Suspend() {
  for (size_t i = 0; i < kBuffers; ++i)
    if (!IsFree(i)) return;  // still playing: closing now would cut it off
  // Wine's winealsa keeps a thread waking every 10 ms for as long as a
  // waveOut is open, paused or not: 2-3 % of a core for a sleeping program.
  Close();
  FRetryAt = 0;
}

void TBufferedDevice::Write(const float* frames, size_t count) {
  const int64_t now = TPlayClock::Now();
  if (!FOpen && now >= FRetryAt) OpenBackEnd(now);
  if (FOpen) {
    bool allPlayed = true;
    for (size_t i = 0; i < kBuffers; ++i) allPlayed = allPlayed && IsFree(i);
    if (FFlowing && allPlayed) ++FUnderruns;
    FFlowing = true;
    for (size_t i = 0; i < count * 2; ++i) FSamples[i] = static_cast<int16_t>(std::lrint(frames[i] * 32767.0f));
    if (FBackEnd->Write(FNext, FSamples.data(), count)) {
      FQueued[FNext] = true;
      FDue[FNext] = FClock.Add(count);
      FNext = (FNext + 1) % kBuffers;
      return;
    }
    Lose(now);
  }
  FClock.Add(count);  // dropped, in its time
}

void TBufferedDevice::Interrupt() {
  FInterrupted = true;
  FBackEnd->Wake();
}

}  // namespace audio
