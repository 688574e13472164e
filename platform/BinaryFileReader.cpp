#include "platform/BinaryFileReader.h"

#include <system_error>

BinaryFileReader::BinaryFileReader(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return;
  std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return;
  stream_.open(path, std::ios::binary);
  open_ = stream_.is_open();
  size_ = open_ ? size : 0;
}

std::optional<std::vector<std::uint8_t>> BinaryFileReader::Read(std::uint64_t offset, std::uint64_t size) const {
  if (!open_ || offset > size_ || size > size_ - offset) return std::nullopt;
  std::vector<std::uint8_t> bytes(size);
  stream_.clear();
  stream_.seekg(static_cast<std::streamoff>(offset));
  stream_.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  if (static_cast<std::uint64_t>(stream_.gcount()) != size) return std::nullopt;
  return bytes;
}
