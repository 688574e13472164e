#include "platform/IniFile.h"

#include "platform/NameCompare.h"

#include <algorithm>
#include <fstream>

namespace {

std::string_view Trim(std::string_view s)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view Unquote(std::string_view s)
{
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}

// Cuts UTF-8 text after maxCharacters code points.
std::string_view CutCharacters(std::string_view s, size_t maxCharacters)
{
    size_t characters = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        bool startsCharacter = (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80;
        if (startsCharacter && characters++ == maxCharacters)
            return s.substr(0, i);
    }
    return s;
}

} // namespace

TIniFile::TIniFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string line;
    Section* section = nullptr;
    Section ignoredRepeat;
    bool first = true;
    while (std::getline(in, line)) {
        std::string_view text = line;
        if (first && text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);
        first = false;
        text = Trim(text);
        if (text.starts_with('[')) {
            size_t close = text.find(']');
            std::string_view name = Trim(text.substr(1, close == std::string_view::npos ? close : close - 1));
            auto known = std::find_if(sections_.begin(), sections_.end(),
                                      [&](const Section& s) { return EqualsIgnoreCase(s.name, name); });
            section = known != sections_.end() ? &ignoredRepeat : &sections_.emplace_back(Section{std::string(name), {}});
            continue;
        }
        size_t equals = text.find('=');
        if (!section || text.starts_with(';') || equals == std::string_view::npos)
            continue;
        std::string_view value = CutCharacters(Unquote(Trim(text.substr(equals + 1))), MaxValueLength);
        section->entries.emplace_back(Trim(text.substr(0, equals)), value);
    }
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    // The first section of a name is the only one searched, as the system's reader does.
    auto found = std::find_if(sections_.begin(), sections_.end(),
                              [&](const Section& s) { return EqualsIgnoreCase(s.name, section); });
    if (found != sections_.end())
        for (const auto& [name, value] : found->entries)
            if (EqualsIgnoreCase(name, key))
                return value;
    return std::string(defaultValue);
}
