#pragma once
// A window timer of the GUI thread. It repeats every Interval milliseconds
// while enabled, and fires in modal loops too.

#include <cstdint>
#include <functional>

// The longest interval the program arms: a week, for a one-weekday alarm
// that has just gone off.
constexpr uint32_t kMaxTimerInterval = 604800000;

class TTimer {
 public:
  TTimer();
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  // Milliseconds, 1 to kMaxTimerInterval; 0 keeps the timer from running.
  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t interval);

  std::function<void()> OnTimer;
  // Runs OnTimer, guarded.
  void DoTimer();

  // A back end's handle for the timer; 0 when none is running.
  uintptr_t Id() const { return FId; }
  void SetId(uintptr_t id) { FId = id; }

 private:
  bool FEnabled = false;
  uint32_t FInterval = 1000;
  uintptr_t FId = 0;
};
