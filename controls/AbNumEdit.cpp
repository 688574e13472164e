#include "controls/AbNumEdit.h"

#include "controls/NumberConversion.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <mutex>

namespace {

std::function<void(const QString&)>& ConversionErrorReport() {
  static std::function<void(const QString&)> report = [](const QString& message) {
    // Queued, so no modal loop runs inside a key or focus handler.
    QTimer::singleShot(0, qApp, [message] {
      QMessageBox::critical(QApplication::activeWindow(), QGuiApplication::applicationDisplayName(), message,
                            QMessageBox::Ok);
    });
  };
  return report;
}

// Unless the program chose them, the separators are taken once, from the locale current when the
// first control is made.
void TakeProgramNumberLocale() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (ProgramNumberLocaleSet()) return;
    const QLocale locale;
    const auto first = [](const QString& s, char32_t fallback) {
      const auto ucs4 = s.toUcs4();
      return ucs4.isEmpty() ? fallback : static_cast<char32_t>(ucs4.front());
    };
    SetProgramNumberLocale({first(locale.decimalPoint(), U'.'), first(locale.groupSeparator(), U',')});
  });
}

TNumberLocale ProgramLocaleOnFirstUse() {
  TakeProgramNumberLocale();
  return ProgramNumberLocale();
}

TNumEditKey KeyOf(int key) {
  switch (key) {
    case Qt::Key_Up:
      return TNumEditKey::Up;
    case Qt::Key_Down:
      return TNumEditKey::Down;
    case Qt::Key_PageUp:
      return TNumEditKey::PageUp;
    case Qt::Key_PageDown:
      return TNumEditKey::PageDown;
    case Qt::Key_Escape:
      return TNumEditKey::Escape;
    default:
      return TNumEditKey::Other;
  }
}

// UTF-16 offset of a character position.
int Utf16Offset(const QString& text, int codePoints) {
  int offset = 0;
  for (int i = 0; i < codePoints && offset < text.size(); ++i)
    offset += text.at(offset).isHighSurrogate() && offset + 1 < text.size() ? 2 : 1;
  return offset;
}

}  // namespace

QColor ToQColor(TColor color, const QPalette& palette) {
  if (color & clSystemColorFlag) {
    constexpr TColor kButtonFace = 15;
    return palette.color((color & 0xFF) == kButtonFace ? QPalette::Button : QPalette::Base);
  }
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

void TAbNumEdit::SetConversionErrorReport(std::function<void(const QString&)> report) {
  ConversionErrorReport() = std::move(report);
}

TAbNumEdit::TAbNumEdit(QWidget* parent) : QLineEdit(parent), model_(ProgramLocaleOnFirstUse()) {
  model_.OnChange = [this](TNumEditModel&) {
    if (OnChange) OnChange(*this);
    emit Change(this);
  };
  model_.OnValueChanged = [this](TNumEditModel&) {
    if (OnValueChanged) OnValueChanged(*this);
    emit ValueChanged(this);
  };
  model_.OnLimit = [this](TNumEditModel&) {
    if (OnLimit) OnLimit(*this);
    emit Limit(this);
  };
  ShowText(model_.Text());
  model_.SetView(this);
  connect(this, &QLineEdit::textChanged, this, &TAbNumEdit::OnTextChanged);
  resize(65, sizeHint().height());
}

void TAbNumEdit::Guarded(const std::function<void()>& call) {
  try {
    call();
  } catch (const EConvertError& error) {
    ConversionErrorReport()(QString::fromStdString(error.what()));
  }
}

void TAbNumEdit::OnTextChanged(const QString& text) {
  if (!showingModelText_) model_.TextChanged(text.toStdString());
}

void TAbNumEdit::SetValue(double x) {
  model_.SetValue(x);
}
void TAbNumEdit::SetValueAsInt(int i) {
  model_.SetValueAsInt(i);
}
void TAbNumEdit::SetValueAsSingle(float f) {
  model_.SetValueAsSingle(f);
}
void TAbNumEdit::SetValueAsHex(const QString& s) {
  model_.SetValueAsHex(s.toStdString());
}
void TAbNumEdit::SetValueAsBool(const QString& s) {
  model_.SetValueAsBool(s.toStdString());
}
void TAbNumEdit::SetEditBase(TEditBase b) {
  model_.SetEditBase(b);
}
void TAbNumEdit::SetFormatStr(const QString& s) {
  model_.SetFormatStr(s.toStdString());
}
void TAbNumEdit::SetMinValue(double v) {
  model_.SetMinValue(v);
}
void TAbNumEdit::SetMaxValue(double v) {
  model_.SetMaxValue(v);
}
void TAbNumEdit::SetOptions(TNumEditOptions o) {
  model_.SetOptions(o);
}

void TAbNumEdit::Loaded() {
  model_.Loaded();
}

void TAbNumEdit::UpClick() {
  model_.UpClick();
}

void TAbNumEdit::DownClick() {
  model_.DownClick();
}

void TAbNumEdit::keyPressEvent(QKeyEvent* e) {
  const TNumEditKey key = KeyOf(e->key());
  Guarded([&] { model_.KeyDown(key); });
  if (key != TNumEditKey::Escape && key != TNumEditKey::Other) {
    e->accept();
    return;
  }
  char32_t ch = 0;
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    ch = U'\r';
  } else if (const auto ucs4 = e->text().toUcs4(); !ucs4.isEmpty()) {
    ch = static_cast<char32_t>(ucs4.front());
  }
  if (ch != 0) {
    bool pass = true;
    Guarded([&] { pass = model_.KeyPress(ch); });
    if (!pass) {
      e->accept();
      return;
    }
  }
  QLineEdit::keyPressEvent(e);
}

void TAbNumEdit::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  // A context menu or another window taking over does not leave the field: its text stays pending.
  if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason) return;
  CommitText();
}

bool TAbNumEdit::CommitText() {
  bool valid = false;
  Guarded([&] { valid = model_.Exit(); });
  return valid;
}

void TAbNumEdit::showEvent(QShowEvent* e) {
  QLineEdit::showEvent(e);
  if (shown_) return;
  shown_ = true;
  if (!model_.IsLoaded()) model_.Loaded();
  Guarded([this] { model_.Commit(); });
}

void TAbNumEdit::ShowText(const std::string& text) {
  showingModelText_ = true;
  setText(QString::fromStdString(text));
  showingModelText_ = false;
}

void TAbNumEdit::SetBackground(TColor color) {
  QPalette pal = palette();
  pal.setColor(QPalette::Base, ToQColor(color, QApplication::palette(this)));
  setPalette(pal);
}

void TAbNumEdit::StateChanged(TNumEditState) {
  // The new colour is painted at once, before a beep or a selection follows.
  if (isVisible()) repaint();
}

void TAbNumEdit::LimitChanged() {}

void TAbNumEdit::Beep() {
  QApplication::beep();
}

void TAbNumEdit::SelectInvalid(int start, int length) {
  if (isEnabled() && isVisible()) setFocus(Qt::OtherFocusReason);
  const QString current = text();
  const int from = Utf16Offset(current, start);
  setSelection(from, Utf16Offset(current, start + length) - from);
}

bool TAbNumEdit::IsReadOnly() const {
  return isReadOnly();
}
