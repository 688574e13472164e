#pragma once
// Hint texts of the form short|long: tooltips and the pop-up hint switch of controls.
#include <QString>

class QWidget;

// Hint texts have the form short|long, split at the first "|"; without "|" both parts are the whole.
QString ShortHint(const QString& hint);
QString LongHint(const QString& hint);

// Gives a control its hint: the short part becomes its tooltip.
void SetHint(QWidget* control, const QString& hint);
QString Hint(const QWidget* control);

// The pop-up hint switch of a control; a control without its own follows its parent.
void SetShowHint(QWidget* control, bool show);
bool EffectiveShowHint(const QWidget* control);
