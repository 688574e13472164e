#pragma once
// Reading text files saved on Windows, whatever their encoding, as UTF-8.
#include <string>
#include <string_view>

// The contents of a text file saved on Windows, as UTF-8: UTF-16 in either byte order when it
// begins with that byte-order mark, UTF-8 when it is valid UTF-8 (a UTF-8 byte-order mark is
// dropped), and otherwise the single-byte code page Windows-1252.
std::string DecodeWindowsText(std::string_view bytes);
