#pragma once
// ASCII case-insensitive comparison and ordering of names.
#include <algorithm>
#include <string_view>

// ASCII case-insensitive comparison, as the system compares key, value, section and field names.
inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// Orders bytes as unsigned, so that names with bytes of 0x80 and above sort after ASCII.
struct LessIgnoreCase {
  bool operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return static_cast<unsigned char>(AsciiLower(x)) < static_cast<unsigned char>(AsciiLower(y));
    });
  }
};
