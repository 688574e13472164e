#pragma once
// The tick components of the user-interface thread: the timer thread, TAbFlash and the tick service.
#include "controls/FlashList.h"

#include <QEvent>
#include <QObject>
#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

// Delivered synchronously to a registered control on each tick it is due.
inline constexpr QEvent::Type WM_FLASH = static_cast<QEvent::Type>(QEvent::User + 100);

class TFlashEvent : public QEvent {
 public:
  TFlashEvent(std::uint32_t tim, std::int64_t param) : QEvent(WM_FLASH), tim_(tim), param_(param) {}
  // The tick counter.
  std::uint32_t WParam() const { return tim_; }
  // Interval mode: lateness in ms; blink mode: the new state; pulse: 0.
  std::int64_t LParam() const { return param_; }

 private:
  std::uint32_t tim_;
  std::int64_t param_;
};

class TAbFlash;

// Sleeps tInterval ms, then hands the tick to the user-interface thread and waits until it is handled.
class TTimerThread : public QThread {
 public:
  explicit TTimerThread(TAbFlash* owner);
  ~TTimerThread() override;

  void SetInterval(int ms);
  // Pausing stands in for suspending the thread; a paused thread takes no ticks.
  void SetPaused(bool paused);
  void Close();
  // Called on the user-interface thread once the tick is handled.
  void TickDone() { tickDone_.release(); }

 protected:
  void run() override;

 private:
  bool Closed() const;
  bool SleepInterval();
  bool WaitForTick();

  TAbFlash* tOwner;
  int tInterval = 16;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool paused_ = true;
  bool terminate_ = false;
  QSemaphore tickDone_;
};

// A ticking component: OnTimer runs on the user-interface thread every tick interval while Enabled.
class TAbFlash : public QObject {
  Q_OBJECT
 public:
  static constexpr int kTickInterval = 16;

  explicit TAbFlash(QObject* parent = nullptr);
  ~TAbFlash() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  QThread::Priority ThreadPriority() const { return priority_; }
  void SetThreadPriority(QThread::Priority priority);
  void SetOnTimer(std::function<void(TAbFlash&)> handler);
  bool HasOnTimer() const { return static_cast<bool>(onTimer_); }

  // The tick, on the user-interface thread.
  void Timer();

 protected:
  bool event(QEvent* e) override;

 private:
  void UpdateTimer();

  bool enabled_ = true;
  QThread::Priority priority_ = QThread::NormalPriority;
  std::function<void(TAbFlash&)> onTimer_;
  std::atomic<bool> destroying_{false};
  TTimerThread thread_;
};

// The application-wide tick service behind dynFlashList; at most one per application.
class TAbFlashTimer : public TAbFlash {
  Q_OBJECT
 public:
  explicit TAbFlashTimer(QObject* parent = nullptr);
  ~TAbFlashTimer() override;

  // Shows the refusal of a second instance; replaceable so tests need no message box.
  static std::function<void(const QString& text, const QString& title)> ShowDuplicateError;

 private:
  bool active_ = false;
};

// The registrations of the application's tick service, on the system clock. The first registration
// starts the service, which then ticks until the application ends.
TFlashList& dynFlashList();
