#pragma once
// Scanning a numeric edit's text into prefix, multiplier, number and rejected characters.
#include "controls/BaseRules.h"

#include <optional>
#include <string>

// The part of a numeric edit's text that holds the number, and the characters no rule accepts.
struct TNumberTextScan {
  TEditBase ParseBase = ebFloat;
  double Factor = 1.0;
  std::u32string Number;          // without prefix and multiplier, ready to convert
  std::optional<int> ErrorStart;  // zero-based position of the span to select in the text
  int ErrorLength = 0;
};

// Finds prefix, multiplier, number and invalid characters of text, parsed in editBase unless prefixed.
TNumberTextScan ScanNumberText(std::u32string_view text, TEditBase editBase, const TBaseTable& bases,
                               const TNumberLocale& locale);

// Converts the number of a scan without invalid characters; throws EConvertError.
double ConvertScannedNumber(const TNumberTextScan& scan, const TNumberLocale& locale);
