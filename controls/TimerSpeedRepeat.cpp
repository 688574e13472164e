#include "controls/TimerSpeedRepeat.h"

TTimerSpeedRepeat::TTimerSpeedRepeat(TFlashList& service, TFlashControl self) : service_(service), self_(self) {}

TTimerSpeedRepeat::~TTimerSpeedRepeat() {
  Release();
}

void TTimerSpeedRepeat::SetInterval(int ms) {
  if (ms >= kMinInterval) interval_ = ms;
}

void TTimerSpeedRepeat::Press() {
  if (!timerEnabled_) return;
  startTime_ = service_.Clock().TickCount() + startDelay_;
  service_.AddControl(self_, interval_);
  registered_ = true;
}

bool TTimerSpeedRepeat::ClickDue() const {
  // Compared on the wrapping clock, so a press just before the tick count wraps still waits its delay.
  return static_cast<std::int32_t>(service_.Clock().TickCount() - startTime_) >= 0;
}

void TTimerSpeedRepeat::Release() {
  if (!registered_) return;
  registered_ = false;
  service_.DelControl(self_);
}
