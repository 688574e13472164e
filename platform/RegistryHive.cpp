#include "platform/RegistryHive.h"

#include "platform/Utf16.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

constexpr std::string_view Header = "Windows Registry Editor Version 5.00";

std::string EncodeUtf16Le(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// A string that fits between quotes on one line; anything else is written as hex(1).
bool IsPlainString(const RegistryValue& value, std::string& utf8) {
  const std::string& d = value.data;
  if (d.size() < 2 || d.size() % 2 || d[d.size() - 1] || d[d.size() - 2]) return false;
  std::u16string units;
  for (size_t i = 0; i + 2 < d.size(); i += 2)
    units += static_cast<char16_t>(static_cast<unsigned char>(d[i]) | static_cast<unsigned char>(d[i + 1]) << 8);
  if (std::any_of(units.begin(), units.end(), [](char16_t u) { return u < 0x20 || (u >= 0xD800 && u <= 0xDFFF); }))
    return false;
  utf8 = Utf16ToUtf8(units);
  return true;
}

std::string QuoteName(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

std::string FormatValue(const RegistryValue& value) {
  std::string text;
  if (value.type == REG_SZ && IsPlainString(value, text)) return QuoteName(text);
  if (value.type == REG_DWORD && value.data.size() == 4) {
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(value.data[i]);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "dword:%08x", n);
    return buffer;
  }
  if (value.type == REG_BINARY) {
    text = "hex:";
  } else {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "hex(%x):", value.type);
    text = buffer;
  }
  for (size_t i = 0; i < value.data.size(); ++i) {
    char buffer[4];
    std::snprintf(buffer, sizeof buffer, i ? ",%02x" : "%02x", static_cast<unsigned char>(value.data[i]));
    text += buffer;
  }
  return text;
}

// Reads a quoted text at the start of s, undoing \\ and \" ; returns the rest after the closing quote.
std::optional<std::string_view> ReadQuoted(std::string_view s, std::string& out) {
  if (s.empty() || s[0] != '"') return std::nullopt;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i] == '\\') {
      if (++i == s.size()) return std::nullopt;
      out += s[i];
    } else if (s[i] == '"') {
      return s.substr(i + 1);
    } else {
      out += s[i];
    }
  }
  return std::nullopt;
}

template <typename T>
bool ParseHexNumber(std::string_view s, T& out) {
  auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), out, 16);
  return error == std::errc() && end == s.data() + s.size() && !s.empty();
}

std::optional<RegistryValue> ParseData(std::string name, std::string_view s) {
  RegistryValue value{std::move(name), REG_NONE, {}};
  if (s.starts_with('"')) {
    std::string text;
    auto rest = ReadQuoted(s, text);
    if (!rest || !rest->empty()) return std::nullopt;
    return RegistryValue::String(std::move(value.name), text);
  }
  if (s.starts_with("dword:")) {
    uint32_t n = 0;
    if (s.size() != 14 || !ParseHexNumber(s.substr(6), n)) return std::nullopt;
    return RegistryValue::DWord(std::move(value.name), n);
  }
  if (s.starts_with("hex:")) {
    value.type = REG_BINARY;
    s.remove_prefix(4);
  } else if (s.starts_with("hex(")) {
    size_t close = s.find("):");
    if (close == std::string_view::npos || !ParseHexNumber(s.substr(4, close - 4), value.type)) return std::nullopt;
    s.remove_prefix(close + 2);
  } else {
    return std::nullopt;
  }
  while (!s.empty()) {
    size_t comma = s.find(',');
    std::string_view byte = s.substr(0, comma);
    unsigned char b = 0;
    if (byte.size() != 2 || !ParseHexNumber(byte, b)) return std::nullopt;
    value.data += static_cast<char>(b);
    s = comma == std::string_view::npos ? std::string_view() : s.substr(comma + 1);
    if (comma != std::string_view::npos && s.empty()) return std::nullopt;
  }
  return value;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// Splits the text into logical lines, joining hex data continued with a trailing backslash.
std::vector<std::string> LogicalLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string pending;
  bool continued = false;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    bool continues = line.ends_with("\\") && (line.find("=hex") != std::string_view::npos || continued);
    if (continues) line.remove_suffix(1);
    pending += line;
    continued = continues;
    if (!continues) {
      lines.push_back(std::move(pending));
      pending.clear();
    }
  }
  if (continued) lines.push_back(std::move(pending));
  return lines;
}

}  // namespace

RegistryValue RegistryValue::String(std::string name, std::string_view utf8) {
  std::u16string units = Utf8ToUtf16(utf8);
  units += u'\0';
  return {std::move(name), REG_SZ, EncodeUtf16Le(units)};
}

RegistryValue RegistryValue::DWord(std::string name, uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i) & 0xFF);
  return {std::move(name), REG_DWORD, bytes};
}

std::optional<RegistryHive> RegistryHive::Parse(std::string_view text) {
  if (text.starts_with("\xFF\xFE")) {
    text.remove_prefix(2);
    if (text.size() % 2) return std::nullopt;
    std::u16string units(text.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
      units[i] = static_cast<char16_t>(static_cast<unsigned char>(text[2 * i]) |
                                       static_cast<unsigned char>(text[2 * i + 1]) << 8);
    return Parse(Utf16ToUtf8(units));
  }
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string> lines = LogicalLines(text);
  if (lines.empty() || lines[0] != Header) return std::nullopt;

  RegistryHive hive;
  const std::string* currentKey = nullptr;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    if (line.empty() || line.starts_with(';')) continue;
    if (line.starts_with('[')) {
      if (!line.ends_with(']') || line.size() < 3) return std::nullopt;
      std::string path(line.substr(1, line.size() - 2));
      hive.CreateKey(path);
      currentKey = &hive.keys_.find(path)->first;
      continue;
    }
    if (!currentKey) return std::nullopt;
    std::string name;
    std::optional<std::string_view> rest;
    if (line.starts_with("@="))
      rest = line.substr(1);
    else
      rest = ReadQuoted(line, name);
    if (!rest || !rest->starts_with('=')) return std::nullopt;
    std::optional<RegistryValue> value = ParseData(std::move(name), rest->substr(1));
    if (!value) return std::nullopt;
    hive.SetValue(*currentKey, std::move(*value));
  }
  return hive;
}

std::string RegistryHive::Serialize() const {
  std::string text(Header);
  text += "\n";
  for (auto key = keys_.begin(); key != keys_.end(); ++key) {
    const std::string& path = key->first;
    const std::vector<RegistryValue>& values = key->second.list;
    // A key without values is implied by the section of any of its sub-keys; the empty name,
    // the parent of paths that start with a backslash, has no section of its own.
    if (values.empty() && (path.empty() || HasSubKey(path))) continue;
    text += "\n[" + path + "]\n";
    for (const RegistryValue& value : values)
      text += (value.name.empty() ? std::string("@") : QuoteName(value.name)) + "=" + FormatValue(value) + "\n";
  }
  return text;
}

bool RegistryHive::HasSubKey(const std::string& path) const {
  // Names that start with "path\" sort together, from the first one not below it.
  const std::string prefix = path + '\\';
  auto first = keys_.lower_bound(prefix);
  return first != keys_.end() && first->first.size() >= prefix.size() &&
         EqualsIgnoreCase(std::string_view(first->first).substr(0, prefix.size()), prefix);
}

bool RegistryHive::HasKey(std::string_view path) const {
  const std::string key(path);
  return keys_.find(key) != keys_.end() || HasSubKey(key);
}

void RegistryHive::CreateKey(std::string_view path) {
  // Only the key itself gets an entry: entries for each parent would cost the square of the depth.
  keys_.try_emplace(std::string(path));
}

bool RegistryHive::DeleteKey(std::string_view path) {
  bool existed = std::erase_if(keys_, [&](const auto& entry) {
    std::string_view key = entry.first;
    return EqualsIgnoreCase(key, path) ||
           (key.size() > path.size() && key[path.size()] == '\\' && EqualsIgnoreCase(key.substr(0, path.size()), path));
  });
  // The parent stays, as in the registry, even when it existed only through this key.
  if (const size_t last = path.rfind('\\'); existed && last != std::string_view::npos)
    keys_.try_emplace(std::string(path.substr(0, last)));
  return existed;
}

const RegistryValue* RegistryHive::FindValue(std::string_view path, std::string_view name) const {
  auto key = keys_.find(std::string(path));
  if (key == keys_.end()) return nullptr;
  auto value = key->second.byName.find(std::string(name));
  return value == key->second.byName.end() ? nullptr : &key->second.list[value->second];
}

void RegistryHive::SetValue(std::string_view path, RegistryValue value) {
  Values& values = keys_[std::string(path)];
  auto [existing, added] = values.byName.try_emplace(value.name, values.list.size());
  if (added)
    values.list.push_back(std::move(value));
  else
    values.list[existing->second] = std::move(value);
}
