#pragma once
// The pixel and shield type lists, read from a section of the INI file.
#include <string>
#include <string_view>
#include <vector>

class TIniFile;

// The entries "1", "2", ... of a section; the first missing or empty one ends the list.
std::vector<std::string> ReadTypeList(const TIniFile& ini, std::string_view section);
