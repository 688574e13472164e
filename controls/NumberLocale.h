#pragma once
// The decimal and thousand separators of the numeric controls.

// Decimal and thousand separators the numeric controls parse and show.
struct TNumberLocale {
  char32_t DecimalSeparator = U'.';
  char32_t ThousandSeparator = U',';
};

// The separators current when the program started; set once before the first control exists.
const TNumberLocale& ProgramNumberLocale();
void SetProgramNumberLocale(const TNumberLocale& locale);
bool ProgramNumberLocaleSet();
