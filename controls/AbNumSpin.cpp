#include "controls/AbNumSpin.h"

#include "controls/AbSpinButton.h"
#include "controls/AbTimerSpeedBtn.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyleOptionFrame>

#include <algorithm>

namespace {
constexpr int kBorderHeight = 1;
// Space between the text and the arrows.
constexpr int kTextGap = 2;
}  // namespace

TAbNumSpin::TAbNumSpin(QWidget* parent) : TAbNumEdit(parent), button_(new TAbSpinButton(this)) {
  button_->SetFocusControl(this);
  button_->OnUpClick = [this](TAbSpinButton&) { UpClick(); };
  button_->OnDownClick = [this](TAbSpinButton&) { DownClick(); };
  button_->setCursor(Qt::ArrowCursor);
  setMinimumHeight(MinimumFieldHeight());
  PlaceStrip();
  UpdateArrows();
}

int TAbNumSpin::Interval() const {
  return button_->Interval();
}
void TAbNumSpin::SetInterval(int ms) {
  button_->SetInterval(ms);
}
std::uint32_t TAbNumSpin::StartDelay() const {
  return button_->StartDelay();
}
void TAbNumSpin::SetStartDelay(std::uint32_t ms) {
  button_->SetStartDelay(ms);
}

int TAbNumSpin::MinimumFieldHeight() const {
  const int fontHeight = fontMetrics().height();
  const int screenFontHeight = QFontMetrics(QApplication::font()).height();
  return fontHeight + std::min(fontHeight, screenFontHeight) / 4 + 4 * kBorderHeight + 2;
}

void TAbNumSpin::UpdateArrows() {
  const bool normal = State() == esNormal;
  const bool stripEnabled = isEnabled();
  button_->setEnabled(stripEnabled);
  button_->UpButton()->setEnabled(stripEnabled && normal && !LimitUp());
  button_->DownButton()->setEnabled(stripEnabled && normal && !LimitLo());
}

void TAbNumSpin::StateChanged(TNumEditState state) {
  TAbNumEdit::StateChanged(state);
  UpdateArrows();
}

void TAbNumSpin::LimitChanged() {
  UpdateArrows();
}

void TAbNumSpin::changeEvent(QEvent* e) {
  TAbNumEdit::changeEvent(e);
  if (e->type() == QEvent::EnabledChange) UpdateArrows();
  if (e->type() == QEvent::FontChange) setMinimumHeight(MinimumFieldHeight());
}

void TAbNumSpin::PlaceStrip() {
  // Inside the frame at the right edge; the text stops short of it.
  QStyleOptionFrame option;
  initStyleOption(&option);
  const int frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this) : 0;
  const int stripWidth = TAbSpinButton::kMinWidth;
  button_->setGeometry(width() - frame - stripWidth, frame, stripWidth, std::max(height() - 2 * frame, 0));
  setTextMargins(0, 0, stripWidth + kTextGap, 0);
}

void TAbNumSpin::resizeEvent(QResizeEvent* e) {
  TAbNumEdit::resizeEvent(e);
  PlaceStrip();
}

void TAbNumSpin::focusOutEvent(QFocusEvent* e) {
  TAbNumEdit::focusOutEvent(e);
  // A press held while the focus went away would otherwise repeat on its own.
  button_->ReleaseHold();
  button_->update();
}
