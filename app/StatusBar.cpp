#include "app/StatusBar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

namespace {

// The bar's height with one line of text in its panels.
constexpr int OneLineHeight = 19;

// A zero-width space after each path separator lets a long path or address break there.
QString WithBreaksInPaths(QString text) {
  return text.replace('/', QStringLiteral("/\u200B")).replace('\\', QStringLiteral("\\\u200B"));
}

}  // namespace

TStatusBar::TStatusBar(QWidget* parent) : QFrame(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  setFixedHeight(OneLineHeight);
}

void TStatusBar::AddPanel(int width, const QString& text) {
  auto* panel = new QLabel(this);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setTextFormat(Qt::PlainText);  // a server's text may hold "<"
  // An explicit minimum, so that the text's own width never widens the panel.
  panel->setMinimumWidth(width);
  panel->installEventFilter(this);
  if (!panels_.isEmpty()) {
    QLabel* previous = panels_.last();
    previous->setFixedWidth(previous->minimumWidth());
    previous->setWordWrap(false);
  }
  panel->setWordWrap(true);
  static_cast<QHBoxLayout*>(layout())->addWidget(panel, 1);
  panels_.append(panel);
  texts_.append(text);
  for (int index = panels_.size() - 2; index < panels_.size(); ++index)
    if (index >= 0) ShowText(index);
}

QString TStatusBar::PanelText(int index) const {
  return texts_.at(index);
}

void TStatusBar::SetPanelText(int index, const QString& text) {
  texts_[index] = text;
  ShowText(index);
}

void TStatusBar::ShowMessage(const QString& text) {
  SetPanelText(panels_.size() - 1, text);
}

void TStatusBar::ClearMessage() {
  ShowMessage({});
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
  if (IsMessagePanel(index)) {
    panel->setText(WithBreaksInPaths(text));
    panel->setToolTip({});
    setFixedHeight(std::max(OneLineHeight, panel->heightForWidth(panel->width())));
    return;
  }
  const QString shown = panel->fontMetrics().elidedText(text, Qt::ElideRight, panel->contentsRect().width());
  panel->setText(shown);
  panel->setToolTip(shown == text ? QString() : text);
}
