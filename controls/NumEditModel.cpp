#include "controls/NumEditModel.h"

#include "controls/FloatPicture.h"
#include "controls/NumberConversion.h"
#include "controls/NumberTextScan.h"
#include "controls/Utf32Text.h"

#include <cmath>
#include <limits>

namespace {

class TNoView final : public TNumEditView {
 public:
  void ShowText(const std::string&) override {}
  void SetBackground(TColor) override {}
  void StateChanged(TNumEditState) override {}
  void LimitChanged() override {}
  void Beep() override {}
  void SelectInvalid(int, int) override {}
  bool IsReadOnly() const override { return false; }
};

TNoView& NoView() {
  static TNoView view;
  return view;
}

constexpr double kIntBound = 2147483647.0;
constexpr double kSingleBound = 3.4E38;

float ToSingleView(double x) {
  if (x > kSingleBound) return 3.4E38f;
  if (x < -kSingleBound) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(x);
}

std::int32_t ToIntView(double x) {
  if (x >= kIntBound) return 2147483647;
  if (x <= -kIntBound) return -2147483647;
  // Ties go to the even neighbour (2.5 -> 2, 3.5 -> 4), the default rounding mode.
  return static_cast<std::int32_t>(std::nearbyint(x));
}

}  // namespace

TNumEditModel::TNumEditModel(const TNumberLocale& locale)
    : locale_(locale), bases_(MakeBaseTable(locale)), view_(&NoView()), text_(1, '0') {
  // The first text is committed so that every view is valid from the start.
  CheckEdit(true);
  oldText_ = text_;
}

void TNumEditModel::SetView(TNumEditView* view) {
  view_ = view ? view : &NoView();
}

void TNumEditModel::Fire(const TNotifyEvent& event) {
  if (event) event(*this);
}

void TNumEditModel::TextChanged(const std::string& text) {
  text_ = text;
  try {
    CheckEdit(false);
  } catch (const EConvertError&) {
    // Half-typed text such as "1e" is no number yet; it is reported when it is committed.
  }
}

void TNumEditModel::WriteText(const std::string& text, bool check) {
  text_ = text;
  view_->ShowText(text_);
  if (check) TextChanged(text);
}

std::string TNumEditModel::Rendering() const {
  switch (editBase_) {
    case ebBin:
      return valueAsBool_;
    case ebHex:
      return valueAsHex_;
    case ebFloat:
      return FormatFloat(formatStr_, value_, locale_);
    case ebInt:
      return std::to_string(valueAsInt_);
  }
  return {};
}

void TNumEditModel::SetText(double x) {
  const TBaseProperties& rules = bases_[editBase_];
  if (x < rules.MinValue) x = rules.MinValue;
  if (x > rules.MaxValue) x = rules.MaxValue;
  valueAsSingle_ = ToSingleView(x);
  valueAsInt_ = ToIntView(x);
  value_ = x;
  valueAsHex_ = IntToHexText(valueAsInt_, digitsHex_);
  valueAsBool_ = AbIntToBin(valueAsInt_, digitsBool_);
  WriteText(Rendering(), false);
  SetState(esNormal);
  if (!firstDraw_ && text_ != oldText_) Fire(OnValueChanged);
  oldText_ = text_;
}

double TNumEditModel::CheckValue(double x) {
  double r = x;
  if (options_.Contains(eoLimitMin)) {
    SetLimitLo(x <= minValue_);
    if (x <= minValue_) r = minValue_;
  }
  if (options_.Contains(eoLimitMax)) {
    SetLimitUp(x >= maxValue_);
    if (x >= maxValue_) r = maxValue_;
  }
  return r;
}

bool TNumEditModel::CheckEdit(bool writeEnable) {
  if (text_.empty()) {
    SetState(esEditing);
    return true;
  }
  const std::u32string text = Utf8ToUtf32(text_);
  const TNumberTextScan scan = ScanNumberText(text, editBase_, bases_, locale_);
  if (scan.ErrorStart) {
    SetState(esError);
    view_->SelectInvalid(*scan.ErrorStart, scan.ErrorLength);
    return false;
  }
  SetState(text_ == oldText_ || writeEnable ? esNormal : esEditing);
  const double number = ConvertScannedNumber(scan, locale_);
  if (writeEnable) SetText(CheckValue(number));
  return true;
}

void TNumEditModel::SetState(TNumEditState s) {
  if (s == state_) return;
  state_ = s;
  switch (s) {
    case esNormal:
      view_->SetBackground(colorDefault_);
      break;
    case esEditing:
      view_->SetBackground(colorEditing_);
      break;
    case esError:
      view_->SetBackground(colorError_);
      break;
  }
  view_->StateChanged(s);
  if (s == esError) view_->Beep();
}

void TNumEditModel::SetLimitUp(bool on) {
  if (on == limitUp_) return;
  limitUp_ = on;
  view_->LimitChanged();
  Fire(OnLimit);
}

void TNumEditModel::SetLimitLo(bool on) {
  if (on == limitLo_) return;
  limitLo_ = on;
  view_->LimitChanged();
  Fire(OnLimit);
}

void TNumEditModel::SetValue(double x) {
  // A NaN would compare unequal forever and poison every view.
  if (x == value_ || std::isnan(x)) return;
  SetText(CheckValue(x));
}

void TNumEditModel::SetValueAsInt(std::int32_t i) {
  if (std::to_string(i) == text_) return;
  SetText(i);
}

void TNumEditModel::SetValueAsSingle(float f) {
  if (FormatFloat(formatStr_, f, locale_) == text_) return;
  SetText(f);
}

void TNumEditModel::WriteTextAndCommit(const std::string& text) {
  WriteText(text, true);
  CheckEdit(true);
}

void TNumEditModel::SetValueAsHex(const std::string& s) {
  if (s == text_) return;
  WriteTextAndCommit(editBase_ == ebHex ? s : "$" + s);
}

void TNumEditModel::SetValueAsBool(const std::string& s) {
  if (s == text_) return;
  WriteTextAndCommit(editBase_ == ebBin ? s : "&" + s);
}

void TNumEditModel::SetEditBase(TEditBase b) {
  if (b == editBase_) return;
  editBase_ = b;
  WriteText(Rendering(), false);
  oldText_ = text_;
  SetState(esNormal);
}

void TNumEditModel::SetFormatStr(const std::string& s) {
  if (s == formatStr_) return;
  formatStr_ = s;
  if (editBase_ == ebFloat) WriteText(FormatFloat(formatStr_, value_, locale_), true);
  CheckEdit(true);
}

void TNumEditModel::SetMinValue(double v) {
  if (v == minValue_) return;
  minValue_ = v;
  CheckEdit(true);
}

void TNumEditModel::SetMaxValue(double v) {
  if (v == maxValue_) return;
  maxValue_ = v;
  CheckEdit(true);
}

void TNumEditModel::SetOptions(TNumEditOptions o) {
  if (o == options_) return;
  options_ = o;
  CheckEdit(true);
}

void TNumEditModel::SetColorDefault(TColor c) {
  colorDefault_ = c;
  view_->SetBackground(c);
}

void TNumEditModel::Loaded() {
  oldText_ = text_;
  firstDraw_ = false;
}

void TNumEditModel::Step(bool up, int times) {
  if (view_->IsReadOnly() || (up ? limitUp_ : limitLo_)) {
    view_->Beep();
    return;
  }
  double next;
  if (options_.Contains(eoMultiply) && editBase_ == ebFloat && increment_ != 0 && value_ != 0) {
    const double factor = std::pow(double(increment_), times);
    next = up ? value_ * factor : value_ / factor;
  } else {
    next = up ? value_ + double(increment_) * times : value_ - double(increment_) * times;
  }
  SetValue(CheckValue(next));
  Fire(OnChange);
}

int TNumEditModel::PageSteps() const {
  switch (editBase_) {
    case ebBin:
      return 2;
    case ebHex:
      return 16;
    case ebFloat:
    case ebInt:
      break;
  }
  return 10;
}

void TNumEditModel::UpClick() {
  Step(true);
}

void TNumEditModel::DownClick() {
  Step(false);
}

void TNumEditModel::KeyDown(TNumEditKey key) {
  const bool page = key == TNumEditKey::PageUp || key == TNumEditKey::PageDown;
  const bool up = key == TNumEditKey::Up || key == TNumEditKey::PageUp;
  if (page || up || key == TNumEditKey::Down) {
    // What the technician typed counts, not the value it has not yet replaced.
    const bool taken = state_ == esNormal || CheckEdit(true);
    if (taken && !(up ? limitUp_ : limitLo_)) {
      Step(up, page ? PageSteps() : 1);
      return;
    }
  }
  if (state_ != esNormal && key == TNumEditKey::Escape) WriteText(Rendering(), true);
  Fire(OnChange);
}

bool TNumEditModel::CommitEmptyAsZero() {
  if (text_.empty()) WriteText("0", true);
  return CheckEdit(true);
}

bool TNumEditModel::KeyPress(char32_t ch) {
  if (!editorEnabled_) {
    view_->Beep();
    return false;
  }
  if (ch != U'\r') return true;
  CommitEmptyAsZero();
  return false;
}

bool TNumEditModel::Exit() {
  return CommitEmptyAsZero();
}
