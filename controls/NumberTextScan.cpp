#include "controls/NumberTextScan.h"

#include "controls/NumberConversion.h"

namespace {

// Positions of invalid characters: the span starts at the first character that breaks the character
// rules (or, if none does, the first surplus decimal separator) and ends at the last marked one.
class TMarks {
 public:
  void MarkInvalid(int pos) {
    if (!firstInvalid_) firstInvalid_ = pos;
    Extend(pos);
  }
  void MarkSurplusSeparator(int pos) {
    if (!firstSurplus_) firstSurplus_ = pos;
    Extend(pos);
  }
  void Report(TNumberTextScan& scan) const {
    const auto first = firstInvalid_ ? firstInvalid_ : firstSurplus_;
    if (!first) return;
    scan.ErrorStart = *first;
    scan.ErrorLength = last_ - *first + 1;
  }

 private:
  void Extend(int pos) { last_ = std::max(last_, pos); }
  std::optional<int> firstInvalid_;
  std::optional<int> firstSurplus_;
  int last_ = -1;
};

void MarkInvalidCharacters(std::u32string_view text, int from, int to, const TBaseProperties& rules,
                           const TNumberLocale& locale, TMarks& marks) {
  int i = from + (Contains(rules.Sign, text[static_cast<std::size_t>(from)]) ? 1 : 0);
  std::optional<int> exponentAt;
  for (; i <= to; ++i) {
    const char32_t c = text[static_cast<std::size_t>(i)];
    if (rules.ExpEnable && Contains(ExpChars, c)) {
      exponentAt = i;
      break;
    }
    if (!Contains(rules.ValidChars, c)) marks.MarkInvalid(i);
  }
  if (exponentAt) {
    const int j = *exponentAt + 1;
    const int signLength = (j <= to && Contains(rules.Sign, text[static_cast<std::size_t>(j)])) ? 1 : 0;
    for (int k = j + signLength; k <= to; ++k)
      if (!Contains(rules.ValidChars, text[static_cast<std::size_t>(k)])) marks.MarkInvalid(k);
  }
  bool seenSeparator = false;
  for (int k = from; k <= to; ++k) {
    if (text[static_cast<std::size_t>(k)] != locale.DecimalSeparator) continue;
    if (seenSeparator) marks.MarkSurplusSeparator(k);
    seenSeparator = true;
  }
}

}  // namespace

TNumberTextScan ScanNumberText(std::u32string_view text, TEditBase editBase, const TBaseTable& bases,
                               const TNumberLocale& locale) {
  TNumberTextScan scan;
  scan.ParseBase = editBase;
  if (text.empty()) return scan;

  int from = 0;
  int to = static_cast<int>(text.size()) - 1;
  if (const auto prefixed = BaseOfPrefix(text.front())) {
    from = 1;
    scan.ParseBase = *prefixed;
  }
  const TBaseProperties& rules = bases[scan.ParseBase];
  if (rules.MultiEnable) {
    if (const auto factor = FactorOfMultiplier(text.back())) {
      // A letter that only shrinks the value is a multiplier in the float base alone ("5m" is no integer).
      if (scan.ParseBase == ebFloat || *factor > 1) {
        scan.Factor = *factor;
        --to;
      }
    }
  }
  if (to >= from) {
    TMarks marks;
    MarkInvalidCharacters(text, from, to, rules, locale, marks);
    marks.Report(scan);
    scan.Number = std::u32string(text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from + 1)));
  }
  if (scan.ErrorStart) return scan;

  if (scan.Number.size() == 1 && Contains(rules.Sign, scan.Number[0])) scan.Number += U'0';
  if (rules.ExpEnable && !scan.Number.empty() && Contains(ExpChars, scan.Number[0])) scan.Number.insert(0, 1, U'1');
  if (rules.MultiEnable && scan.Factor != 1.0 && scan.Number.empty()) scan.Number.push_back(U'1');
  scan.Number = AbRemoveSign(scan.Number, locale.ThousandSeparator);
  return scan;
}

double ConvertScannedNumber(const TNumberTextScan& scan, const TNumberLocale& locale) {
  double number = 0;
  if (!scan.Number.empty()) {
    switch (scan.ParseBase) {
      case ebBin:
        number = AbBinToInt(scan.Number);
        break;
      case ebHex:
        number = HexTextToInt32(scan.Number);
        break;
      case ebFloat:
        number = FloatTextToDouble(scan.Number, locale);
        break;
      case ebInt:
        number = DecimalTextToInt32(scan.Number);
        break;
    }
  }
  if (scan.Factor != 1.0) number *= scan.Factor;
  return number;
}
