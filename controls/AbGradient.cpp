#include "controls/AbGradient.h"

#include <QMouseEvent>
#include <QPainter>

TAbGradient::TAbGradient(QWidget* parent) : TAbGraphicControl(parent) {
  BeginUpdate();
  resize(50, 50);
  // Every pixel is painted, so nothing behind the control needs to be drawn first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  Loaded();
}

void TAbGradient::Loaded() {
  // Through Change, so that a change between BeginUpdate and EndUpdate waits for EndUpdate.
  gradSettings_.OnChange = [this](TAbPersistent&) { Change(); };
  EndUpdate();
}

void TAbGradient::ParamChange() {
  Invalidate();
}

void TAbGradient::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  AbGradFill(painter, rect(), gradSettings_.ColorFrom(), gradSettings_.ColorTo(), gradSettings_.Style());
}

void TAbGradient::mousePressEvent(QMouseEvent* event) {
  if (OnMouseDown) OnMouseDown(*this, *event);
}

void TAbGradient::mouseReleaseEvent(QMouseEvent* event) {
  if (OnMouseUp) OnMouseUp(*this, *event);
  if (OnClick && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) OnClick(*this);
}

void TAbGradient::mouseDoubleClickEvent(QMouseEvent*) {
  if (OnDblClick) OnDblClick(*this);
}
