#include "audio/AudioDevice.h"

#include <algorithm>
#include <chrono>

namespace audio {

namespace {

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Blocks the null device keeps queued, like a real device's buffers.
constexpr int64_t kNullQueuedBlocks = 3;

}  // namespace

bool TNullDevice::Open(uint32_t rate) {
  std::lock_guard lock(FLock);
  FRate = rate;
  FBlockFrames = rate / 100;  // 10 ms
  FInterrupted = false;
  FPlayedUntil = 0;
  return true;
}

void TNullDevice::Close() {}

bool TNullDevice::WaitForRoom() {
  std::unique_lock lock(FLock);
  const int64_t blockNs = static_cast<int64_t>(FBlockFrames) * 1'000'000'000 / FRate;
  for (;;) {
    if (FInterrupted) return false;
    const int64_t ahead = FPlayedUntil - NowNs();
    if (ahead <= (kNullQueuedBlocks - 1) * blockNs) return true;
    FWake.wait_for(lock, std::chrono::nanoseconds(ahead - (kNullQueuedBlocks - 1) * blockNs));
  }
}

void TNullDevice::Write(const float*, size_t count) {
  std::lock_guard lock(FLock);
  // After a pause in the feed the device has run dry and starts afresh now.
  FPlayedUntil = std::max(FPlayedUntil, NowNs()) + static_cast<int64_t>(count) * 1'000'000'000 / FRate;
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
