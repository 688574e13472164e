#include "platform/Registry.h"
#include "platform/RegistryErrors.h"
#include "platform/Utf16.h"

namespace {

std::wstring Wide(std::string_view utf8) {
  std::u16string units = Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

}  // namespace

TRegistry::TRegistry() = default;

TRegistry::~TRegistry() {
  CloseKey();
}

std::string TRegistry::ResolvePath(std::string_view key) const {
  std::string base = key.starts_with('\\') ? std::string() : currentPath_;
  while (key.starts_with('\\')) key.remove_prefix(1);
  while (key.ends_with('\\')) key.remove_suffix(1);
  if (base.empty()) return std::string(key);
  return key.empty() ? base : base + "\\" + std::string(key);
}

bool TRegistry::KeyExists(std::string_view key) {
  HKEY handle;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(ResolvePath(key)).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
    return false;
  RegCloseKey(handle);
  return true;
}

bool TRegistry::OpenKey(std::string_view key, bool canCreate) {
  std::string path = ResolvePath(key);
  HKEY handle;
  LONG result = canCreate ? RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                            nullptr, &handle, nullptr)
                          : RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, KEY_ALL_ACCESS, &handle);
  if (result != ERROR_SUCCESS) return false;
  CloseKey();
  currentKey_ = handle;
  currentPath_ = path;
  return true;
}

bool TRegistry::OpenKeyReadOnly(std::string_view key) {
  std::string path = ResolvePath(key);
  HKEY handle;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  CloseKey();
  currentKey_ = handle;
  currentPath_ = path;
  return true;
}

void TRegistry::CloseKey() {
  if (currentKey_) RegCloseKey(currentKey_);
  currentKey_ = nullptr;
  currentPath_.clear();
}

bool TRegistry::DeleteKey(std::string_view key) {
  std::string path = ResolvePath(key);
  if (path == currentPath_) CloseKey();
  return RegDeleteTreeW(HKEY_CURRENT_USER, Wide(path).c_str()) == ERROR_SUCCESS &&
         RegDeleteKeyW(HKEY_CURRENT_USER, Wide(path).c_str()) == ERROR_SUCCESS;
}

std::string TRegistry::ReadString(std::string_view name) {
  DWORD type = 0, size = 0;
  std::wstring wideName = Wide(name);
  if (RegQueryValueExW(currentKey_, wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
    return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException(InvalidDataType(name));
  std::u16string buffer(size / 2 + 1, u'\0');
  if (RegQueryValueExW(currentKey_, wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
      ERROR_SUCCESS)
    throw ERegistryException(FailedToGetData(name));
  return Utf16ToUtf8(buffer.substr(0, buffer.find(u'\0')));
}

int32_t TRegistry::ReadInteger(std::string_view name) {
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExW(currentKey_, Wide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
      ERROR_SUCCESS)
    throw ERegistryException(FailedToGetData(name));
  if (type != REG_DWORD) throw ERegistryException(InvalidDataType(name));
  return static_cast<int32_t>(value);
}

void TRegistry::WriteString(std::string_view name, std::string_view value) {
  std::wstring text = Wide(value);
  if (RegSetValueExW(currentKey_, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
    throw ERegistryException(FailedToSetData(name));
}

void TRegistry::WriteInteger(std::string_view name, int32_t value) {
  DWORD data = static_cast<DWORD>(value);
  if (RegSetValueExW(currentKey_, Wide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                     sizeof data) != ERROR_SUCCESS)
    throw ERegistryException(FailedToSetData(name));
}

bool TRegistry::KeepCopy(std::string_view) {
  return false;
}
