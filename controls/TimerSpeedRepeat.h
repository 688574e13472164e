#pragma once
// Press-and-hold repeat of an arrow button on the tick service, without a toolkit.
#include "controls/FlashList.h"

#include <cstdint>

// Press-and-hold repeat of one arrow: registered with the tick service while a mouse button is held,
// clicking on each notification from StartDelay after the press on.
class TTimerSpeedRepeat {
 public:
  TTimerSpeedRepeat(TFlashList& service, TFlashControl self);
  ~TTimerSpeedRepeat();
  TTimerSpeedRepeat(const TTimerSpeedRepeat&) = delete;
  TTimerSpeedRepeat& operator=(const TTimerSpeedRepeat&) = delete;

  static constexpr int kMinInterval = 50;

  int Interval() const { return interval_; }
  // Values below 50 ms are ignored; this also keeps the arrow out of the blink and pulse mode codes.
  void SetInterval(int ms);
  std::uint32_t StartDelay() const { return startDelay_; }
  void SetStartDelay(std::uint32_t ms) { startDelay_ = ms; }
  bool TimerEnabled() const { return timerEnabled_; }
  void SetTimerEnabled(bool on) { timerEnabled_ = on; }
  std::uint32_t StartTime() const { return startTime_; }

  void Press();
  // A notification arrived: whether the arrow clicks now.
  bool ClickDue() const;
  void Release();
  bool Registered() const { return registered_; }

 private:
  TFlashList& service_;
  TFlashControl self_;
  int interval_ = 100;
  std::uint32_t startDelay_ = 500;
  bool timerEnabled_ = true;
  std::uint32_t startTime_ = 0;
  bool registered_ = false;
};
