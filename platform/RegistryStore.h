#pragma once
// The file that keeps the current user's settings hive where there is no system registry.
#include "platform/RegistryHive.h"

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string_view>

class RegistryStoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The current-user hive, kept in one export-format file that holds a password, hence mode 0600 and
// atomic replacement. Read once at construction; every change is written through at once.
class RegistryStore {
 public:
  // $XDG_CONFIG_HOME/KOVA/current-user.reg, with ~/.config when the variable is unset or empty.
  static std::filesystem::path DefaultFile();

  explicit RegistryStore(std::filesystem::path file);
  virtual ~RegistryStore() = default;

  const std::filesystem::path& File() const { return file_; }
  RegistryHive& Hive() { return hive_; }

  // The file exists but could not be parsed: its keys cannot be read until DiscardUnreadable().
  bool Unreadable() const { return unreadable_; }
  // Moves an unparseable file aside (to "<file>.unreadable", so nothing is lost) and starts an
  // empty hive; false when the file cannot be moved.
  bool DiscardUnreadable();

  // Whether keys may be opened for full access: not when the file exists without its owner's
  // write permission (also for root) or cannot be written by this process.
  virtual bool Writable() const;
  // Copies the file beside it under its name with suffix appended (private like the file);
  // false when there is no file or it cannot be copied.
  bool KeepCopy(std::string_view suffix) const;
  // Applies a change to the hive and writes it; when writing fails the hive is left as it was
  // and RegistryStoreError is thrown.
  void Change(const std::function<void(RegistryHive&)>& change);

 protected:
  // Writes the hive; throws RegistryStoreError when the file cannot be replaced, and never
  // replaces a file that is not Writable().
  virtual void Commit();

 private:
  std::filesystem::path file_;
  RegistryHive hive_;
  bool unreadable_ = false;
};
