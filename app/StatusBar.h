#pragma once
// The main window's status bar of fixed-width text panels.
#include <QFrame>
#include <QList>

class QLabel;

// A status bar of fixed-width text panels; the last panel takes the rest of the width, and when
// its text needs more, the panel before it gives way so that the text is shown whole.
class TStatusBar : public QFrame {
 public:
  explicit TStatusBar(QWidget* parent);

  void AddPanel(int width, const QString& text = {});
  QString PanelText(int index) const;
  void SetPanelText(int index, const QString& text);
  QLabel* Panel(int index) const { return panels_.at(index); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FitLastPanel();

  QList<QLabel*> panels_;
  QList<int> widths_;
};
