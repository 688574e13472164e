// The window's database calls off its thread: what is held meanwhile, the wait shown, cancelling.
#include "app/Birthday.h"
#include "app/StatusBar.h"
#include "app/WaitIndicator.h"
#include "controls/DBGrid.h"
#include "controls/DBNavigator.h"
#include "wire/HostList.h"
#include "wire/WaitBreaker.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QPointer>
#include <QTimer>

namespace {

// Disables controls for the length of a wait and gives each back its own state and the focus.
class THeldControls {
 public:
  explicit THeldControls(const std::vector<QWidget*>& controls) : focus_(QApplication::focusWidget()) {
    for (QWidget* control : controls) {
      held_.push_back({control, !control->testAttribute(Qt::WA_ForceDisabled)});
      control->setEnabled(false);
    }
  }
  void Release() {
    for (const auto& [control, enabled] : held_) control->setEnabled(enabled);
    if (focus_ && focus_->isEnabled()) focus_->setFocus();
  }

 private:
  std::vector<std::pair<QWidget*, bool>> held_;
  QPointer<QWidget> focus_;
};

// The controls that would use the session or the pixel query.
std::vector<QWidget*> SessionControls(const TfrmBirthday& form) {
  return {form.gbDirectAccess, form.gbControls, form.tsPixels, form.navPixels};
}

}  // namespace

void TfrmBirthday::Wait(const QString& what, const std::function<void()>& work) {
  waitWhat_ = what;
  cancelledWait_.clear();
  waitBreaker_->Reset();
  // The worker owns the session and the pixel query: nothing on this thread may use them.
  THeldControls held(SessionControls(*this));
  mnuConnectionSecurity->setEnabled(false);
  quPixels.DisableControls();
  gridPixels->HoldOffDataSet(true);
  waitIndicator->Start(what);

  const std::exception_ptr failure = background_.Run(work);

  waitIndicator->Stop();
  gridPixels->HoldOffDataSet(false);
  held.Release();
  mnuConnectionSecurity->setEnabled(true);
  // Connection events come after the controls are given back, which they may change again.
  background_.DeliverNotifications();
  quPixels.EnableControls();
  if (!failure) cancelledWait_.clear();  // a host list may have moved on to a host that answered
  if (closeAfterWait_) {
    closeAfterWait_ = false;
    QTimer::singleShot(0, this, [this] { close(); });
  }
  if (failure) std::rethrow_exception(failure);
}

void TfrmBirthday::HoldWindow(std::chrono::milliseconds pause) {
  if (pause.count() <= 0) return;
  THeldControls held(SessionControls(*this));
  QEventLoop loop;
  QTimer::singleShot(pause, &loop, &QEventLoop::quit);
  loop.exec();
  held.Release();
}

void TfrmBirthday::CancelWait() {
  if (!background_.Running()) return;
  cancelledWait_ = waitWhat_;
  waitBreaker_->Break();
}

bool TfrmBirthday::ReportIfCancelled() {
  if (cancelledWait_.isEmpty()) return false;
  sbStatus->ShowMessage(CancelledText(cancelledWait_));
  cancelledWait_.clear();
  return true;
}

QString TfrmBirthday::ConnectingText() const {
  QStringList hosts;
  try {
    for (const THostAddress& host : ParseHostList(conDB.Server(), conDB.Port()))
      hosts << QString::fromStdString(host.Text());
  } catch (const std::exception&) {
    hosts << QString::fromStdString(conDB.Server());  // the connect says what is wrong with it
  }
  return "Connecting to " + hosts.join(", ");
}
