#include "app/StatusBar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

TStatusBar::TStatusBar(QWidget* parent) : QFrame(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
}

void TStatusBar::AddPanel(int width, const QString& text) {
  auto* panel = new QLabel(this);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  // An explicit minimum, so that the text's own width never widens the panel.
  panel->setMinimumWidth(width);
  panel->installEventFilter(this);
  if (!panels_.isEmpty()) panels_.last()->setFixedWidth(panels_.last()->minimumWidth());
  static_cast<QHBoxLayout*>(layout())->addWidget(panel, 1);
  panels_.append(panel);
  texts_.append(text);
  ShowText(panels_.size() - 1);
}

QString TStatusBar::PanelText(int index) const {
  return texts_.at(index);
}

void TStatusBar::SetPanelText(int index, const QString& text) {
  texts_[index] = text;
  ShowText(index);
}

bool TStatusBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) {
    int index = panels_.indexOf(static_cast<QLabel*>(watched));
    if (index >= 0) ShowText(index);
  }
  return QFrame::eventFilter(watched, event);
}

void TStatusBar::ShowText(int index) {
  QLabel* panel = panels_[index];
  const QString& text = texts_[index];
  const QString shown = panel->fontMetrics().elidedText(text, Qt::ElideRight, panel->contentsRect().width());
  panel->setText(shown);
  panel->setToolTip(shown == text ? QString() : text);
}
