#include "controls/AbTimerSpeedBtn.h"

#include "controls/AbFlash.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

TAbTimerSpeedBtn::TAbTimerSpeedBtn(QWidget* parent) : TAbTimerSpeedBtn(dynFlashList(), parent) {}

TAbTimerSpeedBtn::TAbTimerSpeedBtn(TFlashList& service, QWidget* parent)
    : QAbstractButton(parent), repeat_(service, static_cast<QObject*>(this)) {
  setFocusPolicy(Qt::NoFocus);
}

void TAbTimerSpeedBtn::SetGlyph(const QPixmap& glyph, int numGlyphs) {
  glyph_ = glyph;
  numGlyphs_ = numGlyphs < 1 ? 1 : numGlyphs;
  update();
}

void TAbTimerSpeedBtn::ReleaseHold() {
  repeat_.Release();
  setDown(false);
}

void TAbTimerSpeedBtn::mousePressEvent(QMouseEvent* e) {
  QAbstractButton::mousePressEvent(e);
  emit MouseDown(e->button());
  repeat_.Press();
}

bool TAbTimerSpeedBtn::event(QEvent* e) {
  if (e->type() == WM_FLASH) {
    // Also when the arrow was disabled meanwhile: the step then only beeps at its limit.
    if (repeat_.ClickDue()) emit clicked(false);
    return true;
  }
  if (e->type() == QEvent::MouseButtonRelease) {
    // Handled here because a disabled button (its limit reached during the hold) gets no release.
    const bool handled = QAbstractButton::event(e);
    repeat_.Release();
    return handled;
  }
  return QAbstractButton::event(e);
}

void TAbTimerSpeedBtn::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionButton option;
  option.initFrom(this);
  option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
  style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
  if (glyph_.isNull()) return;

  const int glyphWidth = glyph_.width() / numGlyphs_;
  const int index = !isEnabled() && numGlyphs_ > 1 ? 1 : 0;
  const QRect source(index * glyphWidth, 0, glyphWidth, glyph_.height());
  QPoint topLeft((width() - glyphWidth) / 2, (height() - glyph_.height()) / 2 + 1);
  if (isDown()) topLeft += QPoint(1, 1);
  painter.drawPixmap(topLeft, glyph_, source);
}
