#include "platform/IniFile.h"

#include "platform/NameCompare.h"
#include "platform/WindowsText.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

std::string_view Trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view Unquote(std::string_view s) {
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
    return s.substr(1, s.size() - 2);
  return s;
}

// Cuts UTF-8 text after maxCharacters code points.
std::string_view CutCharacters(std::string_view s, size_t maxCharacters) {
  size_t characters = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    bool startsCharacter = (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80;
    if (startsCharacter && characters++ == maxCharacters) return s.substr(0, i);
  }
  return s;
}

std::string LowerCase(std::string_view name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower);
  return lower;
}

}  // namespace

TIniFile::TIniFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string text = DecodeWindowsText(std::string(std::istreambuf_iterator<char>(in), {}));
  Section* section = nullptr;
  Section ignoredRepeat;
  for (size_t start = 0; start < text.size();) {
    size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line = Trim(std::string_view(text).substr(start, end - start));
    start = end + 1;
    if (line.starts_with('[')) {
      size_t close = line.find(']');
      std::string_view name = Trim(line.substr(1, close == std::string_view::npos ? close : close - 1));
      auto [found, added] = sections_.try_emplace(LowerCase(name));
      section = added ? &found->second : &ignoredRepeat;
      continue;
    }
    size_t equals = line.find('=');
    if (!section || line.starts_with(';') || equals == std::string_view::npos) continue;
    std::string_view value = CutCharacters(Unquote(Trim(line.substr(equals + 1))), MaxValueLength);
    section->try_emplace(LowerCase(Trim(line.substr(0, equals))), value);
  }
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const {
  // The first section of a name is the only one searched, as the system's reader does.
  if (auto found = sections_.find(LowerCase(section)); found != sections_.end())
    if (auto value = found->second.find(LowerCase(key)); value != found->second.end()) return value->second;
  return std::string(defaultValue);
}
