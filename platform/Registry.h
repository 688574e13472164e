#pragma once
// The registry accessor of the current user's settings.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
class RegistryStore;
#endif

class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Accessor of the current user's settings hive, one key at a time. Key paths starting with "\" are
// absolute; others are relative to the open key. Reads of missing or mistyped values fail with the
// system's texts ("Invalid data type for 'Port'"); opening, creating and deleting report by result.
class TRegistry {
 public:
  TRegistry();
  ~TRegistry();
#ifndef _WIN32
  // For tests and tools that keep the hive somewhere else.
  explicit TRegistry(std::unique_ptr<RegistryStore> store);
#endif
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  bool KeyExists(std::string_view key);
  bool OpenKey(std::string_view key, bool canCreate);
  // Opens an existing key for reading only, as a key that cannot be written can still be.
  bool OpenKeyReadOnly(std::string_view key);
  void CloseKey();
  bool DeleteKey(std::string_view key);

  // Empty when the value is missing or empty.
  std::string ReadString(std::string_view name);
  int32_t ReadInteger(std::string_view name);
  void WriteString(std::string_view name, std::string_view value);
  void WriteInteger(std::string_view name, int32_t value);

  // Keeps a copy of the file that holds the hive beside it, its name followed by suffix; false
  // when there is no such file (the system's own registry) or it cannot be copied.
  bool KeepCopy(std::string_view suffix);

 private:
  std::string ResolvePath(std::string_view key) const;

  std::string currentPath_;
#ifdef _WIN32
  HKEY currentKey_ = nullptr;
#else
  std::unique_ptr<RegistryStore> store_;
#endif
};
