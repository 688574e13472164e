#pragma once
// The hint the main window shows: the long hint of the control under the mouse.
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

// Follows the mouse over a window and keeps the application's current hint: the long part of the
// hint of the control under the mouse or of its nearest ancestor that has one. OnHint runs only
// when that text changes. It also withholds tooltips of controls whose pop-up hints are off.
class HintTracker : public QObject {
 public:
  explicit HintTracker(QWidget* window);
  ~HintTracker() override;

  const QString& CurrentHint() const { return hint_; }
  std::function<void()> OnHint;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Update();

  QWidget* window_;
  QPointer<QWidget> underMouse_;
  QString hint_;
};
