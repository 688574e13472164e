// The hints: the long part in status panel 0, the pop-up tooltips switched by "Show Hints".
#include "app/Birthday.h"
#include "app/HintTracker.h"
#include "app/StatusBar.h"
#include "controls/Hint.h"

#include <QAction>
#include <QGroupBox>
#include <QTabWidget>

void TfrmBirthday::DisplayHint() {
  sbStatus->SetPanelText(0, hintTracker_->CurrentHint());
}

void TfrmBirthday::mnuHintsClick() {
  bool show = mnuHints->isChecked();
  for (QWidget* control : std::initializer_list<QWidget*>{this, pcBirthdaySetup, gbControls})
    SetShowHint(control, show);
}
