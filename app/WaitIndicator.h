#pragma once
// The window's wait made visible and cancellable.
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QShortcut;

// Shown over the status bar once a wait has lasted about half a second: what the window waits
// for with the seconds passed, and a Cancel button; the busy cursor shows meanwhile. Escape in
// the window cancels too, from the start of the wait.
class TWaitIndicator : public QWidget {
 public:
  // Covers `bar`; Escape is taken in `window`.
  TWaitIndicator(QWidget* bar, QWidget* window);

  void Start(const QString& what);
  void Stop();
  // The wait text as shown ("Storing the birth certificate… 3 s"), empty while hidden.
  QString Text() const;
  QPushButton* CancelButton() const { return cancel_; }

  // The technician asked to end the wait.
  std::function<void()> OnCancel;

 private:
  void Tick();

  QLabel* text_;
  QPushButton* cancel_;
  QShortcut* escape_;
  QTimer ticker_;
  QElapsedTimer elapsed_;
  QString what_;
  bool cursorShown_ = false;
};
