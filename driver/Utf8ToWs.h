#pragma once
// UTF-8 to UTF-16 as the row conversion decodes wide text fields.
#include <cstddef>
#include <string_view>

// Decodes UTF-8 as the row conversion does: one- to three-byte sequences give one 16-bit unit,
// four-byte ones a surrogate pair (never split by the end of the room). Writes at most capacity
// units; with terminate, a zero unit goes after the last character or, when the destination is
// full, into its last unit. Returns the units written, without the terminator. Raises EConvertError on a malformed or
// incomplete sequence.
std::size_t Utf8ToWs(std::string_view source, char16_t* destination, std::size_t capacity, bool terminate);
