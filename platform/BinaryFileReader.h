#pragma once
// Bounded random-access reads of a file for the binary format parsers.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

// Random-access reads from a file that never reach past its end: a request that does not lie wholly
// inside the file yields nothing, so a parser fed by it cannot be led beyond the data it has.
class BinaryFileReader {
 public:
  explicit BinaryFileReader(const std::filesystem::path& path);

  bool IsOpen() const { return open_; }
  std::uint64_t Size() const { return size_; }
  std::optional<std::vector<std::uint8_t>> Read(std::uint64_t offset, std::uint64_t size) const;

 private:
  mutable std::ifstream stream_;
  std::uint64_t size_ = 0;
  bool open_ = false;
};
