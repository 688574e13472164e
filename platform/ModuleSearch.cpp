#include "platform/ModuleSearch.h"

#include "platform/ExecutablePath.h"

#include <cstdlib>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

std::vector<std::filesystem::path> SearchFolders() {
  std::vector<std::filesystem::path> folders;
  std::filesystem::path program = ExecutablePath();
  if (!program.empty()) folders.push_back(program.parent_path());
  std::error_code error;
  std::filesystem::path current = std::filesystem::current_path(error);
  if (!error) folders.push_back(current);
  if (const char* path = std::getenv("PATH")) {
    std::string_view list = path;
    while (!list.empty()) {
      std::size_t colon = list.find(':');
      std::string_view folder = list.substr(0, colon);
      if (!folder.empty()) folders.emplace_back(folder);
      list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    }
  }
  return folders;
}

}  // namespace

std::filesystem::path ResolveModuleFileName(const std::string& name) {
  if (name.empty()) return ExecutablePath();
  std::filesystem::path given(name);
  if (given.has_parent_path()) return given;
  for (const std::filesystem::path& folder : SearchFolders()) {
    std::error_code error;
    std::filesystem::path candidate = folder / given;
    if (std::filesystem::is_regular_file(candidate, error)) return candidate;
  }
  return given;
}
