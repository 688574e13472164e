#pragma once
// Conversions between UTF-8 and the single-byte code page Windows-1252.
#include <string>
#include <string_view>

// UTF-8 text in the single-byte code page that files for other systems are written in
// (Windows-1252: ASCII unchanged); a character the code page lacks becomes "?".
std::string Utf8ToAnsi(std::string_view utf8);
// The other way; the five bytes the code page leaves undefined stand for the control characters
// of their number, both ways.
std::string AnsiToUtf8(std::string_view ansi);
