#include "app/HintTracker.h"

#include "controls/Hint.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

HintTracker::HintTracker(QWidget* window) : QObject(window), window_(window) {
  qApp->installEventFilter(this);
}

HintTracker::~HintTracker() {
  qApp->removeEventFilter(this);
}

bool HintTracker::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || (widget != window_ && !window_->isAncestorOf(widget))) return false;
  switch (event->type()) {
    case QEvent::Enter:
      // Enter reaches every newly entered widget of a chain; the deepest one is under the mouse.
      if (!underMouse_ || !widget->isAncestorOf(underMouse_)) underMouse_ = widget;
      Update();
      break;
    case QEvent::Leave:
      // Leaving a control means being over its parent, unless a sibling's Enter follows.
      underMouse_ = widget == window_ ? nullptr : widget->parentWidget();
      Update();
      break;
    case QEvent::ToolTip:
      return !EffectiveShowHint(widget);
    default:
      break;
  }
  return false;
}

void HintTracker::Update() {
  QString hint;
  for (QWidget* w = underMouse_; w && hint.isEmpty(); w = w == window_ ? nullptr : w->parentWidget()) hint = Hint(w);
  hint = LongHint(hint);
  if (hint == hint_) return;
  hint_ = hint;
  if (OnHint) OnHint();
}
