#pragma once
// The value model of the numeric edit, free of the toolkit, and the view interface it drives.
#include "controls/BaseRules.h"
#include "controls/NumEditTypes.h"
#include "controls/NumberLocale.h"

#include <cstdint>
#include <functional>
#include <string>

// What the value model asks of the edit control that shows it. Positions are in characters (code points).
class TNumEditView {
 public:
  virtual ~TNumEditView() = default;
  // The model wrote the edit's text (a rendering, a restored or a completed text).
  virtual void ShowText(const std::string& text) = 0;
  virtual void SetBackground(TColor color) = 0;
  // Called after the background of the new state is set; the control paints it at once.
  virtual void StateChanged(TNumEditState state) = 0;
  virtual void LimitChanged() = 0;
  virtual void Beep() = 0;
  // Invalid text: take the focus if the control can, and select the offending span.
  virtual void SelectInvalid(int start, int length) = 0;
  virtual bool IsReadOnly() const = 0;
};

// Keys the model acts on: Up and Down step by the increment, PageUp and PageDown by ten in the shown
// base (0x10 in hexadecimal).
enum class TNumEditKey { Up, Down, PageUp, PageDown, Escape, Other };

// The numeric edit's value, its views, its text checking and committing, steps and keys, without a toolkit.
// Text typed (or written by the program) is only checked; it becomes the value when it is committed.
class TNumEditModel {
 public:
  using TNotifyEvent = std::function<void(TNumEditModel& sender)>;

  explicit TNumEditModel(const TNumberLocale& locale = ProgramNumberLocale());
  TNumEditModel(const TNumEditModel&) = delete;
  TNumEditModel& operator=(const TNumEditModel&) = delete;

  void SetView(TNumEditView* view);

  // Standard change event: steps and key-downs in the field, never text changes or commits.
  TNotifyEvent OnChange;
  // A commit changed the shown text (only after loading has finished).
  TNotifyEvent OnValueChanged;
  TNotifyEvent OnLimit;

  const std::string& Text() const { return text_; }
  // The edit's text changed by typing or a program write: checked and coloured, not committed.
  void TextChanged(const std::string& text);

  double Value() const { return value_; }
  void SetValue(double x);
  std::int32_t ValueAsInt() const { return valueAsInt_; }
  void SetValueAsInt(std::int32_t i);
  float ValueAsSingle() const { return valueAsSingle_; }
  void SetValueAsSingle(float f);
  const std::string& ValueAsHex() const { return valueAsHex_; }
  void SetValueAsHex(const std::string& s);
  const std::string& ValueAsBool() const { return valueAsBool_; }
  void SetValueAsBool(const std::string& s);

  TEditBase EditBase() const { return editBase_; }
  void SetEditBase(TEditBase b);
  const std::string& FormatStr() const { return formatStr_; }
  void SetFormatStr(const std::string& s);
  int DigitsHex() const { return digitsHex_; }
  void SetDigitsHex(int digits) { digitsHex_ = digits; }
  int DigitsBool() const { return digitsBool_; }
  void SetDigitsBool(int digits) { digitsBool_ = digits; }
  double MinValue() const { return minValue_; }
  void SetMinValue(double v);
  double MaxValue() const { return maxValue_; }
  void SetMaxValue(double v);
  float Increment() const { return increment_; }
  void SetIncrement(float v) { increment_ = v; }
  TNumEditOptions Options() const { return options_; }
  void SetOptions(TNumEditOptions o);
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool e) { editorEnabled_ = e; }

  TColor ColorDefault() const { return colorDefault_; }
  void SetColorDefault(TColor c);
  TColor ColorEditing() const { return colorEditing_; }
  void SetColorEditing(TColor c) { colorEditing_ = c; }
  TColor ColorError() const { return colorError_; }
  void SetColorError(TColor c) { colorError_ = c; }

  TNumEditState State() const { return state_; }
  bool LimitUp() const { return limitUp_; }
  bool LimitLo() const { return limitLo_; }

  // Loading of the form has finished: from now on OnValueChanged can fire.
  void Loaded();
  bool IsLoaded() const { return !firstDraw_; }

  // Commits the current text; throws EConvertError for text the conversion rejects.
  bool Commit() { return CheckEdit(true); }
  // A step from the committed value; pending text is discarded.
  void UpClick();
  void DownClick();
  // A step key first takes typed text that is a valid number, so that the step starts from what
  // the field shows; invalid text stays as typed, marked, and is not stepped.
  void KeyDown(TNumEditKey key);
  // A typed character (Enter is U'\r'); returns whether the edit may process it.
  bool KeyPress(char32_t ch);
  // Focus left the field: an empty text becomes "0" and the text is committed; false when it is invalid.
  bool Exit();

 private:
  void SetText(double x);
  bool CheckEdit(bool writeEnable);
  double CheckValue(double x);
  void SetState(TNumEditState s);
  void SetLimitUp(bool on);
  void SetLimitLo(bool on);
  // Steps the value by the increment, times times (or multiplies by it, with eoMultiply).
  void Step(bool up, int times = 1);
  // How many increments a page step is: ten in the shown base.
  int PageSteps() const;
  std::string Rendering() const;
  void WriteText(const std::string& text, bool check);
  bool CommitEmptyAsZero();
  void WriteTextAndCommit(const std::string& text);
  void Fire(const TNotifyEvent& event);

  TNumberLocale locale_;
  TBaseTable bases_;
  TNumEditView* view_;

  std::string text_;
  TEditBase editBase_ = ebFloat;
  bool editorEnabled_ = true;
  double minValue_ = 0;
  double maxValue_ = 0;
  float increment_ = 1.0f;
  std::string oldText_;
  double value_ = 0;
  std::string valueAsBool_;
  std::string valueAsHex_;
  float valueAsSingle_ = 0;
  std::int32_t valueAsInt_ = 0;
  TNumEditOptions options_;
  std::string formatStr_ = "#0.#";
  TNumEditState state_ = esNormal;
  bool firstDraw_ = true;
  bool limitUp_ = false;
  bool limitLo_ = false;
  TColor colorDefault_ = clWindow;
  TColor colorError_ = clRed;
  TColor colorEditing_ = clLime;
  int digitsBool_ = 0;
  int digitsHex_ = 0;
};
