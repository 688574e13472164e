#pragma once
// Laying out a version resource from what it says.
#include "platform/VersionResourceFormat.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What a version resource says: its fixed information, its translation table and one string table
// per key ("040904B0": language and code page as eight hexadecimal digits). Texts are UTF-8.
struct VersionResourceContent {
  struct Translation {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
  };
  struct StringTable {
    std::string key;
    std::vector<std::pair<std::string, std::string>> strings;
  };

  VS_FIXEDFILEINFO fixed;
  std::vector<Translation> translations;
  std::vector<StringTable> stringTables;
};

// The resource in the published binary layout (VS_VERSIONINFO with StringFileInfo and VarFileInfo),
// as a resource compiler lays it out. The signature and structure version of `fixed` are filled in.
std::vector<std::uint8_t> BuildVersionResource(const VersionResourceContent& content);
