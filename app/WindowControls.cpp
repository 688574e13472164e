#include "app/WindowControls.h"

#include "controls/AbNumSpin.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void SetBackground(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

void SetTextColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::WindowText, colour);
    palette.setColor(group, QPalette::ButtonText, colour);
  }
  widget->setPalette(palette);
}

void SetFont(QWidget* widget, const QString& family, int points, bool bold) {
  QFont font(family, points);
  font.setBold(bold);
  widget->setFont(font);
}

void SetBold(QWidget* widget, int points) {
  QFont font = widget->font();
  font.setBold(true);
  if (points) font.setPointSize(points);
  widget->setFont(font);
}

QLabel* NewLabel(QWidget* parent, int left, int top, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QLineEdit* NewEdit(QWidget* parent, QRect bounds, const QString& text) {
  auto* edit = Place(new QLineEdit(text, parent), bounds.x(), bounds.y(), bounds.width(), bounds.height());
  edit->setCursorPosition(0);
  return edit;
}

QPushButton* NewButton(QWidget* parent, QRect bounds, const QString& caption) {
  auto* button = Place(new QPushButton(caption, parent), bounds.x(), bounds.y(), bounds.width(), bounds.height());
  button->setAutoDefault(true);  // Enter presses the focused button, as Space does
  return button;
}

QGroupBox* NewGroupBox(QWidget* parent, QRect bounds, const QString& caption) {
  return Place(new QGroupBox(caption, parent), bounds.x(), bounds.y(), bounds.width(), bounds.height());
}

void ShowPrompt(QComboBox* box, const QString& prompt) {
  box->setCurrentIndex(-1);
  box->setEditText(prompt);
}

QComboBox* NewTypeBox(QWidget* parent, QRect bounds, const QString& prompt) {
  auto* box = Place(new QComboBox(parent), bounds.x(), bounds.y(), bounds.width(), bounds.height());
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  ShowPrompt(box, prompt);
  return box;
}

TAbNumSpin* NewMacField(QWidget* parent, QRect bounds, const char* format) {
  auto* field = Place(new TAbNumSpin(parent), bounds.x(), bounds.y(), bounds.width(), bounds.height());
  field->SetEditBase(ebHex);
  field->SetDigitsHex(0);
  field->setMaxLength(2);
  field->SetMinValue(0);
  field->SetMaxValue(255);
  field->SetOptions({eoLimitMax, eoLimitMin});
  field->SetIncrement(1);
  field->SetStartDelay(500);
  field->SetInterval(100);
  field->SetFormatStr(format);
  field->SetValue(0);
  return field;
}
