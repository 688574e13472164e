#include "platform/ExecutablePath.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

std::filesystem::path ExecutablePath() {
#ifdef _WIN32
  wchar_t buffer[32768];
  DWORD length = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
  return length ? std::filesystem::path(std::wstring(buffer, length)) : std::filesystem::path();
#else
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : path;
#endif
}

std::filesystem::path ExecutableSibling(const std::string& extension) {
  std::filesystem::path path = ExecutablePath();
  if (!path.empty()) path.replace_extension(extension);
  return path;
}
