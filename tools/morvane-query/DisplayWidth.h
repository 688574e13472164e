#pragma once
// Terminal cells that UTF-8 text takes in the table layout, counted as the database's command-line
// client counts them, so that its borders line up the same way.
#include <cstddef>
#include <string_view>

// East Asian wide and full-width characters of the basic plane and the CJK ideographs beyond it
// (U+20000 to U+3FFFD) take two cells, other characters one, malformed bytes none.
std::size_t DisplayCells(std::string_view utf8);
