#pragma once
// Reading INI files as the system's profile functions do.
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>

// Read-only INI file with the rules of the system's profile functions: section and key names match
// without regard to case, blanks around names and values are dropped, one pair of enclosing quotes
// is removed, values are cut at MaxValueLength characters, and the first of repeated sections or
// keys wins. The file may be saved as UTF-16 with a byte-order mark, UTF-8 or Windows-1252. A
// missing or unreadable file reads as empty. Looking a key up takes the same time however many
// the file holds.
class TIniFile {
 public:
  static constexpr size_t MaxValueLength = 2047;

  explicit TIniFile(const std::filesystem::path& file);

  std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;

 private:
  // Values by key, and keys by section, each under its name in ASCII lower case.
  using Section = std::unordered_map<std::string, std::string>;
  std::unordered_map<std::string, Section> sections_;
};
