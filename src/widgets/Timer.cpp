#include "widgets/Timer.h"

#include "widgets/Backend.h"
#include "widgets/Control.h"

TTimer::TTimer() = default;
TTimer::~TTimer() { backend::DestroyTimer(*this); }

void TTimer::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  backend::TimerChanged(*this);
}

void TTimer::SetInterval(uint32_t interval) {
  if (interval > kMaxTimerInterval) interval = kMaxTimerInterval;
  if (interval == FInterval) return;
  FInterval = interval;
  backend::TimerChanged(*this);
}

void TTimer::DoTimer() {
  if (FEnabled && OnTimer) Guarded(OnTimer);
}
