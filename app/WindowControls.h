#pragma once
// Making and styling the window's controls at their design-time places and fonts.

#include <QColor>
#include <QRect>
#include <QString>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class TAbNumSpin;

// The main window's controls, made at their designed bounds and styled as designed.

void SetBackground(QWidget* widget, const QColor& colour);
// The colour of the enabled control's text; disabled, it takes the disabled text colour like any other.
void SetTextColour(QWidget* widget, const QColor& colour);
void SetFont(QWidget* widget, const QString& family, int points, bool bold = false);
// Bold, and of the given size when it is not 0.
void SetBold(QWidget* widget, int points = 0);

template <typename Control>
Control* Place(Control* control, int left, int top, int width, int height) {
  control->setGeometry(left, top, width, height);
  return control;
}

QLabel* NewLabel(QWidget* parent, int left, int top, const QString& text);
QLineEdit* NewEdit(QWidget* parent, QRect bounds, const QString& text);
QPushButton* NewButton(QWidget* parent, QRect bounds, const QString& caption);
QGroupBox* NewGroupBox(QWidget* parent, QRect bounds, const QString& caption);

// No item chosen, the prompt in the text.
void ShowPrompt(QComboBox* box, const QString& prompt);
// An editable type box showing its prompt.
QComboBox* NewTypeBox(QWidget* parent, QRect bounds, const QString& prompt);
// A hexadecimal byte field of the MAC address.
TAbNumSpin* NewMacField(QWidget* parent, QRect bounds, const char* format);
