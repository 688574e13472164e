#include "controls/AbGradGraphicControl.h"

TAbGraphicControl::TAbGraphicControl(QWidget* parent) : QWidget(parent) {}

void TAbGraphicControl::BeginUpdate() {
  ++fUpdateCount;
}

void TAbGraphicControl::EndUpdate() {
  if (fUpdateCount > 0) --fUpdateCount;
  if (fUpdateCount == 0) Change();
}

void TAbGraphicControl::Change() {
  if (fUpdateCount == 0) ParamChange();
}

void TAbGraphicControl::ParamChange() {}

void TAbGraphicControl::Invalidate() {
  fCompInvalidate = true;
  update();
}
