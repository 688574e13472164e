#pragma once
// UTF-8 to UTF-32 for the numeric controls, which check their text character by character.
#include <string>
#include <string_view>

// The controls check typed text character by character; separators of some locales are not ASCII.
// Malformed UTF-8 bytes decode to U+FFFD, which no number rule accepts.
std::u32string Utf8ToUtf32(std::string_view text);
std::string Utf32ToUtf8(std::u32string_view text);
