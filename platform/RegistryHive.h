#pragma once
// An in-memory registry hive and its export-file text format.
#include "platform/NameCompare.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Windows value types that the settings store distinguishes.
enum RegistryType : uint32_t {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
  REG_MULTI_SZ = 7,
  REG_QWORD = 11,
};

// A value as Windows keeps it: strings as UTF-16LE with their terminator, integers little-endian.
struct RegistryValue {
  std::string name;
  uint32_t type = REG_NONE;
  std::string data;

  static RegistryValue String(std::string name, std::string_view utf8);
  static RegistryValue DWord(std::string name, uint32_t value);

  bool operator==(const RegistryValue&) const = default;
};

// An in-memory hive: full key paths ("HKEY_CURRENT_USER\SOFTWARE\...") with their values in
// insertion order. Serialized in the text format of registry export files (UTF-8); read from UTF-8
// or, as the registry editor exports it, UTF-16LE with a byte-order mark. A hive that parses
// serializes to a text that parses to the same hive.
class RegistryHive {
 public:
  // Parses an export file; nullopt when any line cannot be understood. Linear in the text's size
  // (times the logarithm of the key and value counts).
  static std::optional<RegistryHive> Parse(std::string_view text);
  std::string Serialize() const;

  bool HasKey(std::string_view path) const;
  // Creates the key; its parents exist through it.
  void CreateKey(std::string_view path);
  // Removes the key with all its sub-keys; false when it did not exist.
  bool DeleteKey(std::string_view path);

  const RegistryValue* FindValue(std::string_view path, std::string_view name) const;
  // Creates or replaces a value of an existing key.
  void SetValue(std::string_view path, RegistryValue value);

 private:
  // The values of one key in insertion order, with an index by name for lookups.
  struct Values {
    std::vector<RegistryValue> list;
    std::map<std::string, size_t, LessIgnoreCase> byName;
  };
  bool HasSubKey(const std::string& path) const;

  // The keys that were created or given values; a parent exists through its sub-keys without an
  // entry of its own, so that a deep key costs no more than its path's length.
  std::map<std::string, Values, LessIgnoreCase> keys_;
};
