#include "controls/AbGradSettings.h"

template <typename T>
void TAbGradSettings::Set(T& field, T value) {
  if (field == value) return;
  field = value;
  Change();
}

void TAbGradSettings::SetColorFrom(TColor color) {
  Set(colorFrom_, color);
}
void TAbGradSettings::SetColorTo(TColor color) {
  Set(colorTo_, color);
}
void TAbGradSettings::SetVisible(bool visible) {
  Set(visible_, visible);
}
void TAbGradSettings::SetStyle(TGradientStyle style) {
  Set(style_, style);
}

void TAbGradSettings::Assign(const TAbGradSettings& source) {
  SetColorFrom(source.ColorFrom());
  SetColorTo(source.ColorTo());
  SetVisible(source.Visible());
  SetStyle(source.Style());
  Change();
}
