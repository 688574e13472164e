#pragma once
// The rules of the numeric edit's four bases: accepted characters, prefixes, multipliers, ranges.
#include "controls/NumEditTypes.h"
#include "controls/NumberLocale.h"

#include <array>
#include <optional>
#include <string>

// What text each base accepts and the range every committed value of that base is forced into.
struct TBaseProperties {
  std::u32string ValidChars;
  bool ExpEnable = false;
  bool MultiEnable = false;
  std::u32string Sign;
  double MinValue = 0;
  double MaxValue = 0;
};

using TBaseTable = std::array<TBaseProperties, 4>;

TBaseTable MakeBaseTable(const TNumberLocale& locale);

inline constexpr std::u32string_view ValidFirstChar = U"$%&!";
inline constexpr std::u32string_view ExpChars = U"Ee";
inline constexpr std::u32string_view ValidMultipChars = U"EPTGMkmunpfa";

// The base a prefix character selects ("$" hex, "%" int, "&" bin, "!" float), if it is one.
std::optional<TEditBase> BaseOfPrefix(char32_t c);

// The single-precision factor of a multiplier letter, if it is one.
std::optional<float> FactorOfMultiplier(char32_t c);

inline bool Contains(std::u32string_view set, char32_t c) {
  return set.find(c) != std::u32string_view::npos;
}
