#include "wire/MySqlCompression.h"

#include <zlib.h>

#include <libdeflate.h>

std::size_t CompressBytes(const std::uint8_t* src, std::size_t count, std::uint8_t* dest, std::size_t capacity) {
  uLongf length = capacity;
  if (compress(dest, &length, src, count) != Z_OK) return 0;
  return length;
}

void TInflater::TFree::operator()(libdeflate_decompressor* decompressor) const {
  libdeflate_free_decompressor(decompressor);
}

TInflater::TInflater() = default;

TInflater::~TInflater() = default;

bool TInflater::Inflate(const std::uint8_t* src, std::size_t count, std::uint8_t* dest, std::size_t expected) {
  if (!FDecompressor) FDecompressor.reset(libdeflate_alloc_decompressor());
  if (!FDecompressor) return false;
  // Without an actual size to report, anything but exactly the expected size is an error.
  return libdeflate_zlib_decompress(FDecompressor.get(), src, count, dest, expected, nullptr) == LIBDEFLATE_SUCCESS;
}
