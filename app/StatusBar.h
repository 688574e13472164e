#pragma once
// The main window's status bar: fixed-width text panels, then the message panel.
#include <QFrame>
#include <QList>
#include <QStringList>

class QLabel;

// A status bar of fixed-width text panels; the last panel added is the message panel and takes the
// rest of the width. A text longer than a fixed panel ends in "…" there and shows whole as the
// panel's tooltip, so that no panel is squeezed by another's text. The message panel instead wraps
// its text onto as many lines as it needs and the bar grows with it, so that a message is read
// whole without pointing at it.
class TStatusBar : public QFrame {
 public:
  explicit TStatusBar(QWidget* parent);

  void AddPanel(int width, const QString& text = {});
  QString PanelText(int index) const;
  void SetPanelText(int index, const QString& text);
  QLabel* Panel(int index) const { return panels_.at(index); }

  // The one way the window reports an outcome: the message panel shows the text whole.
  void ShowMessage(const QString& text);
  // Empties the message panel once an action has succeeded.
  void ClearMessage();
  QString Message() const { return texts_.last(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowText(int index);
  bool IsMessagePanel(int index) const { return index == panels_.size() - 1; }

  QList<QLabel*> panels_;
  QStringList texts_;
};
