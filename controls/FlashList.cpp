#include "controls/FlashList.h"

#include <stdexcept>

namespace {
constexpr std::chrono::seconds OneSec{1};
constexpr std::uint32_t kMaxLateness = 1000;

bool IsBlinkMode(std::int64_t mode) {
  return mode >= 2 && mode <= 6;
}

// True when tick a is at or past tick b on the wrapping 32-bit clock.
bool AtOrPast(std::uint32_t a, std::uint32_t b) {
  return static_cast<std::int32_t>(a - b) >= 0;
}
}  // namespace

std::uint32_t TSystemTickClock::TickCount() const {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<std::uint32_t>(ms.count());
}

std::chrono::system_clock::time_point TSystemTickClock::Now() const {
  return std::chrono::system_clock::now();
}

TFlashList::TFlashList(const TTickClock& clock) : clock_(clock) {}

bool TFlashList::Terminating() const {
  return ApplicationTerminating && ApplicationTerminating();
}

void TFlashList::Append(TFlash flash) {
  list_.push_back(std::move(flash));
  CreateTimer();
}

void TFlashList::AddControl(TFlashControl control, std::int64_t interval) {
  if (!control) return;
  const std::uint32_t due = clock_.TickCount() + static_cast<std::uint32_t>(interval);
  for (TFlash& f : list_) {
    if (f.Control == control) {
      f.Interval = interval;
      f.NextDue = due;
      CreateTimer();
      return;
    }
  }
  Append({control, {}, interval, due, false});
}

void TFlashList::AddProc(TFlashProc proc, std::int64_t interval) {
  if (!proc) return;
  Append({nullptr, std::move(proc), interval, clock_.TickCount() + static_cast<std::uint32_t>(interval), false});
}

void TFlashList::DelControl(TFlashControl control) {
  for (auto it = list_.begin(); it != list_.end(); ++it) {
    if (it->Control == control) {
      list_.erase(it);
      break;
    }
  }
  if (Terminating() && list_.empty()) DestroyTimer();
}

void TFlashList::DelControlNo(int index) {
  if (index < 0 || index >= Count()) return;
  list_.erase(list_.begin() + index);
}

void TFlashList::DelProcNo(int index) {
  DelControlNo(index);
}

void TFlashList::CreateTimer() {
  if (serviceRunning_) return;
  nextSecPuls_ = clock_.Now() + OneSec;
  serviceRunning_ = true;
  if (StartService) StartService();
}

void TFlashList::DestroyTimer() {
  if (!serviceRunning_) return;
  serviceRunning_ = false;
  if (StopService) StopService();
}

void TFlashList::ClearFlashList() {
  list_.clear();
}

void TFlashList::Notify(TFlashControl control, const TFlashProc& proc, std::int64_t param) {
  if (control) {
    if (SendFlash) SendFlash(control, tim_, param);
  } else {
    proc(tim_, param);
  }
}

std::optional<std::int64_t> TFlashList::Advance(TFlash& flash, std::uint32_t now, bool pulseTick) {
  if (IsBlinkMode(flash.Interval)) {
    const bool state = ((tim_ >> flash.Interval) & 1u) != 0;
    if (state == flash.LastState) return std::nullopt;
    flash.LastState = state;
    return state ? 1 : 0;
  }
  if (flash.Interval == kFlashPulse) {
    if (!pulseTick) return std::nullopt;
    return 0;
  }
  if (!AtOrPast(now, flash.NextDue)) return std::nullopt;
  std::uint32_t lateness = now - flash.NextDue;
  if (lateness > kMaxLateness) lateness = 0;
  // The next due time stays on the grid of the first one, however late this tick came.
  flash.NextDue = now + static_cast<std::uint32_t>(flash.Interval) - lateness;
  return lateness;
}

void TFlashList::Flash() {
  ++tim_;
  const std::uint32_t now = clock_.TickCount();
  bool pulseTick = false;
  if (clock_.Now() >= nextSecPuls_) {
    nextSecPuls_ += OneSec;
    pulseTick = true;
  }
  // Handlers may unregister (or register) while the list is scanned, so the count is read on every
  // step and nothing of a record is used by reference once its handler runs.
  for (int i = 0; i < Count(); ++i) {
    if (Terminating()) return;
    TFlash& flash = list_[static_cast<std::size_t>(i)];
    if (!flash.Control && !flash.Proc) continue;
    const auto param = Advance(flash, now, pulseTick);
    if (!param) continue;
    const TFlashControl control = flash.Control;
    const TFlashProc proc = flash.Proc;
    try {
      Notify(control, proc, *param);
    } catch (const std::overflow_error&) {
    } catch (const std::range_error&) {
    }
  }
}
