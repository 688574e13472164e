#pragma once
// A visible mark around the control of a window that has the keyboard focus.
#include <QList>
#include <QPointer>
#include <QWidget>

// A frame in the highlight colour drawn above the window's controls around the one with the
// keyboard focus, so that the focus shows on every control whatever its style draws (the page
// tabs, for one, show none of their own). It lets the mouse through and follows the control as it
// moves, resizes, hides or gives the focus away.
class TFocusMark : public QWidget {
 public:
  explicit TFocusMark(QWidget* window);

  // The control marked, or none while the focus is outside the window.
  QWidget* Marked() const { return marked_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Follow(QWidget* focused);
  void Place();

  QPointer<QWidget> marked_;
  // The marked control and its containers up to the window: any of them moving moves the mark.
  QList<QPointer<QWidget>> watched_;
};
