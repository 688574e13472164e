#pragma once
// An arrow button that repeats its click while held, driven by the tick service.
#include "controls/TimerSpeedRepeat.h"

#include <QAbstractButton>
#include <QPixmap>

// A flat arrow button that repeats its click while a mouse button is held on it, driven by the
// application's tick service: first after StartDelay ms, then every Interval ms.
class TAbTimerSpeedBtn : public QAbstractButton {
  Q_OBJECT
 public:
  explicit TAbTimerSpeedBtn(QWidget* parent = nullptr);
  // For tests: a tick service on another clock.
  TAbTimerSpeedBtn(TFlashList& service, QWidget* parent);

  int Interval() const { return repeat_.Interval(); }
  void SetInterval(int ms) { repeat_.SetInterval(ms); }
  std::uint32_t StartDelay() const { return repeat_.StartDelay(); }
  void SetStartDelay(std::uint32_t ms) { repeat_.SetStartDelay(ms); }
  bool TimerEnabled() const { return repeat_.TimerEnabled(); }
  void SetTimerEnabled(bool on) { repeat_.SetTimerEnabled(on); }
  std::uint32_t StartTime() const { return repeat_.StartTime(); }
  bool Repeating() const { return repeat_.Registered(); }

  // Side-by-side glyphs: the first for the normal look, the second (if any) for the disabled look.
  void SetGlyph(const QPixmap& glyph, int numGlyphs);
  const QPixmap& Glyph() const { return glyph_; }
  int NumGlyphs() const { return numGlyphs_; }

  // Ends a held press as if the mouse button had been released elsewhere.
  void ReleaseHold();

  QSize sizeHint() const override { return {15, 12}; }

 signals:
  void MouseDown(Qt::MouseButton button);

 protected:
  bool event(QEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

 private:
  TTimerSpeedRepeat repeat_;
  QPixmap glyph_;
  int numGlyphs_ = 1;
};
