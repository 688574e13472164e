#include "platform/Registry.h"

#include "platform/RegistryErrors.h"
#include "platform/RegistryStore.h"
#include "platform/Utf16.h"

namespace {

constexpr std::string_view RootName = "HKEY_CURRENT_USER";

}  // namespace

TRegistry::TRegistry() : TRegistry(std::make_unique<RegistryStore>(RegistryStore::DefaultFile())) {}

TRegistry::TRegistry(std::unique_ptr<RegistryStore> store) : store_(std::move(store)) {}

TRegistry::~TRegistry() = default;

std::string TRegistry::ResolvePath(std::string_view key) const {
  std::string base = key.starts_with('\\') || currentPath_.empty() ? std::string(RootName) : currentPath_;
  while (key.starts_with('\\')) key.remove_prefix(1);
  while (key.ends_with('\\')) key.remove_suffix(1);
  return key.empty() ? base : base + "\\" + std::string(key);
}

bool TRegistry::KeyExists(std::string_view key) {
  return store_->Unreadable() || store_->Hive().HasKey(ResolvePath(key));
}

bool TRegistry::OpenKey(std::string_view key, bool canCreate) {
  std::string path = ResolvePath(key);
  if (!store_->Writable()) return false;
  if (!store_->Unreadable() && !store_->Hive().HasKey(path)) {
    if (!canCreate) return false;
    try {
      store_->Change([&](RegistryHive& hive) { hive.CreateKey(path); });
    } catch (const RegistryStoreError&) {
      return false;
    }
  }
  currentPath_ = path;
  return true;
}

bool TRegistry::OpenKeyReadOnly(std::string_view key) {
  std::string path = ResolvePath(key);
  if (!store_->Unreadable() && !store_->Hive().HasKey(path)) return false;
  currentPath_ = path;
  return true;
}

void TRegistry::CloseKey() {
  currentPath_.clear();
}

bool TRegistry::DeleteKey(std::string_view key) {
  if (store_->Unreadable()) return store_->DiscardUnreadable();
  std::string path = ResolvePath(key);
  if (!store_->Hive().HasKey(path)) return false;
  try {
    store_->Change([&](RegistryHive& hive) { hive.DeleteKey(path); });
  } catch (const RegistryStoreError&) {
    return false;
  }
  if (EqualsIgnoreCase(path, currentPath_)) currentPath_.clear();
  return true;
}

std::string TRegistry::ReadString(std::string_view name) {
  if (store_->Unreadable()) throw ERegistryException(FailedToGetData(name));
  const RegistryValue* value = store_->Hive().FindValue(currentPath_, name);
  if (!value || value->data.empty()) return {};
  if (value->type != REG_SZ && value->type != REG_EXPAND_SZ) throw ERegistryException(InvalidDataType(name));
  std::u16string units;
  for (size_t i = 0; i + 1 < value->data.size(); i += 2)
    units += static_cast<char16_t>(static_cast<unsigned char>(value->data[i]) |
                                   static_cast<unsigned char>(value->data[i + 1]) << 8);
  // Strings are stored with a terminator, and may carry garbage after it: stop at the first one.
  return Utf16ToUtf8(units.substr(0, units.find(u'\0')));
}

int32_t TRegistry::ReadInteger(std::string_view name) {
  if (store_->Unreadable()) throw ERegistryException(FailedToGetData(name));
  const RegistryValue* value = store_->Hive().FindValue(currentPath_, name);
  if (!value || value->data.size() > 4) throw ERegistryException(FailedToGetData(name));
  if (value->type != REG_DWORD) throw ERegistryException(InvalidDataType(name));
  uint32_t n = 0;
  for (size_t i = value->data.size(); i-- > 0;) n = n << 8 | static_cast<unsigned char>(value->data[i]);
  return static_cast<int32_t>(n);
}

namespace {

void Write(RegistryStore& store, const std::string& path, RegistryValue value) {
  std::string name = value.name;
  if (path.empty() || !store.Hive().HasKey(path)) throw ERegistryException(FailedToSetData(name));
  try {
    store.Change([&](RegistryHive& hive) { hive.SetValue(path, std::move(value)); });
  } catch (const RegistryStoreError& error) {
    throw ERegistryException(FailedToSetData(name) + " (" + error.what() + ")");
  }
}

}  // namespace

void TRegistry::WriteString(std::string_view name, std::string_view value) {
  Write(*store_, currentPath_, RegistryValue::String(std::string(name), value));
}

void TRegistry::WriteInteger(std::string_view name, int32_t value) {
  Write(*store_, currentPath_, RegistryValue::DWord(std::string(name), static_cast<uint32_t>(value)));
}

bool TRegistry::KeepCopy(std::string_view suffix) {
  // An unreadable file is kept aside whole when its key is deleted; a second copy adds nothing.
  return !store_->Unreadable() && store_->KeepCopy(suffix);
}
