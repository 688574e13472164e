#include "controls/AbGradGraphicControl.h"

TAbGraphicControl::TAbGraphicControl(QWidget* parent) : QWidget(parent) {}

void TAbGraphicControl::BeginUpdate() {
  ++updateCount_;
}

void TAbGraphicControl::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  if (updateCount_ == 0) Change();
}

void TAbGraphicControl::Change() {
  if (updateCount_ == 0) ParamChange();
}

void TAbGraphicControl::ParamChange() {}

void TAbGraphicControl::Invalidate() {
  compInvalidate_ = true;
  update();
}
