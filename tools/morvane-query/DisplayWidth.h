#pragma once
// Text on a terminal in the table and vertical layouts, as the database's command-line client
// shows it, so that its borders line up the same way.
#include <cstddef>
#include <cstdio>
#include <string_view>

// East Asian wide and full-width characters of the basic plane and the CJK ideographs beyond it
// (U+20000 to U+3FFFD) take two cells, other characters one, malformed bytes none.
std::size_t DisplayCells(std::string_view utf8);

// Writes the text with each NUL byte shown as a blank.
void WriteText(std::FILE* out, std::string_view text);
