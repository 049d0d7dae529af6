#include "audio/AudioDevice.h"

#include <algorithm>
#include <chrono>

namespace audio {

namespace {

// Blocks the null device keeps queued, like a real device's buffers.
constexpr int64_t kNullQueuedBlocks = 3;

}  // namespace

int64_t TPlayClock::Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void TPlayClock::Reset(uint32_t rate) {
  FRate = rate;
  FEnd = 0;
}

int64_t TPlayClock::Add(size_t count) {
  FEnd = std::max(FEnd, Now()) + Nanoseconds(count);
  return FEnd;
}

bool TNullDevice::Open(uint32_t rate) {
  std::lock_guard lock(FLock);
  FBlockFrames = rate / 100;  // 10 ms
  FInterrupted = false;
  FClock.Reset(rate);
  return true;
}

void TNullDevice::Close() {}

bool TNullDevice::WaitForRoom() {
  std::unique_lock lock(FLock);
  for (;;) {
    if (FInterrupted) return false;
    const int64_t early = FClock.EarlyBy((kNullQueuedBlocks - 1) * FBlockFrames);
    if (early <= 0) return true;
    FWake.wait_for(lock, std::chrono::nanoseconds(early));
  }
}

void TNullDevice::Write(const float*, size_t count) {
  std::lock_guard lock(FLock);
  FClock.Add(count);
}

void TNullDevice::Interrupt() {
  std::lock_guard lock(FLock);
  FInterrupted = true;
  FWake.notify_all();
}

bool TCaptureDevice::Open(uint32_t rate) {
  std::lock_guard lock(FLock);
  FRate = rate;
  FOpen = true;
  FInterrupted = false;
  FCredits = 0;
  return true;
}

void TCaptureDevice::Close() {
  std::lock_guard lock(FLock);
  FOpen = false;
  FWake.notify_all();
}

bool TCaptureDevice::WaitForRoom() {
  std::unique_lock lock(FLock);
  FWake.wait(lock, [this] { return FInterrupted || FCredits > 0; });
  return !FInterrupted;
}

void TCaptureDevice::Write(const float* frames, size_t count) {
  std::lock_guard lock(FLock);
  FFrames.insert(FFrames.end(), frames, frames + count * 2);
  if (FCredits > 0) --FCredits;
  ++FWritten;
  FWake.notify_all();
}

void TCaptureDevice::Interrupt() {
  std::lock_guard lock(FLock);
  FInterrupted = true;
  FWake.notify_all();
}

void TCaptureDevice::Step(size_t blocks) {
  std::unique_lock lock(FLock);
  if (!FOpen || FInterrupted) return;
  const uint64_t target = FWritten + FCredits + blocks;
  FCredits += blocks;
  FWake.notify_all();
  FWake.wait(lock, [&] { return FWritten >= target || !FOpen || FInterrupted; });
}

std::vector<float> TCaptureDevice::Take() {
  std::lock_guard lock(FLock);
  std::vector<float> frames;
  frames.swap(FFrames);
  return frames;
}

bool TCaptureDevice::IsOpen() {
  std::lock_guard lock(FLock);
  return FOpen;
}

}  // namespace audio
