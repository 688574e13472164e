#include "controls/BaseRules.h"

namespace {
constexpr double kIntBound = 2147483647.0;

// Factors of ValidMultipChars, in its order: exa down to atto.
constexpr std::array<float, 12> kFactors = {1E18f, 1E15f, 1E12f, 1E9f,   1E6f,   1E3f,
                                            1E-3f, 1E-6f, 1E-9f, 1E-12f, 1E-15f, 1E-18f};
}  // namespace

TBaseTable MakeBaseTable(const TNumberLocale& locale) {
  std::u32string floatChars = U"0123456789";
  floatChars += locale.DecimalSeparator;
  floatChars += locale.ThousandSeparator;
  std::u32string intChars = U"0123456789";
  intChars += locale.ThousandSeparator;

  TBaseTable table;
  table[ebBin] = {U"01", false, false, U"", -kIntBound, kIntBound};
  table[ebHex] = {U"0123456789abcdefABCDEF", false, false, U"", -kIntBound, kIntBound};
  // Symmetric, so that an overflow to either infinity is clamped to a value the edit can show.
  table[ebFloat] = {floatChars, true, true, U"+-", -1.7E308, 1.7E308};
  table[ebInt] = {intChars, false, true, U"+-", -kIntBound, kIntBound};
  return table;
}

std::optional<TEditBase> BaseOfPrefix(char32_t c) {
  switch (c) {
    case U'$':
      return ebHex;
    case U'%':
      return ebInt;
    case U'&':
      return ebBin;
    case U'!':
      return ebFloat;
    default:
      return std::nullopt;
  }
}

std::optional<float> FactorOfMultiplier(char32_t c) {
  const auto pos = ValidMultipChars.find(c);
  if (pos == std::u32string_view::npos) return std::nullopt;
  return kFactors[pos];
}
