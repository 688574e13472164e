#include "app/TypeLists.h"

#include "platform/IniFile.h"

std::vector<std::string> ReadTypeList(const TIniFile& ini, std::string_view section) {
  std::vector<std::string> items;
  for (int n = 1;; ++n) {
    std::string item = ini.ReadString(section, std::to_string(n), "");
    if (item.empty()) return items;
    items.push_back(std::move(item));
  }
}
