#pragma once
// Formatting of floating-point values with a picture such as "#,##0.00".
#include "controls/NumberLocale.h"

#include <string>
#include <string_view>

// Formats value with a float picture: "0" a digit always shown, "#" a digit shown only when significant,
// "." the decimal separator, "," thousands grouping, "E+"/"E-" (or lower-case) followed by "0"s an exponent,
// '...' or "..." literal text, and up to three ";"-separated sections for positive, negative and zero values.
// In the integer part every position from the first "0" on is shown; a picture without digit placeholders
// shows only its literal text. Rounding is half away from zero on
// the shortest decimal form of the value, so 2.35 shows as 2.4 with one decimal.
std::string FormatFloat(std::string_view picture, double value, const TNumberLocale& locale);
