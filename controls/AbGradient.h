#pragma once
// The gradient control, which paints itself from its gradient settings.
#include "controls/AbGradGraphicControl.h"
#include "controls/AbGradSettings.h"

#include <functional>

class QMouseEvent;

// A control that fills itself with the gradient its GradSettings describe and repaints whenever a
// setting changes (held back between BeginUpdate and EndUpdate).
class TAbGradient : public TAbGraphicControl {
 public:
  explicit TAbGradient(QWidget* parent = nullptr);

  TAbGradSettings& GradSettings() { return gradSettings_; }
  const TAbGradSettings& GradSettings() const { return gradSettings_; }

  std::function<void(TAbGradient& sender)> OnClick;
  std::function<void(TAbGradient& sender)> OnDblClick;
  std::function<void(TAbGradient& sender, QMouseEvent& event)> OnMouseDown;
  std::function<void(TAbGradient& sender, QMouseEvent& event)> OnMouseUp;

 protected:
  void ParamChange() override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  // Connects the settings to the control once it is fully built.
  void Loaded();

  TAbGradSettings gradSettings_;
};
