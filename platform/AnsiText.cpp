#include "platform/AnsiText.h"

#include "platform/Utf16.h"

#include <algorithm>
#include <array>

namespace {

// Code points of bytes 0x80..0x9F; zero where the code page has no character.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char ToAnsi(char16_t unit) {
  bool undefinedByte = unit >= 0x80 && unit < 0xA0 && HighControls[unit - 0x80] == 0;
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF) || undefinedByte) return static_cast<char>(unit);
  auto found = std::find(HighControls.begin(), HighControls.end(), unit);
  return found != HighControls.end() ? static_cast<char>(0x80 + (found - HighControls.begin())) : '?';
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
  std::u16string units(ansi.size(), u'\0');
  for (size_t i = 0; i < ansi.size(); ++i) {
    auto byte = static_cast<unsigned char>(ansi[i]);
    char16_t high = byte >= 0x80 && byte < 0xA0 ? HighControls[byte - 0x80] : 0;
    units[i] = high != 0 ? high : byte;
  }
  return Utf16ToUtf8(units);
}

std::string Utf8ToAnsi(std::string_view utf8) {
  std::u16string units = Utf8ToUtf16(utf8);
  std::string ansi;
  ansi.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    bool surrogatePair = units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < units.size();
    ansi += surrogatePair ? '?' : ToAnsi(units[i]);
    i += surrogatePair;
  }
  return ansi;
}
