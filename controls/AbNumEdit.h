#pragma once
// The numeric edit control: the toolkit side of the numeric edit model.
#include "controls/NumEditModel.h"

#include <QLineEdit>
#include <QString>

#include <functional>

// A single-line edit holding a number: shows it in one of four bases, checks typed text on every change
// (colour, beep, selection of the offending characters) and takes it over only on Enter, on leaving
// the field or by a program call. Up and Down step by Increment within optional limits, PageUp and
// PageDown by ten in the shown base; a step key takes valid typed text over first.
class TAbNumEdit : public QLineEdit, protected TNumEditView {
  Q_OBJECT
 public:
  explicit TAbNumEdit(QWidget* parent = nullptr);

  TNumEditModel& Model() { return model_; }
  const TNumEditModel& Model() const { return model_; }

  // Fired with the sender for steps and key-downs in the field, never for program sets or commits.
  std::function<void(TAbNumEdit& sender)> OnChange;
  // A commit changed the shown text, once loading has finished.
  std::function<void(TAbNumEdit& sender)> OnValueChanged;
  std::function<void(TAbNumEdit& sender)> OnLimit;

  double Value() const { return model_.Value(); }
  void SetValue(double x);
  int ValueAsInt() const { return model_.ValueAsInt(); }
  void SetValueAsInt(int i);
  float ValueAsSingle() const { return model_.ValueAsSingle(); }
  void SetValueAsSingle(float f);
  QString ValueAsHex() const { return QString::fromStdString(model_.ValueAsHex()); }
  void SetValueAsHex(const QString& s);
  QString ValueAsBool() const { return QString::fromStdString(model_.ValueAsBool()); }
  void SetValueAsBool(const QString& s);

  TEditBase EditBase() const { return model_.EditBase(); }
  void SetEditBase(TEditBase b);
  QString FormatStr() const { return QString::fromStdString(model_.FormatStr()); }
  void SetFormatStr(const QString& s);
  int DigitsHex() const { return model_.DigitsHex(); }
  void SetDigitsHex(int digits) { model_.SetDigitsHex(digits); }
  int DigitsBool() const { return model_.DigitsBool(); }
  void SetDigitsBool(int digits) { model_.SetDigitsBool(digits); }
  double MinValue() const { return model_.MinValue(); }
  void SetMinValue(double v);
  double MaxValue() const { return model_.MaxValue(); }
  void SetMaxValue(double v);
  float Increment() const { return model_.Increment(); }
  void SetIncrement(float v) { model_.SetIncrement(v); }
  TNumEditOptions Options() const { return model_.Options(); }
  void SetOptions(TNumEditOptions o);
  bool EditorEnabled() const { return model_.EditorEnabled(); }
  void SetEditorEnabled(bool on) { model_.SetEditorEnabled(on); }
  TColor ColorDefault() const { return model_.ColorDefault(); }
  void SetColorDefault(TColor c) { model_.SetColorDefault(c); }
  TColor ColorEditing() const { return model_.ColorEditing(); }
  void SetColorEditing(TColor c) { model_.SetColorEditing(c); }
  TColor ColorError() const { return model_.ColorError(); }
  void SetColorError(TColor c) { model_.SetColorError(c); }

  TNumEditState State() const { return model_.State(); }
  bool LimitUp() const { return model_.LimitUp(); }
  bool LimitLo() const { return model_.LimitLo(); }

  // Takes the shown text over as leaving the field does. False when it is invalid: the field then
  // has the focus with its invalid characters selected.
  bool CommitText();

  // Setting up is finished: from now on OnValueChanged can fire. Done at the first show if not called.
  void Loaded();

  // How a commit's conversion error (text like "1e") is reported; by default a message box.
  static void SetConversionErrorReport(std::function<void(const QString& message)> report);

 public slots:
  void UpClick();
  void DownClick();

 signals:
  void Change(QObject* sender);
  void ValueChanged(QObject* sender);
  void Limit(QObject* sender);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void showEvent(QShowEvent* e) override;

  void ShowText(const std::string& text) override;
  void SetBackground(TColor color) override;
  void StateChanged(TNumEditState state) override;
  void LimitChanged() override;
  void Beep() override;
  void SelectInvalid(int start, int length) override;
  bool IsReadOnly() const override;

  // Runs a model call that may commit text; a conversion error goes to the error report.
  void Guarded(const std::function<void()>& call);

 private:
  void OnTextChanged(const QString& text);

  TNumEditModel model_;
  bool showingModelText_ = false;
  bool shown_ = false;
};

// A colour of the $00BBGGRR form (or a system colour) as shown with the widget's palette.
QColor ToQColor(TColor color, const QPalette& palette);
