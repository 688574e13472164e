// Build-time tool: writes a C++ source that places a version resource in the ELF section this
// program's executables carry it in.
//
//   morvane_version_resource_gen OUTPUT.cpp app|dll FILE_VERSION PRODUCT_VERSION [Name=Value ...]
//
// Versions are one to four dot-separated numbers (1.0.0 becomes 1.0.0.0); each Name=Value becomes a
// string of the table for US English in Unicode (key 040904B0).
#include "platform/VersionResourceBuilder.h"

#include <charconv>
#include <fstream>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint16_t UsEnglish = 0x0409;
constexpr std::uint16_t Utf16CodePage = 1200;

// The version as the two double words of the fixed information, most significant first.
std::optional<std::pair<std::uint32_t, std::uint32_t>> ParseVersion(std::string_view text) {
  std::uint16_t fields[4] = {};
  const char* position = text.data();
  const char* end = text.data() + text.size();
  for (int i = 0; i < 4 && position < end; ++i) {
    auto [next, error] = std::from_chars(position, end, fields[i]);
    if (error != std::errc() || (next != end && *next != '.')) return std::nullopt;
    position = next == end ? end : next + 1;
  }
  if (position != end || text.empty()) return std::nullopt;
  return std::pair{std::uint32_t{fields[0]} << 16 | fields[1], std::uint32_t{fields[2]} << 16 | fields[3]};
}

void WriteSource(std::ostream& out, const std::vector<std::uint8_t>& resource) {
  out << "// Generated at build time from the project's version and names; not to be edited.\n"
         "namespace {\n"
         "[[gnu::used, gnu::section(\""
      << VersionResourceSectionName
      << "\"), gnu::aligned(4)]]\n"
         "const unsigned char VersionResource[] = {";
  for (std::size_t i = 0; i < resource.size(); ++i)
    out << (i % 16 == 0 ? "\n   " : "") << ' ' << static_cast<unsigned>(resource[i]) << ',';
  out << "\n};\n} // namespace\n";
}

int Fail(const std::string& message) {
  std::cerr << "morvane_version_resource_gen: " << message << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return Fail("usage: OUTPUT.cpp app|dll FILE_VERSION PRODUCT_VERSION [Name=Value ...]");
  std::string_view fileType = argv[2];
  if (fileType != "app" && fileType != "dll") return Fail("file type must be app or dll, not " + std::string(fileType));
  auto fileVersion = ParseVersion(argv[3]);
  auto productVersion = ParseVersion(argv[4]);
  if (!fileVersion || !productVersion) return Fail("versions are up to four dot-separated numbers of 0 to 65535");

  VersionResourceContent content;
  content.fixed.dwFileVersionMS = fileVersion->first;
  content.fixed.dwFileVersionLS = fileVersion->second;
  content.fixed.dwProductVersionMS = productVersion->first;
  content.fixed.dwProductVersionLS = productVersion->second;
  content.fixed.dwFileFlagsMask = 0x3F;
  content.fixed.dwFileOS = VOS_NT_WINDOWS32;
  content.fixed.dwFileType = fileType == "app" ? VFT_APP : VFT_DLL;
  content.translations.push_back({UsEnglish, Utf16CodePage});
  VersionResourceContent::StringTable& table = content.stringTables.emplace_back();
  table.key = "040904B0";
  for (int i = 5; i < argc; ++i) {
    std::string_view pair = argv[i];
    std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos || equals == 0)
      return Fail("strings are given as Name=Value, not " + std::string(pair));
    table.strings.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
  }

  std::vector<std::uint8_t> resource;
  try {
    resource = BuildVersionResource(content);
  } catch (const std::length_error& error) {
    return Fail(error.what());
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  WriteSource(out, resource);
  out.close();
  if (!out) return Fail(std::string("cannot write ") + argv[1]);
  return 0;
}
