#pragma once

#include <string>
#include <string_view>
#include <vector>

class TIniFile;

// The entries "1", "2", ... of a section; the first missing or empty one ends the list.
std::vector<std::string> ReadTypeList(const TIniFile& ini, std::string_view section);
