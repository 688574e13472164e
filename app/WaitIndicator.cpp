#include "app/WaitIndicator.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

namespace {

// A wait shorter than this stays unseen, so that quick answers do not flicker.
constexpr qint64 ShowAfterMs = 500;
constexpr int TickMs = 100;

}  // namespace

TWaitIndicator::TWaitIndicator(QWidget* bar, QWidget* window)
    : QWidget(bar),
      text_(new QLabel(this)),
      cancel_(new QPushButton("Cancel", this)),
      escape_(new QShortcut(QKeySequence(Qt::Key_Escape), window)) {
  setAutoFillBackground(true);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(2, 0, 0, 0);
  row->setSpacing(4);
  text_->setFrameShape(QFrame::Panel);
  text_->setFrameShadow(QFrame::Sunken);
  row->addWidget(text_, 1);
  cancel_->setCursor(Qt::ArrowCursor);
  row->addWidget(cancel_);
  escape_->setContext(Qt::WindowShortcut);
  escape_->setEnabled(false);
  auto cancel = [this] {
    if (OnCancel) OnCancel();
  };
  connect(cancel_, &QPushButton::clicked, this, cancel);
  connect(escape_, &QShortcut::activated, this, cancel);
  connect(&ticker_, &QTimer::timeout, this, [this] { Tick(); });
  hide();
}

void TWaitIndicator::Start(const QString& what) {
  what_ = what;
  elapsed_.start();
  escape_->setEnabled(true);
  ticker_.start(TickMs);
}

void TWaitIndicator::Stop() {
  ticker_.stop();
  escape_->setEnabled(false);
  hide();
  text_->clear();
  if (cursorShown_) QApplication::restoreOverrideCursor();
  cursorShown_ = false;
}

QString TWaitIndicator::Text() const {
  return isVisible() ? text_->text() : QString();
}

void TWaitIndicator::Tick() {
  const qint64 passed = elapsed_.elapsed();
  if (passed < ShowAfterMs) return;
  if (!cursorShown_) {
    // The arrow stays beside the hourglass: the window still answers.
    QApplication::setOverrideCursor(Qt::BusyCursor);
    cursorShown_ = true;
  }
  setGeometry(parentWidget()->rect());
  text_->setText(QString("%1\u2026 %2 s").arg(what_).arg(passed / 1000));
  if (isHidden()) {
    show();
    raise();
  }
}
