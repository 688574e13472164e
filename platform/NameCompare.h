#pragma once

#include <algorithm>
#include <string_view>

// ASCII case-insensitive comparison, as the system compares key, value, section and field names.
inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

struct LessIgnoreCase {
    bool operator()(std::string_view a, std::string_view b) const
    {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) { return AsciiLower(x) < AsciiLower(y); });
    }
};
