#pragma once
// Conversions between numbers and the binary, hexadecimal, decimal and float texts of the numeric edit.
#include "controls/NumberLocale.h"
#include "platform/ConvertError.h"

#include <cstdint>
#include <stdexcept>
#include <string>

// Binary text of value; Digits > 0 pads with "0" to at least that many digits, never truncating.
std::string AbIntToBin(std::int32_t value, int digits);
// "1" characters from the end weigh 1, 2, 4, ...; other characters and those past the 32nd count nothing.
std::uint32_t AbBinToLWord(std::u32string_view text);
std::int32_t AbBinToInt(std::u32string_view text);
std::u32string AbRemoveSign(std::u32string_view text, char32_t c);

// Upper-case hexadecimal of value read as unsigned 32 bits, padded with "0" to at least digits.
std::string IntToHexText(std::int32_t value, int digits);

// Up to eight significant hexadecimal digits as a 32-bit pattern ("FFFFFFFF" is -1); throws EConvertError.
std::int32_t HexTextToInt32(std::u32string_view digits);
// Signed decimal within the 32-bit range; throws EConvertError.
std::int32_t DecimalTextToInt32(std::u32string_view text);
// Sign, digits, one decimal separator, exponent; throws EConvertError. Magnitudes beyond a double
// become the largest double, those too small for one become 0.
double FloatTextToDouble(std::u32string_view text, const TNumberLocale& locale);
