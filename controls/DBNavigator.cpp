#include "controls/DBNavigator.h"

#include "controls/Hint.h"
#include "dataset/DataSet.h"
#include "dataset/DataSource.h"

#include <QApplication>
#include <QMessageBox>
#include <QStyle>
#include <QToolButton>

namespace {

struct ButtonLook {
  const char* standardHint;
  QStyle::StandardPixmap icon;
  const char* text;  // where the style has no fitting icon
};

constexpr ButtonLook Looks[NavigateButtonCount] = {
    {"First record", QStyle::SP_MediaSkipBackward, nullptr}, {"Prior record", QStyle::SP_MediaSeekBackward, nullptr},
    {"Next record", QStyle::SP_MediaSeekForward, nullptr},   {"Last record", QStyle::SP_MediaSkipForward, nullptr},
    {"Insert record", QStyle::SP_CustomBase, "+"},           {"Delete record", QStyle::SP_CustomBase, "\u2212"},
    {"Edit record", QStyle::SP_CustomBase, "\u25B3"},        {"Post edit", QStyle::SP_CustomBase, "\u2713"},
    {"Cancel edit", QStyle::SP_CustomBase, "\u2717"},        {"Refresh data", QStyle::SP_BrowserReload, nullptr},
};

}  // namespace

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
  for (int i = 0; i < NavigateButtonCount; ++i) {
    auto* button = new QToolButton(this);
    if (Looks[i].text)
      button->setText(QString::fromUtf8(Looks[i].text));
    else
      button->setIcon(style()->standardIcon(Looks[i].icon));
    SetHint(button, Looks[i].standardHint);
    button->setEnabled(false);
    // Taking the focus on a click closes a grid's cell editor, which writes its text to the
    // field before the button acts on the record; Tab reaches the enabled buttons, Space presses.
    button->setFocusPolicy(Qt::StrongFocus);
    connect(button, &QToolButton::clicked, this, [this, i] { BtnClick(static_cast<TNavigateBtn>(i)); });
    buttons_[i] = button;
  }
  link_.OnActiveChanged = [this] { UpdateButtons(); };
  link_.OnDataSetChanged = link_.OnActiveChanged;
  link_.OnDataSetScrolled = link_.OnActiveChanged;
  link_.OnEditingChanged = link_.OnActiveChanged;
}

void TDBNavigator::SetDataSource(TDataSource* source) {
  link_.SetDataSource(source);
  UpdateButtons();
}

// Moving needs room in that direction; changing the set needs a modifiable dataset in browse
// (and a record, for Delete and Edit); Post and Cancel need a pending change.
void TDBNavigator::UpdateButtons() {
  std::array<bool, NavigateButtonCount> enabled{};
  if (link_.Active()) {
    const TDataSet& dataSet = *link_.DataSet();
    bool browsing = dataSet.State() == dsBrowse;
    bool editing = dataSet.State() == dsEdit || dataSet.State() == dsInsert;
    bool changeable = browsing && dataSet.CanModify();
    enabled[nbFirst] = enabled[nbPrior] = !dataSet.Bof();
    enabled[nbNext] = enabled[nbLast] = !dataSet.Eof();
    enabled[nbInsert] = changeable;
    enabled[nbDelete] = enabled[nbEdit] = changeable && !dataSet.IsEmpty();
    enabled[nbPost] = enabled[nbCancel] = editing;
    enabled[nbRefresh] = browsing;
  }
  for (int i = 0; i < NavigateButtonCount; ++i) buttons_[i]->setEnabled(enabled[i]);
}

bool TDBNavigator::Confirm(const QString& question) {
  if (ConfirmAction) return ConfirmAction(*this, question);
  return QMessageBox::question(this, QApplication::applicationDisplayName(), question,
                               QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Cancel;
}

void TDBNavigator::ServerCall(TNavigateBtn button, const std::function<void()>& call) {
  if (RunServerCall)
    RunServerCall(*this, button, call);
  else
    call();
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
  TDataSet* dataSet = link_.DataSet();
  if (!dataSet) return;
  switch (button) {
    case nbFirst:
      dataSet->First();
      break;
    case nbPrior:
      dataSet->Prior();
      break;
    case nbNext:
      dataSet->Next();
      break;
    case nbLast:
      dataSet->Last();
      break;
    case nbInsert:
      dataSet->Insert();
      break;
    case nbDelete:
      if (!ConfirmDelete || Confirm(QStringLiteral("Delete record?")))
        ServerCall(button, [dataSet] { dataSet->Delete(); });
      break;
    case nbEdit:
      dataSet->Edit();
      break;
    case nbPost:
      ServerCall(button, [dataSet] { dataSet->Post(); });
      break;
    case nbCancel:
      dataSet->Cancel();
      break;
    case nbRefresh:
      ServerCall(button, [dataSet] { dataSet->Refresh(); });
      break;
  }
  // Bof and Eof change without a notification when a move finds no room.
  UpdateButtons();
}

void TDBNavigator::SetVisibleButtons(std::initializer_list<TNavigateBtn> visible) {
  for (QToolButton* button : buttons_) button->setVisible(false);
  for (TNavigateBtn button : visible) buttons_[button]->setVisible(true);
  LayOutButtons();
}

void TDBNavigator::SetHints(const QStringList& hints) {
  for (int i = 0; i < NavigateButtonCount && i < hints.size(); ++i) SetHint(buttons_[i], hints[i]);
}

void TDBNavigator::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOutButtons();
}

// The visible buttons share the width equally, the last one taking what the division leaves.
void TDBNavigator::LayOutButtons() {
  int count = 0;
  for (QToolButton* button : buttons_) count += !button->isHidden();
  if (!count) return;
  int width = this->width() / count, x = 0;
  for (QToolButton* button : buttons_) {
    if (button->isHidden()) continue;
    bool last = x + 2 * width > this->width();
    button->setGeometry(x, 0, last ? this->width() - x : width, height());
    x += width;
  }
}
