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
void AppendFraction(std::string& out, int milliSecond, int digits) {
  if (digits <= 0) return;
  char text[6];
  int micro = milliSecond * 1000;
  for (int i = 5; i >= 0; --i, micro /= 10) text[i] = static_cast<char>('0' + micro % 10);
  out += '.';
  out.append(text, static_cast<std::size_t>(std::min(digits, 6)));
}

void AppendTimeLiteral(std::string& out, double value, int fractionDigits) {
  long long ms = std::llround(std::fabs(value) * 86400000.0);
  long long seconds = ms / 1000;
  char text[40];
  out.append(text,
             static_cast<std::size_t>(std::snprintf(text, sizeof text, "'%s%lld:%02lld:%02lld", value < 0 ? "-" : "",
                                                    seconds / 3600, seconds / 60 % 60, seconds % 60)));
  AppendFraction(out, static_cast<int>(ms % 1000), fractionDigits);
  out += '\'';
}

// The two bytes a backslash-escaped literal writes for a byte, or null for a byte copied as it is.
constexpr const char* BackslashEscape(char c) {
  switch (c) {
    case '\0':
      return "\\0";
    case '\n':
      return "\\n";
    case '\r':
      return "\\r";
    case '\x1A':
      return "\\Z";
    case '"':
      return "\\\"";
    case '\'':
      return "\\'";
    case '\\':
      return "\\\\";
    default:
      return nullptr;
  }
}

// Which bytes a literal escapes, with backslashes ([1]) and without ([0]): one look-up a byte.
struct TEscapedBytes {
  bool Escaped[2][256] = {};
  constexpr TEscapedBytes() {
    for (int c = 0; c < 256; ++c) Escaped[1][c] = BackslashEscape(static_cast<char>(c)) != nullptr;
    Escaped[0][static_cast<unsigned char>('\'')] = true;
  }
};
constexpr TEscapedBytes EscapedBytes;

template <typename Number>
void AppendNumber(std::string& out, Number number) {
  char text[32];
  out.append(text, std::to_chars(text, text + sizeof text, number).ptr);
}

// A date, time, date-time, currency or floating-point value's literal.
void AppendNumberLiteral(std::string& out, double number, TDataType type, int fractionDigits) {
  if (IsDateTimeType(type) && number == ZeroDate()) {
    out += "'0000-00-00 00:00:00'";
    return;
  }
  char text[DateTimeTextCapacity];
  switch (type) {
    case dtDate:
      out += '\'';
      out.append(text, WriteDate(text, number));
      out += '\'';
      break;
    case dtTime:
      AppendTimeLiteral(out, number, fractionDigits);
      break;
    case dtDateTime:
    case dtSQLTimeStamp:
      out += '\'';
      out.append(text, WriteDateTime(text, number));
      if (fractionDigits > 0) AppendFraction(out, DecodeDateTime(number).MilliSecond, fractionDigits);
      out += '\'';
      break;
    case dtBCD:
    case dtCurrency:
      out += CurrencyText(number);
      break;
    default:
      AppendNumber(out, number);
  }
}

}  // namespace

void AppendQuotedString(std::string& out, std::string_view text, bool needBackslashes) {
  const bool* escaped = EscapedBytes.Escaped[needBackslashes ? 1 : 0];
  // Room for every byte escaped, written through a pointer and cut to what was written.
  const std::size_t start = out.size();
  out.resize(start + 2 * text.size() + 2);
  char* to = out.data() + start;
  *to++ = '\'';
  for (char c : text) {
    if (escaped[static_cast<unsigned char>(c)]) {
      const char* escape = needBackslashes ? BackslashEscape(c) : "''";
      *to++ = escape[0];
      c = escape[1];
    }
    *to++ = c;
  }
  *to++ = '\'';
  out.resize(static_cast<std::size_t>(to - out.data()));
}

std::string QuotedString(std::string_view text, bool needBackslashes) {
  std::string literal;
  literal.reserve(text.size() + 2);
  AppendQuotedString(literal, text, needBackslashes);
  return literal;
}

void AppendValueLiteral(std::string& out, const TValue& value, TDataType type, bool needBackslashes,
                        int fractionDigits) {
  if (IsNullValue(value)) {
    out += "NULL";
  } else if (auto* text = std::get_if<std::string>(&value)) {
    if (type == dtFMTBCD)
      out += *text;  // checked digits
    else
      AppendQuotedString(out, *text, needBackslashes);
  } else if (auto* flag = std::get_if<bool>(&value)) {
    out += *flag ? '1' : '0';
  } else if (auto* i = std::get_if<std::int64_t>(&value)) {
    AppendNumber(out, *i);
  } else if (auto* u = std::get_if<std::uint64_t>(&value)) {
    AppendNumber(out, *u);
  } else {
    AppendNumberLiteral(out, std::get<double>(value), type, fractionDigits);
  }
}

std::string ValueLiteral(const TValue& value, TDataType type, bool needBackslashes, int fractionDigits) {
  std::string literal;
  AppendValueLiteral(literal, value, type, needBackslashes, fractionDigits);
  return literal;
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
