#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Read-only INI file with the rules of the system's profile functions: section and key names match
// without regard to case, blanks around names and values are dropped, one pair of enclosing quotes
// is removed, values are cut at MaxValueLength characters, and the first of repeated sections or
// keys wins. A missing or unreadable file reads as empty.
class TIniFile {
public:
    static constexpr size_t MaxValueLength = 2047;

    explicit TIniFile(const std::filesystem::path& file);

    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    std::vector<Section> sections_;
};
