#pragma once
// The numeric edit with two repeating arrow buttons at its right edge.
#include "controls/AbNumEdit.h"

#include <cstdint>

class TAbSpinButton;

// The numeric edit with a strip of two repeating arrows inside its right edge. An arrow is disabled while
// the value sits at its limit; both are disabled while the field holds uncommitted or invalid text.
class TAbNumSpin : public TAbNumEdit {
  Q_OBJECT
 public:
  explicit TAbNumSpin(QWidget* parent = nullptr);

  TAbSpinButton* Button() const { return button_; }

  // Repeat interval and start delay of both arrows, in ms (defaults 100 and 500; intervals below 50 are ignored).
  int Interval() const;
  void SetInterval(int ms);
  std::uint32_t StartDelay() const;
  void SetStartDelay(std::uint32_t ms);

  // Lowest height that shows the text whole.
  int MinimumFieldHeight() const;

 protected:
  void StateChanged(TNumEditState state) override;
  void LimitChanged() override;
  void changeEvent(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  void UpdateArrows();
  void PlaceStrip();

  TAbSpinButton* button_;
};
