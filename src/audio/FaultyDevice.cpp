#include "audio/FaultyDevice.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace audio::testing {

namespace {

// Hands each buffer back once its sound would have played.
class TRealTimeOutput : public TOutputBackEnd {
 public:
  bool Open(uint32_t rate, size_t) override {
    std::lock_guard lock(FLock);
    FClock.Reset(rate);
    return true;
  }
  void Close() override {}
  bool Write(size_t index, const int16_t*, size_t frames) override {
    std::lock_guard lock(FLock);
    FDue[index] = FClock.Add(frames);
    return true;
  }
  bool IsDone(size_t index) const override {
    std::lock_guard lock(FLock);
    return TPlayClock::Now() >= FDue[index];
  }
  void Wait(uint32_t ms) override {
    std::unique_lock lock(FLock);
    const int64_t now = TPlayClock::Now();
    int64_t until = now + int64_t{ms} * 1'000'000;
    for (const int64_t due : FDue)
      if (due > now) until = std::min(until, due);
    FWake.wait_for(lock, std::chrono::nanoseconds(until - now), [this] { return FWoken; });
    FWoken = false;
  }
  void Wake() override {
    std::lock_guard lock(FLock);
    FWoken = true;
    FWake.notify_all();
  }

 private:
  mutable std::mutex FLock;
  std::condition_variable FWake;
  bool FWoken = false;
  TPlayClock FClock;
  std::array<int64_t, TBufferedDevice::kBuffers> FDue{};
};

}  // namespace

class TFaultyDevice::TFaults : public TOutputBackEnd {
 public:
  explicit TFaults(std::unique_ptr<TOutputBackEnd> inner) : FInner(std::move(inner)) {}

  bool Open(uint32_t rate, size_t blockFrames) override {
    {
      std::lock_guard lock(FLock);
      if (FFailOpens > 0) {
        --FFailOpens;
        return false;
      }
    }
    if (!FInner->Open(rate, blockFrames)) return false;
    std::lock_guard lock(FLock);
    FFailing = FStuck = false;
    FRefused.fill(false);
    ++FOpens;
    return true;
  }
  void Close() override { FInner->Close(); }
  bool Write(size_t index, const int16_t* samples, size_t frames) override {
    {
      std::lock_guard lock(FLock);
      // As waveOut: a buffer the device refused never comes back.
      FRefused[index] = FFailing;
      if (FFailing) return false;
    }
    if (!FInner->Write(index, samples, frames)) return false;
    uint64_t sound = 0;
    for (size_t i = 0; i < frames; ++i) sound += samples[2 * i] != 0 || samples[2 * i + 1] != 0;
    FSoundFrames += sound;
    return true;
  }
  bool IsDone(size_t index) const override {
    {
      std::lock_guard lock(FLock);
      if (FStuck || FRefused[index]) return false;
    }
    return FInner->IsDone(index);
  }
  void Wait(uint32_t ms) override { FInner->Wait(ms); }
  void Wake() override { FInner->Wake(); }

  mutable std::mutex FLock;
  bool FFailing = false;
  bool FStuck = false;
  int FFailOpens = 0;
  int FOpens = 0;
  std::atomic<uint64_t> FSoundFrames{0};

 private:
  std::array<bool, kBuffers> FRefused{};
  std::unique_ptr<TOutputBackEnd> FInner;
};

TFaultyDevice::TFaultyDevice(std::unique_ptr<TOutputBackEnd> inner)
    : TBufferedDevice(std::make_unique<TFaults>(inner ? std::move(inner) : std::make_unique<TRealTimeOutput>())) {}

TFaultyDevice::TFaults& TFaultyDevice::Faults() const { return static_cast<TFaults&>(BackEnd()); }

void TFaultyDevice::Fail(bool stuck) {
  std::lock_guard lock(Faults().FLock);
  (stuck ? Faults().FStuck : Faults().FFailing) = true;
}

void TFaultyDevice::FailOpens(int count) {
  std::lock_guard lock(Faults().FLock);
  Faults().FFailOpens = count;
}

uint64_t TFaultyDevice::SoundFrames() const { return Faults().FSoundFrames; }

int TFaultyDevice::Opens() const {
  std::lock_guard lock(Faults().FLock);
  return Faults().FOpens;
}

}  // namespace audio::testing
