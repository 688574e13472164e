#include "wire/MessageFormat.h"

#include <charconv>
#include <cstddef>

namespace {

struct TPlaceholder {
  bool LeftAlign = false;
  std::size_t Width = 0;
  bool HasPrecision = false;
  std::size_t Precision = 0;
  char Conversion = 0;
  std::size_t End = 0;  // index just past the placeholder
};

std::size_t ReadNumber(std::string_view text, std::size_t& pos) {
  std::size_t value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + static_cast<std::size_t>(text[pos] - '0');
    ++pos;
  }
  return value;
}

// Parses the placeholder that starts at tmpl[start] == '%'; Conversion stays 0 when it is not one.
TPlaceholder ParsePlaceholder(std::string_view tmpl, std::size_t start) {
  TPlaceholder p;
  std::size_t pos = start + 1;
  if (pos < tmpl.size() && tmpl[pos] == '-') {
    p.LeftAlign = true;
    ++pos;
  }
  p.Width = ReadNumber(tmpl, pos);
  if (pos < tmpl.size() && tmpl[pos] == '.') {
    ++pos;
    p.HasPrecision = true;
    p.Precision = ReadNumber(tmpl, pos);
  }
  if (pos < tmpl.size()) {
    const char c = tmpl[pos];
    if (c == 'd' || c == 's' || c == 'x' || c == 'X') {
      p.Conversion = c;
      p.End = pos + 1;
    }
  }
  return p;
}

std::string Convert(const TPlaceholder& p, const TFormatArg& arg, bool& ok) {
  ok = true;
  if (p.Conversion == 's') {
    if (const auto* text = std::get_if<std::string>(&arg)) return p.HasPrecision ? text->substr(0, p.Precision) : *text;
    ok = false;
    return {};
  }
  const auto* number = std::get_if<std::int64_t>(&arg);
  if (!number) {
    ok = false;
    return {};
  }
  char digits[32];
  std::to_chars_result r{};
  if (p.Conversion == 'd') {
    r = std::to_chars(digits, digits + sizeof digits, *number);
  } else {
    // Hexadecimal shows the 32-bit pattern, as the platform's error codes are 32-bit values.
    r = std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(*number), 16);
    if (p.Conversion == 'X')
      for (char* c = digits; c != r.ptr; ++c)
        if (*c >= 'a' && *c <= 'f') *c = static_cast<char>(*c - 'a' + 'A');
  }
  return std::string(digits, r.ptr);
}

}  // namespace

std::string FormatTemplate(std::string_view tmpl, const TFormatArgs& args) {
  std::string out;
  out.reserve(tmpl.size() + 32);
  std::size_t next = 0;
  std::size_t i = 0;
  while (i < tmpl.size()) {
    if (tmpl[i] != '%') {
      out += tmpl[i++];
      continue;
    }
    if (i + 1 < tmpl.size() && tmpl[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    const TPlaceholder p = ParsePlaceholder(tmpl, i);
    bool ok = false;
    std::string value;
    if (p.Conversion != 0 && next < args.size()) value = Convert(p, args[next], ok);
    if (!ok) {
      out += tmpl[i++];
      continue;
    }
    ++next;
    if (value.size() < p.Width) {
      const std::string pad(p.Width - value.size(), ' ');
      value = p.LeftAlign ? value + pad : pad + value;
    }
    out += value;
    i = p.End;
  }
  return out;
}
