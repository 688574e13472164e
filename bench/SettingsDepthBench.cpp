// Loads and saves a settings file whose key path is 4,000, 8,000 and 16,000 levels deep and
// prints the seconds per run and per level, which stay level when the walk is linear in the depth:
//   morvane-settings-depth-bench
#include "platform/RegistryStore.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

int main() {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "morvane-settings-depth-bench.reg";
  for (int levels : {4000, 8000, 16000}) {
    std::string path = "HKEY_CURRENT_USER";
    for (int n = 0; n < levels; ++n) path += "\\k" + std::to_string(n % 10);
    {
      std::ofstream out(file, std::ios::binary);
      out << "Windows Registry Editor Version 5.00\n\n[" << path << "]\n\"Host\"=\"db\"\n";
    }
    const auto start = std::chrono::steady_clock::now();
    RegistryStore store(file);
    store.Change([&](RegistryHive& hive) { hive.SetValue(path, RegistryValue::DWord("Port", 3306)); });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("settings-depth levels=%d read=%d wall=%.3f us-per-level=%.2f\n", levels,
                store.Hive().FindValue(path, "Host") != nullptr, seconds, seconds * 1e6 / levels);
  }
  std::filesystem::remove(file);
}
