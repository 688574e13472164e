#include "controls/Hint.h"

#include <QWidget>

namespace {

constexpr const char* HintProperty = "hint";
constexpr const char* ShowHintProperty = "showHint";

}  // namespace

QString ShortHint(const QString& hint) {
  qsizetype bar = hint.indexOf(u'|');
  return bar < 0 ? hint : hint.left(bar);
}

QString LongHint(const QString& hint) {
  qsizetype bar = hint.indexOf(u'|');
  return bar < 0 ? hint : hint.mid(bar + 1);
}

void SetHint(QWidget* control, const QString& hint) {
  control->setProperty(HintProperty, hint);
  control->setToolTip(ShortHint(hint));
}

QString Hint(const QWidget* control) {
  return control->property(HintProperty).toString();
}

void SetShowHint(QWidget* control, bool show) {
  control->setProperty(ShowHintProperty, show);
}

bool EffectiveShowHint(const QWidget* control) {
  for (; control; control = control->parentWidget()) {
    QVariant show = control->property(ShowHintProperty);
    if (show.isValid()) return show.toBool();
  }
  return true;
}
