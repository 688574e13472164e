#pragma once
// The tick service without a toolkit: its clocks, its registrations and what one tick does.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The clocks the tick service reads: a 32-bit millisecond tick count that wraps, and the wall clock.
class TTickClock {
 public:
  virtual ~TTickClock() = default;
  virtual std::uint32_t TickCount() const = 0;
  virtual std::chrono::system_clock::time_point Now() const = 0;
};

class TSystemTickClock final : public TTickClock {
 public:
  std::uint32_t TickCount() const override;
  std::chrono::system_clock::time_point Now() const override;
};

// Identity of a control that receives flash notifications; the toolkit layer delivers them.
using TFlashControl = void*;
using TFlashProc = std::function<void(std::uint32_t tim, std::int64_t param)>;

// One registration. Mode codes in Interval: 2 to 6 blink by that bit of the tick counter,
// 32 is the one-second pulse, anything else a repeat interval in milliseconds.
struct TFlash {
  TFlashControl Control = nullptr;
  TFlashProc Proc;
  std::int64_t Interval = 0;
  // Kept modulo 2^32 like the tick count, so a registration pending while the count wraps stays due on time.
  std::uint32_t NextDue = 0;
  bool LastState = false;
};

inline constexpr std::int64_t kFlashPulse = 32;

// The registrations of the application-wide tick service and what one tick does with them.
// Everything here runs on the user-interface thread.
class TFlashList {
 public:
  explicit TFlashList(const TTickClock& clock);

  // Delivers a notification to a registered control (the toolkit's WM_FLASH).
  std::function<void(TFlashControl control, std::uint32_t tim, std::int64_t param)> SendFlash;
  // Start and stop the ticking service; called by CreateTimer / DestroyTimer.
  std::function<void()> StartService;
  std::function<void()> StopService;
  std::function<bool()> ApplicationTerminating;

  void AddControl(TFlashControl control, std::int64_t interval);
  void AddProc(TFlashProc proc, std::int64_t interval);
  void DelControl(TFlashControl control);
  void DelControlNo(int index);
  void DelProcNo(int index);
  void CreateTimer();
  void DestroyTimer();
  void ClearFlashList();

  // One tick (the service's flash handler).
  void Flash();

  const TTickClock& Clock() const { return clock_; }
  std::uint32_t Tim() const { return tim_; }
  int Count() const { return static_cast<int>(list_.size()); }
  const TFlash& operator[](int index) const { return list_[static_cast<std::size_t>(index)]; }
  bool ServiceRunning() const { return serviceRunning_; }

 private:
  void Append(TFlash flash);
  void Notify(TFlashControl control, const TFlashProc& proc, std::int64_t param);
  bool Terminating() const;
  // Updates a record for this tick; returns the notification's second number when it is to be notified.
  std::optional<std::int64_t> Advance(TFlash& flash, std::uint32_t now, bool pulseTick);

  const TTickClock& clock_;
  std::vector<TFlash> list_;
  std::uint32_t tim_ = 0;
  std::chrono::system_clock::time_point nextSecPuls_;
  bool serviceRunning_ = false;
};
