#pragma once
// Terminal cells that UTF-8 text takes in the table layout, counted as the database's command-line
// client counts them, so that its borders line up the same way.
#include <cstddef>
#include <string_view>

// East Asian wide and full-width characters of the basic plane take two cells, other characters
// of the basic plane one; characters beyond it and malformed bytes take none.
std::size_t DisplayCells(std::string_view utf8);
