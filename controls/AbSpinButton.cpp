#include "controls/AbSpinButton.h"

#include "controls/AbTimerSpeedBtn.h"

#include <QBitmap>
#include <QImage>
#include <QKeyEvent>

static void InitSpinGlyphResources() {
  Q_INIT_RESOURCE(AbSpinGlyphs);
}

QPixmap AbSpinGlyph(bool up) {
  static const bool initialised = (InitSpinGlyphResources(), true);
  (void)initialised;
  const QImage image(up ? QStringLiteral(":/controls/ABSPINUP") : QStringLiteral(":/controls/ABSPINDOWN"));
  QPixmap pixmap = QPixmap::fromImage(image);
  pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(qRgb(128, 128, 0), Qt::MaskInColor)));
  return pixmap;
}

TAbSpinButton::TAbSpinButton(QWidget* parent)
    : QWidget(parent), upButton_(new TAbTimerSpeedBtn(this)), downButton_(new TAbTimerSpeedBtn(this)) {
  setFocusPolicy(Qt::NoFocus);
  setMinimumWidth(kMinWidth);
  SetUpGlyph({});
  SetDownGlyph({});
  resize(kMinWidth, 24);
  connect(upButton_, &TAbTimerSpeedBtn::clicked, this, [this] {
    if (OnUpClick) OnUpClick(*this);
  });
  connect(downButton_, &TAbTimerSpeedBtn::clicked, this, [this] {
    if (OnDownClick) OnDownClick(*this);
  });
  connect(upButton_, &TAbTimerSpeedBtn::MouseDown, this, &TAbSpinButton::ArrowPressed);
  connect(downButton_, &TAbTimerSpeedBtn::MouseDown, this, &TAbSpinButton::ArrowPressed);
}

int TAbSpinButton::Interval() const {
  return upButton_->Interval();
}

void TAbSpinButton::SetInterval(int ms) {
  upButton_->SetInterval(ms);
  downButton_->SetInterval(ms);
}

std::uint32_t TAbSpinButton::StartDelay() const {
  return upButton_->StartDelay();
}

void TAbSpinButton::SetStartDelay(std::uint32_t ms) {
  upButton_->SetStartDelay(ms);
  downButton_->SetStartDelay(ms);
}

void TAbSpinButton::SetUpGlyph(const QPixmap& glyph, int numGlyphs) {
  if (glyph.isNull())
    upButton_->SetGlyph(AbSpinGlyph(true), 2);
  else
    upButton_->SetGlyph(glyph, numGlyphs);
}

void TAbSpinButton::SetDownGlyph(const QPixmap& glyph, int numGlyphs) {
  if (glyph.isNull())
    downButton_->SetGlyph(AbSpinGlyph(false), 2);
  else
    downButton_->SetGlyph(glyph, numGlyphs);
}

void TAbSpinButton::ReleaseHold() {
  upButton_->ReleaseHold();
  downButton_->ReleaseHold();
}

void TAbSpinButton::ArrowPressed(Qt::MouseButton button) {
  if (button != Qt::LeftButton) return;
  if (focusControl_ && focusControl_->focusPolicy() & Qt::TabFocus && focusControl_->isEnabled() &&
      !focusControl_->hasFocus()) {
    focusControl_->setFocus(Qt::MouseFocusReason);
  }
}

void TAbSpinButton::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Up)
    upButton_->click();
  else if (e->key() == Qt::Key_Down)
    downButton_->click();
  else
    QWidget::keyPressEvent(e);
}

void TAbSpinButton::resizeEvent(QResizeEvent*) {
  const int half = height() / 2;
  upButton_->setGeometry(0, 0, width(), half);
  downButton_->setGeometry(0, half, width(), height() - half);
}
