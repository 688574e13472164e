#pragma once
// The readers of files take a path: each input is written to one private file of the process first.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

inline const std::filesystem::path& FuzzFile(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("morvane-fuzz-" + std::to_string(::getpid()));
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file) {
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  return path;
}
