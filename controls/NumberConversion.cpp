#include "controls/NumberConversion.h"

#include "controls/Utf32Text.h"

#include <charconv>
#include <limits>

namespace {
bool IsDigit(char32_t c) {
  return c >= U'0' && c <= U'9';
}

int HexDigitValue(char32_t c) {
  if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
  if (c >= U'a' && c <= U'f') return static_cast<int>(c - U'a') + 10;
  if (c >= U'A' && c <= U'F') return static_cast<int>(c - U'A') + 10;
  return -1;
}

[[noreturn]] void ThrowNotValid(std::u32string_view text, const char* kind) {
  throw EConvertError("'" + Utf32ToUtf8(text) + "' is not a valid " + kind + " value");
}
}  // namespace

std::string AbIntToBin(std::int32_t value, int digits) {
  const auto bits = static_cast<std::uint32_t>(value);
  std::string out;
  std::uint32_t sum = 0;
  for (int bit = 0; bit < 32; ++bit) {
    const std::uint32_t mask = 1u << bit;
    out.insert(out.begin(), (bits & mask) ? '1' : '0');
    sum |= bits & mask;
    if (sum == bits && static_cast<int>(out.size()) >= digits) break;
  }
  if (static_cast<int>(out.size()) < digits) out.insert(0, static_cast<std::size_t>(digits) - out.size(), '0');
  return out;
}

std::uint32_t AbBinToLWord(std::u32string_view text) {
  std::uint32_t result = 0;
  std::size_t weightIndex = 0;
  for (auto it = text.rbegin(); it != text.rend() && weightIndex < 32; ++it, ++weightIndex) {
    if (*it == U'1') result |= 1u << weightIndex;
  }
  return result;
}

std::int32_t AbBinToInt(std::u32string_view text) {
  return static_cast<std::int32_t>(AbBinToLWord(text));
}

std::u32string AbRemoveSign(std::u32string_view text, char32_t c) {
  std::u32string out;
  for (char32_t ch : text)
    if (ch != c) out.push_back(ch);
  return out;
}

std::string IntToHexText(std::int32_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  auto bits = static_cast<std::uint32_t>(value);
  std::string out;
  do {
    out.insert(out.begin(), kDigits[bits & 0xF]);
    bits >>= 4;
  } while (bits != 0);
  if (static_cast<int>(out.size()) < digits) out.insert(0, static_cast<std::size_t>(digits) - out.size(), '0');
  return out;
}

std::int32_t HexTextToInt32(std::u32string_view digits) {
  std::uint32_t result = 0;
  int significant = 0;
  for (char32_t c : digits) {
    const int v = HexDigitValue(c);
    if (v < 0) ThrowNotValid(digits, "integer");
    if (significant == 0 && v == 0) continue;
    if (++significant > 8) ThrowNotValid(digits, "integer");
    result = (result << 4) | static_cast<std::uint32_t>(v);
  }
  return static_cast<std::int32_t>(result);
}

std::int32_t DecimalTextToInt32(std::u32string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == U'+' || text[i] == U'-')) negative = text[i++] == U'-';
  if (i == text.size()) ThrowNotValid(text, "integer");
  std::int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) ThrowNotValid(text, "integer");
    magnitude = magnitude * 10 + (text[i] - U'0');
    if (magnitude > 2147483648LL) ThrowNotValid(text, "integer");
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > 2147483647LL) ThrowNotValid(text, "integer");
  return static_cast<std::int32_t>(value);
}

double FloatTextToDouble(std::u32string_view text, const TNumberLocale& locale) {
  // Rebuilt as plain ASCII so <charconv> parses it independently of the C locale.
  std::string ascii;
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == U'+' || text[i] == U'-')) negative = text[i++] == U'-';
  bool mantissaDigits = false;
  for (; i < text.size() && IsDigit(text[i]); ++i, mantissaDigits = true) ascii.push_back(static_cast<char>(text[i]));
  if (i < text.size() && text[i] == locale.DecimalSeparator) {
    ascii.push_back('.');
    for (++i; i < text.size() && IsDigit(text[i]); ++i, mantissaDigits = true)
      ascii.push_back(static_cast<char>(text[i]));
  }
  if (!mantissaDigits) ThrowNotValid(text, "floating point");
  bool negativeExponent = false;
  if (i < text.size() && (text[i] == U'e' || text[i] == U'E')) {
    ascii.push_back('e');
    ++i;
    if (i < text.size() && (text[i] == U'+' || text[i] == U'-')) {
      negativeExponent = text[i] == U'-';
      ascii.push_back(static_cast<char>(text[i++]));
    }
    bool exponentDigits = false;
    for (; i < text.size() && IsDigit(text[i]); ++i, exponentDigits = true) ascii.push_back(static_cast<char>(text[i]));
    if (!exponentDigits) ThrowNotValid(text, "floating point");
  }
  if (i != text.size()) ThrowNotValid(text, "floating point");

  double value = 0;
  const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Too small to hold is zero; too large is the largest double, which the float range lowers further.
    value = negativeExponent ? 0.0 : std::numeric_limits<double>::max();
  } else if (ec != std::errc() || end != ascii.data() + ascii.size()) {
    ThrowNotValid(text, "floating point");
  }
  return negative ? -value : value;
}
