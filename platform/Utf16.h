#pragma once
// Conversions between UTF-8 and UTF-16.
#include <string>
#include <string_view>

// Conversions between the UTF-8 text kept in memory and the UTF-16 of Windows data.
// Malformed input is replaced by U+FFFD rather than rejected: stored data is never lost to an exception.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Whether the bytes are well-formed UTF-8: no overlong forms, surrogates or code points past U+10FFFF.
bool IsValidUtf8(std::string_view text);
