#include "tools/morvane-query/DisplayWidth.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

namespace {

struct TRange {
  char32_t First;
  char32_t Last;
};

// The two-cell characters, as measured on the reference client (an older edition of the Unicode
// East Asian width table: Hangul jamo, CJK symbols and ideographs, kana, Yi, Hangul syllables,
// compatibility forms and full-width forms).
constexpr std::array<TRange, 29> WideRanges{{
    {0x1100, 0x1159}, {0x115F, 0x115F}, {0x2329, 0x232A}, {0x2E80, 0x2E99}, {0x2E9B, 0x2EF3}, {0x2F00, 0x2FD5},
    {0x2FF0, 0x2FFB}, {0x3000, 0x303E}, {0x3041, 0x3096}, {0x3099, 0x30FF}, {0x3105, 0x312C}, {0x3131, 0x318E},
    {0x3190, 0x31B7}, {0x31F0, 0x321E}, {0x3220, 0x3243}, {0x3250, 0x327D}, {0x327F, 0x32FE}, {0x3300, 0x4DB5},
    {0x4E00, 0x9FA5}, {0xA000, 0xA48C}, {0xA490, 0xA4C6}, {0xAC00, 0xD7A3}, {0xF900, 0xFA2D}, {0xFA30, 0xFA6A},
    {0xFE30, 0xFE52}, {0xFE54, 0xFE66}, {0xFE68, 0xFE6B}, {0xFF01, 0xFF60}, {0xFFE0, 0xFFE6},
}};

bool IsWide(char32_t c) {
  if (c > 0xFFFF) return c >= 0x20000 && c <= 0x3FFFD;
  const auto range = std::upper_bound(WideRanges.begin(), WideRanges.end(), c,
                                      [](char32_t value, const TRange& r) { return value < r.First; });
  return range != WideRanges.begin() && c <= std::prev(range)->Last;
}

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

}  // namespace

std::size_t DisplayCells(std::string_view utf8) {
  std::size_t cells = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80             ? 1
                               : (lead & 0xE0) == 0xC0 ? 2
                               : (lead & 0xF0) == 0xE0 ? 3
                               : (lead & 0xF8) == 0xF0 ? 4
                                                       : 0;
    const bool whole = length != 0 && i + length <= utf8.size() &&
                       std::all_of(utf8.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                   utf8.begin() + static_cast<std::ptrdiff_t>(i + length),
                                   [](char c) { return IsContinuation(static_cast<unsigned char>(c)); });
    if (!whole) {
      // A malformed byte takes no cell; each of the following bytes is looked at on its own.
      ++i;
      continue;
    }
    char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    cells += IsWide(c) ? 2 : 1;
    i += length;
  }
  return cells;
}

void WriteText(std::FILE* out, std::string_view text) {
  for (std::size_t end = text.find('\0'); end != std::string_view::npos; end = text.find('\0')) {
    std::fwrite(text.data(), 1, end, out);
    std::fputc(' ', out);
    text.remove_prefix(end + 1);
  }
  std::fwrite(text.data(), 1, text.size(), out);
}
