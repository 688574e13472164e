#include "controls/AbFlash.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>

namespace {
const QEvent::Type kTickRequest = static_cast<QEvent::Type>(QEvent::User + 101);

TAbFlashTimer* g_flashTimerInstance = nullptr;

// How long the tick thread waits at a time for the user-interface thread, so that it notices a close.
constexpr int kHandOffPollMs = 20;
}  // namespace

TTimerThread::TTimerThread(TAbFlash* owner) : tOwner(owner) {}

TTimerThread::~TTimerThread() {
  Close();
  wait();
}

void TTimerThread::SetInterval(int ms) {
  std::lock_guard lock(mutex_);
  tInterval = ms;
}

void TTimerThread::SetPaused(bool paused) {
  {
    std::lock_guard lock(mutex_);
    paused_ = paused;
  }
  wake_.notify_all();
  if (!paused && !isRunning()) start();
}

void TTimerThread::Close() {
  {
    std::lock_guard lock(mutex_);
    terminate_ = true;
  }
  wake_.notify_all();
}

bool TTimerThread::Closed() const {
  std::lock_guard lock(mutex_);
  return terminate_ || tOwner == nullptr || QCoreApplication::closingDown();
}

bool TTimerThread::SleepInterval() {
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [this] { return !paused_ || terminate_; });
  if (terminate_) return false;
  // A sleep cut short by a close takes no tick.
  return !wake_.wait_for(lock, std::chrono::milliseconds(tInterval), [this] { return terminate_; });
}

bool TTimerThread::WaitForTick() {
  while (!tickDone_.tryAcquire(1, kHandOffPollMs))
    if (Closed()) return false;
  return true;
}

void TTimerThread::run() {
  while (!Closed()) {
    if (!SleepInterval() || Closed()) break;
    QCoreApplication::postEvent(tOwner, new QEvent(kTickRequest));
    if (!WaitForTick()) break;
  }
}

TAbFlash::TAbFlash(QObject* parent) : QObject(parent), thread_(this) {
  thread_.SetInterval(kTickInterval);
}

TAbFlash::~TAbFlash() {
  destroying_ = true;
  enabled_ = false;
  onTimer_ = nullptr;
  thread_.Close();
  thread_.wait();
}

void TAbFlash::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  UpdateTimer();
}

void TAbFlash::SetThreadPriority(QThread::Priority priority) {
  if (priority == priority_) return;
  priority_ = priority;
  UpdateTimer();
}

void TAbFlash::SetOnTimer(std::function<void(TAbFlash&)> handler) {
  const bool hadHandler = static_cast<bool>(onTimer_);
  onTimer_ = std::move(handler);
  if (hadHandler != static_cast<bool>(onTimer_)) UpdateTimer();
}

void TAbFlash::UpdateTimer() {
  thread_.SetPaused(true);
  thread_.SetInterval(kTickInterval);
  if (enabled_ && onTimer_) {
    thread_.SetPaused(false);
    if (thread_.isRunning()) thread_.setPriority(priority_);
  }
}

void TAbFlash::Timer() {
  if (enabled_ && !destroying_ && onTimer_) onTimer_(*this);
}

bool TAbFlash::event(QEvent* e) {
  if (e->type() != kTickRequest) return QObject::event(e);
  // The tick thread waits for this; it must be released even if the handler throws.
  struct TRelease {
    TTimerThread& thread;
    ~TRelease() { thread.TickDone(); }
  } release{thread_};
  Timer();
  return true;
}

std::function<void(const QString&, const QString&)> TAbFlashTimer::ShowDuplicateError =
    [](const QString& text, const QString& title) { QMessageBox::critical(nullptr, title, text, QMessageBox::Ok); };

TAbFlashTimer::TAbFlashTimer(QObject* parent) : TAbFlash(parent) {
  if (g_flashTimerInstance) {
    ShowDuplicateError(QStringLiteral("Only one TAbFlashTimer per Application!\rRemove it..."),
                       QStringLiteral("Error Message"));
    return;
  }
  g_flashTimerInstance = this;
  active_ = true;
  SetOnTimer([](TAbFlash&) { dynFlashList().Flash(); });
}

TAbFlashTimer::~TAbFlashTimer() {
  if (active_) g_flashTimerInstance = nullptr;
}

namespace {
// The list on the system clock, wired to the Qt event system and to one TAbFlashTimer owned by the application.
struct TApplicationFlashList {
  TSystemTickClock clock;
  TFlashList list{clock};
  QPointer<TAbFlashTimer> service;

  TApplicationFlashList() {
    list.SendFlash = [](TFlashControl control, std::uint32_t tim, std::int64_t param) {
      TFlashEvent event(tim, param);
      QCoreApplication::sendEvent(static_cast<QObject*>(control), &event);
    };
    list.StartService = [this] { service = new TAbFlashTimer(QCoreApplication::instance()); };
    list.StopService = [this] { delete service.data(); };
    list.ApplicationTerminating = [] { return QCoreApplication::closingDown(); };
  }
};
}  // namespace

TFlashList& dynFlashList() {
  static TApplicationFlashList application;
  return application.list;
}
