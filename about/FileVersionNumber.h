#pragma once
// The four-part version number of a version resource, its text form and its ordering.
#include <compare>
#include <cstdint>
#include <string>

// A four-part version number, most significant field first, as the fixed version information holds it.
struct TFileVersionNumber {
  std::uint16_t V1 = 0;
  std::uint16_t V2 = 0;
  std::uint16_t V3 = 0;
  std::uint16_t V4 = 0;

  // From the two double words of the fixed information (most and least significant).
  static TFileVersionNumber FromDoubleWords(std::uint32_t mostSignificant, std::uint32_t leastSignificant);

  operator std::string() const;
};

// "V1.V2.V3.V4" in decimal, e.g. "1.0.0.12".
std::string VerNumToStr(const TFileVersionNumber& version);

// The difference of the first differing field, V1 to V4: negative when `a` is the lower version.
int CompareVerNums(const TFileVersionNumber& a, const TFileVersionNumber& b);

inline bool operator==(const TFileVersionNumber& a, const TFileVersionNumber& b) {
  return CompareVerNums(a, b) == 0;
}
inline std::strong_ordering operator<=>(const TFileVersionNumber& a, const TFileVersionNumber& b) {
  return CompareVerNums(a, b) <=> 0;
}
