#include "app/StatusBar.h"

#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

TStatusBar::TStatusBar(QWidget* parent) : QFrame(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
}

void TStatusBar::AddPanel(int width, const QString& text) {
  auto* panel = new QLabel(text, this);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setMinimumWidth(width);
  if (!panels_.isEmpty()) panels_.last()->setFixedWidth(widths_.last());
  auto* row = static_cast<QHBoxLayout*>(layout());
  row->addWidget(panel, 1);
  panels_.append(panel);
  widths_.append(width);
}

QString TStatusBar::PanelText(int index) const {
  return panels_.at(index)->text();
}

void TStatusBar::SetPanelText(int index, const QString& text) {
  panels_.at(index)->setText(text);
  FitLastPanel();
}

void TStatusBar::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  FitLastPanel();
}

void TStatusBar::FitLastPanel() {
  if (panels_.size() < 2) return;
  QLabel* last = panels_.last();
  int spacing = layout()->spacing();
  int room = width() - spacing;
  for (qsizetype i = 0; i + 2 < panels_.size(); ++i) room -= widths_[i] + spacing;
  int lastWidth = std::max(widths_.last(), last->sizeHint().width());
  panels_[panels_.size() - 2]->setFixedWidth(std::clamp(room - lastWidth, 0, widths_[widths_.size() - 2]));
}
