#pragma once
// The colours and style of a gradient control.
#include "controls/AbGradFill.h"
#include "controls/AbGradPersistent.h"

// Colours and style of a gradient. Each setter that changes its value reports the change.
class TAbGradSettings : public TAbPersistent {
 public:
  TColor ColorFrom() const { return colorFrom_; }
  void SetColorFrom(TColor color);
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor color);
  // Kept for other users of the settings; the gradient control paints regardless of it.
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  TGradientStyle Style() const { return style_; }
  void SetStyle(TGradientStyle style);

  // Copies the four settings through this object's setters, then reports one more change.
  void Assign(const TAbGradSettings& source);

 private:
  template <typename T>
  void Set(T& field, T value);

  TColor colorFrom_ = 0xE2E2E2;
  TColor colorTo_ = 0x8F8F8F;
  bool visible_ = false;
  TGradientStyle style_ = gsHorizontal1;
};
