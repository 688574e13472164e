#pragma once
// The two repeating arrow buttons of the numeric spin edit and their built-in glyphs.
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>

class TAbTimerSpeedBtn;

// A strip of two repeating arrows, up above down, at least 15 pixels wide.
class TAbSpinButton : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMinWidth = 15;

  explicit TAbSpinButton(QWidget* parent = nullptr);

  std::function<void(TAbSpinButton& sender)> OnUpClick;
  std::function<void(TAbSpinButton& sender)> OnDownClick;

  TAbTimerSpeedBtn* UpButton() const { return upButton_; }
  TAbTimerSpeedBtn* DownButton() const { return downButton_; }

  QWidget* FocusControl() const { return focusControl_; }
  void SetFocusControl(QWidget* control) { focusControl_ = control; }

  // Both arrows are written; the up arrow is read.
  int Interval() const;
  void SetInterval(int ms);
  std::uint32_t StartDelay() const;
  void SetStartDelay(std::uint32_t ms);

  // A null glyph selects the built-in arrow bitmap with two glyphs.
  void SetUpGlyph(const QPixmap& glyph, int numGlyphs = 1);
  void SetDownGlyph(const QPixmap& glyph, int numGlyphs = 1);

  void ReleaseHold();

  QSize sizeHint() const override { return {kMinWidth, 24}; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void ArrowPressed(Qt::MouseButton button);

  TAbTimerSpeedBtn* upButton_;
  TAbTimerSpeedBtn* downButton_;
  QPointer<QWidget> focusControl_;
};

// The built-in arrow bitmaps ABSPINUP and ABSPINDOWN: 18 x 6, two glyphs, olive transparent.
QPixmap AbSpinGlyph(bool up);
