#include "components/SqlLiterals.h"

#include "dataset/DateTime.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool NeedsQuoting(std::string_view name) {
  if (name.empty() || !IsLetter(name.front())) return true;
  for (char c : name.substr(1))
    if (!IsLetter(c) && !IsDigit(c) && c != '_' && c != '$') return true;
  return false;
}

bool IsQuoted(std::string_view name) {
  if (name.size() < 2) return false;
  char first = name.front(), last = name.back();
  return first == last && (first == '`' || first == '"' || first == '\'');
}

std::string QuotePart(std::string_view part, bool quoteNames) {
  return IsQuoted(part) ? std::string(part) : QuoteIdentifier(part, quoteNames);
}

std::string NumberText(double value) {
  char text[32];
  auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

std::string CurrencyText(double value) {
  long long scaled = std::llround(value * 10000.0);
  char text[40];
  unsigned long long magnitude =
      scaled < 0 ? 0ULL - static_cast<unsigned long long>(scaled) : static_cast<unsigned long long>(scaled);
  std::snprintf(text, sizeof text, "%s%llu.%04llu", scaled < 0 ? "-" : "", magnitude / 10000, magnitude % 10000);
  std::string result(text);
  while (result.back() == '0') result.pop_back();
  if (result.back() == '.') result.pop_back();
  return result;
}

// The fraction of a second, ".f" to ".ffffff", as the column keeps it; the value holds milliseconds.
std::string FractionText(int milliSecond, int digits) {
  if (digits <= 0) return {};
  char text[8];
  std::snprintf(text, sizeof text, "%06d", milliSecond * 1000);
  return "." + std::string(text, static_cast<std::size_t>(std::min(digits, 6)));
}

std::string TimeLiteral(double value, int fractionDigits) {
  long long ms = std::llround(std::fabs(value) * 86400000.0);
  long long seconds = ms / 1000;
  char text[40];
  std::snprintf(text, sizeof text, "'%s%lld:%02lld:%02lld", value < 0 ? "-" : "", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  return text + FractionText(static_cast<int>(ms % 1000), fractionDigits) + "'";
}

}  // namespace

std::string QuotedString(std::string_view text, bool needBackslashes) {
  std::string literal;
  literal.reserve(text.size() + 2);
  literal += '\'';
  for (char c : text) {
    if (!needBackslashes) {
      if (c == '\'') literal += '\'';
      literal += c;
      continue;
    }
    switch (c) {
      case '\0':
        literal += "\\0";
        break;
      case '\n':
        literal += "\\n";
        break;
      case '\r':
        literal += "\\r";
        break;
      case '\x1A':
        literal += "\\Z";
        break;
      case '"':
      case '\'':
      case '\\':
        literal += '\\';
        literal += c;
        break;
      default:
        literal += c;
    }
  }
  literal += '\'';
  return literal;
}

std::string ValueLiteral(const TValue& value, TDataType type, bool needBackslashes, int fractionDigits) {
  if (IsNullValue(value)) return "NULL";
  if (auto* text = std::get_if<std::string>(&value))
    return type == dtFMTBCD ? *text : QuotedString(*text, needBackslashes);  // checked digits
  if (auto* flag = std::get_if<bool>(&value)) return *flag ? "1" : "0";
  if (auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
  if (auto* u = std::get_if<std::uint64_t>(&value)) return std::to_string(*u);
  double number = std::get<double>(value);
  if (IsDateTimeType(type) && number == ZeroDate()) return "'0000-00-00 00:00:00'";
  switch (type) {
    case dtDate:
      return "'" + FormatDate(number) + "'";
    case dtTime:
      return TimeLiteral(number, fractionDigits);
    case dtDateTime:
    case dtSQLTimeStamp:
      return "'" + FormatDateTime(number) + FractionText(DecodeDateTime(number).MilliSecond, fractionDigits) + "'";
    case dtBCD:
    case dtCurrency:
      return CurrencyText(number);
    default:
      return NumberText(number);
  }
}

std::string QuoteIdentifier(std::string_view name, bool quoteNames) {
  if (!quoteNames && !NeedsQuoting(name)) return std::string(name);
  std::string quoted = "`";
  for (char c : name) {
    if (c == '`') quoted += '`';
    quoted += c;
  }
  return quoted + "`";
}

std::string QuoteName(std::string_view name, bool quoteNames) {
  if (IsQuoted(name)) return std::string(name);
  std::string result;
  std::size_t start = 0;
  for (;;) {
    std::size_t dot = name.find('.', start);
    result += QuotePart(name.substr(start, dot == std::string_view::npos ? dot : dot - start), quoteNames);
    if (dot == std::string_view::npos) return result;
    result += '.';
    start = dot + 1;
  }
}
