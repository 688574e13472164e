// Reads type lists of 20,000, 40,000 and 60,000 keys and prints the seconds per run and per key,
// which stay level when reading grows linearly with the file:
//   morvane-type-list-bench
#include "app/TypeLists.h"
#include "platform/IniFile.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

int main() {
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "morvane-type-list-bench.ini";
  for (int keys : {20000, 40000, 60000}) {
    {
      std::ofstream out(file, std::ios::binary);
      out << "[PixelType]\r\n";
      for (int n = 1; n <= keys; ++n) out << n << "=pixel type number " << n << "\r\n";
    }
    auto start = std::chrono::steady_clock::now();
    TIniFile ini(file);
    size_t read = ReadTypeList(ini, "PixelType").size();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("type-list keys=%d read=%zu wall=%.3f us-per-key=%.2f\n", keys, read, seconds, seconds * 1e6 / keys);
  }
  std::filesystem::remove(file);
}
