#pragma once
// The main window's status bar of fixed-width text panels.
#include <QFrame>
#include <QList>
#include <QStringList>

class QLabel;

// A status bar of fixed-width text panels; the last panel takes the rest of the width. A text
// longer than its panel ends in "…" there and shows whole as the panel's tooltip, so that no
// panel is squeezed by another's text.
class TStatusBar : public QFrame {
 public:
  explicit TStatusBar(QWidget* parent);

  void AddPanel(int width, const QString& text = {});
  QString PanelText(int index) const;
  void SetPanelText(int index, const QString& text);
  QLabel* Panel(int index) const { return panels_.at(index); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowText(int index);

  QList<QLabel*> panels_;
  QStringList texts_;
};
