#include "controls/FloatPicture.h"

#include "controls/Utf32Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace {

// A non-negative number as decimal digits d1 d2 ... meaning 0.d1d2... x 10^Exponent.
struct TDecimal {
  std::string Digits;
  int Exponent = 0;
  bool IsZero() const { return Digits.empty(); }
};

TDecimal ToDecimal(double magnitude) {
  TDecimal d;
  if (magnitude == 0) return d;
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
  const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
  const auto ePos = text.find('e');
  for (char c : text.substr(0, ePos))
    if (c != '.') d.Digits.push_back(c);
  int exp10 = 0;
  const auto expText = text.substr(ePos + 1);
  std::from_chars(expText.data() + (expText[0] == '+' ? 1 : 0), expText.data() + expText.size(), exp10);
  d.Exponent = exp10 + 1;
  while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
  return d;
}

// Keeps the first keep digits, rounding half away from zero.
void RoundToDigits(TDecimal& d, int keep) {
  if (keep < 0) {
    d = {};
    return;
  }
  if (static_cast<int>(d.Digits.size()) <= keep) return;
  const bool up = d.Digits[static_cast<std::size_t>(keep)] >= '5';
  d.Digits.resize(static_cast<std::size_t>(keep));
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.Digits[static_cast<std::size_t>(i)] == '9') d.Digits[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0) {
      ++d.Digits[static_cast<std::size_t>(i)];
    } else {
      d.Digits.insert(d.Digits.begin(), '1');
      ++d.Exponent;
    }
  }
  while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
}

// The digit at decimal position pos, where 0 is the first digit after the point.
char DigitAt(const TDecimal& d, int pos) {
  const int index = d.Exponent + pos;
  if (index < 0 || index >= static_cast<int>(d.Digits.size())) return '0';
  return d.Digits[static_cast<std::size_t>(index)];
}

struct TSectionLayout {
  int IntPlaceholders = 0;
  int ForcedIntDigits = 0;
  int FracPlaceholders = 0;
  int ForcedFracDigits = 0;
  bool Grouping = false;
  bool Scientific = false;
  bool ExponentPlusSign = false;
  int ExponentDigits = 0;
};

bool IsQuote(char32_t c) {
  return c == U'\'' || c == U'"';
}

bool IsExponentAt(std::u32string_view s, std::size_t i) {
  return (s[i] == U'E' || s[i] == U'e') && i + 1 < s.size() && (s[i + 1] == U'+' || s[i + 1] == U'-');
}

TSectionLayout Analyse(std::u32string_view section) {
  TSectionLayout layout;
  bool afterPoint = false;
  int firstZeroInt = -1;
  for (std::size_t i = 0; i < section.size(); ++i) {
    const char32_t c = section[i];
    if (IsQuote(c)) {
      const auto close = section.find(c, i + 1);
      i = close == std::u32string_view::npos ? section.size() : close;
    } else if (c == U'0' || c == U'#') {
      if (afterPoint) {
        ++layout.FracPlaceholders;
        if (c == U'0') layout.ForcedFracDigits = layout.FracPlaceholders;
      } else {
        if (c == U'0' && firstZeroInt < 0) firstZeroInt = layout.IntPlaceholders;
        ++layout.IntPlaceholders;
      }
    } else if (c == U'.') {
      afterPoint = true;
    } else if (c == U',') {
      layout.Grouping = !afterPoint || layout.Grouping;
    } else if (IsExponentAt(section, i) && !layout.Scientific) {
      layout.Scientific = true;
      layout.ExponentPlusSign = section[i + 1] == U'+';
      i += 2;
      while (i < section.size() && section[i] == U'0' && layout.ExponentDigits < 4) {
        ++layout.ExponentDigits;
        ++i;
      }
      --i;
    }
  }
  if (firstZeroInt >= 0) layout.ForcedIntDigits = layout.IntPlaceholders - firstZeroInt;
  return layout;
}

std::vector<std::u32string_view> SplitSections(std::u32string_view picture) {
  std::vector<std::u32string_view> sections;
  std::size_t start = 0;
  for (std::size_t i = 0; i < picture.size() && sections.size() < 2; ++i) {
    if (IsQuote(picture[i])) {
      const auto close = picture.find(picture[i], i + 1);
      i = close == std::u32string_view::npos ? picture.size() - 1 : close;
    } else if (picture[i] == U';') {
      sections.push_back(picture.substr(start, i - start));
      start = i + 1;
    }
  }
  std::u32string_view last = picture.substr(std::min(start, picture.size()));
  const auto extra = last.find(U';');
  if (sections.size() == 2 && extra != std::u32string_view::npos) last = last.substr(0, extra);
  sections.push_back(last);
  return sections;
}

// The value rounded as the section will show it, with the exponent shown in scientific form.
struct TRounded {
  TDecimal Number;
  int ShownExponent = 0;
};

TRounded RoundForSection(double magnitude, const TSectionLayout& layout) {
  TRounded r{ToDecimal(magnitude), 0};
  if (!layout.Scientific) {
    RoundToDigits(r.Number, r.Number.Exponent + layout.FracPlaceholders);
    return r;
  }
  if (r.Number.IsZero()) return r;
  // The mantissa fills every integer placeholder; "E" after a bare point gives 0.ddd.
  RoundToDigits(r.Number, layout.IntPlaceholders + layout.FracPlaceholders);
  r.ShownExponent = r.Number.Exponent - layout.IntPlaceholders;
  r.Number.Exponent = layout.IntPlaceholders;
  return r;
}

class TSectionWriter {
 public:
  TSectionWriter(const TSectionLayout& layout, const TRounded& value, const TNumberLocale& locale)
      : layout_(layout), value_(value), locale_(locale) {
    const int significant = std::max(value_.Number.Exponent, 0);
    intDigits_ = std::max(significant, layout_.ForcedIntDigits);
    fracDigits_ = layout_.FracPlaceholders;
    while (fracDigits_ > layout_.ForcedFracDigits && DigitAt(value_.Number, fracDigits_ - 1) == '0') --fracDigits_;
  }

  std::u32string Write(std::u32string_view section) {
    bool afterPoint = false;
    int intIndex = 0;
    int fracIndex = 0;
    for (std::size_t i = 0; i < section.size(); ++i) {
      const char32_t c = section[i];
      if (IsQuote(c)) {
        const auto close = section.find(c, i + 1);
        const auto end = close == std::u32string_view::npos ? section.size() : close;
        out_.append(section.substr(i + 1, end - i - 1));
        i = end;
      } else if ((c == U'0' || c == U'#') && !afterPoint) {
        WriteIntegerPlaceholder(intIndex++);
      } else if (c == U'0' || c == U'#') {
        if (fracIndex < fracDigits_) out_.push_back(static_cast<char32_t>(DigitAt(value_.Number, fracIndex)));
        ++fracIndex;
      } else if (c == U'.') {
        if (!afterPoint) {
          if (layout_.IntPlaceholders == 0) WriteIntegerDigitsFrom(intDigits_ - 1);
          if (fracDigits_ > 0) out_.push_back(locale_.DecimalSeparator);
        }
        afterPoint = true;
      } else if (c == U',') {
        // Grouping is done per digit.
      } else if (layout_.Scientific && IsExponentAt(section, i) && !exponentWritten_) {
        WriteExponent();
        i += 2;
        while (i < section.size() && section[i] == U'0') ++i;
        --i;
      } else {
        out_.push_back(c);
      }
    }
    return out_;
  }

 private:
  // Integer placeholder k of N stands for the digit at position N - 1 - k counted from the units;
  // the first one also shows every higher digit.
  void WriteIntegerPlaceholder(int index) {
    const int position = layout_.IntPlaceholders - 1 - index;
    const int from = index == 0 ? intDigits_ - 1 : position;
    if (from >= position) WriteIntegerDigitsFrom(from, position);
  }

  void WriteIntegerDigitsFrom(int from, int downTo = 0) {
    for (int p = from; p >= downTo; --p) {
      if (p >= intDigits_) continue;
      out_.push_back(static_cast<char32_t>(DigitAt(value_.Number, -1 - p)));
      if (layout_.Grouping && p > 0 && p % 3 == 0) out_.push_back(locale_.ThousandSeparator);
    }
  }

  void WriteExponent() {
    exponentWritten_ = true;
    out_.push_back(U'E');
    const int e = value_.ShownExponent;
    if (e < 0)
      out_.push_back(U'-');
    else if (layout_.ExponentPlusSign)
      out_.push_back(U'+');
    std::string digits = std::to_string(e < 0 ? -e : e);
    if (static_cast<int>(digits.size()) < layout_.ExponentDigits)
      digits.insert(0, static_cast<std::size_t>(layout_.ExponentDigits) - digits.size(), '0');
    for (char d : digits) out_.push_back(static_cast<char32_t>(d));
  }

  const TSectionLayout& layout_;
  const TRounded& value_;
  const TNumberLocale& locale_;
  int intDigits_ = 0;
  int fracDigits_ = 0;
  bool exponentWritten_ = false;
  std::u32string out_;
};

std::string GeneralFormat(double value, const TNumberLocale& locale) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  std::u32string out;
  for (const char* p = buf; p != res.ptr; ++p)
    out.push_back(*p == '.' ? locale.DecimalSeparator : static_cast<char32_t>(*p));
  return Utf32ToUtf8(out);
}

}  // namespace

std::string FormatFloat(std::string_view picture, double value, const TNumberLocale& locale) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";

  const std::u32string pictureText = Utf8ToUtf32(picture);
  const auto sections = SplitSections(pictureText);
  std::size_t index = 0;
  if (value < 0 && sections.size() >= 2 && !sections[1].empty()) index = 1;
  if (sections[index].empty()) return GeneralFormat(value, locale);

  TSectionLayout layout = Analyse(sections[index]);
  TRounded rounded = RoundForSection(std::fabs(value), layout);
  if (rounded.Number.IsZero() && sections.size() >= 3 && !sections[2].empty()) {
    index = 2;
    layout = Analyse(sections[2]);
    rounded = RoundForSection(0, layout);
  }
  std::u32string out;
  // Only the first section shows a sign of its own; a value that rounds to zero shows none.
  if (index == 0 && value < 0 && !rounded.Number.IsZero()) out.push_back(U'-');
  out += TSectionWriter(layout, rounded, locale).Write(sections[index]);
  return Utf32ToUtf8(out);
}
