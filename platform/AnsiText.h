#pragma once

#include <string>
#include <string_view>

// UTF-8 text in the single-byte code page that files for other systems are written in
// (Windows-1252: ASCII unchanged); a character the code page lacks becomes "?".
std::string Utf8ToAnsi(std::string_view utf8);

// Text in that code page as UTF-8; the five bytes it leaves undefined stand for the control
// characters of the same number, as Windows reads them.
std::string AnsiToUtf8(std::string_view ansi);
