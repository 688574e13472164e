#include "app/FocusMark.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace {

constexpr int Thickness = 2;

}  // namespace

TFocusMark::TFocusMark(QWidget* window) : QWidget(window) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  hide();
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Follow(now); });
}

void TFocusMark::Follow(QWidget* focused) {
  for (const QPointer<QWidget>& widget : watched_)
    if (widget) widget->removeEventFilter(this);
  watched_.clear();
  marked_ = focused && focused->window() == parentWidget() ? focused : nullptr;
  for (QWidget* widget = marked_; widget && widget != parentWidget(); widget = widget->parentWidget()) {
    widget->installEventFilter(this);
    watched_.append(widget);
  }
  Place();
}

bool TFocusMark::eventFilter(QObject* watched, QEvent* event) {
  if (watched_.contains(static_cast<QWidget*>(watched))) {
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Show:
      case QEvent::Hide:
        Place();
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TFocusMark::Place() {
  if (!marked_ || !marked_->isVisible()) {
    hide();
    return;
  }
  const QPoint topLeft = marked_->mapTo(parentWidget(), QPoint(0, 0));
  setGeometry(QRect(topLeft, marked_->size()).adjusted(-Thickness, -Thickness, Thickness, Thickness));
  raise();
  show();
}

void TFocusMark::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QPen pen(palette().color(QPalette::Active, QPalette::Highlight), Thickness);
  pen.setJoinStyle(Qt::MiterJoin);
  painter.setPen(pen);
  painter.drawRect(rect().adjusted(Thickness / 2, Thickness / 2, -Thickness / 2, -Thickness / 2));
}
