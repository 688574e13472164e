#include "mysql/MySqlCompression.h"

#include <zlib.h>

std::size_t CompressBytes(const std::uint8_t* src, std::size_t count, std::uint8_t* dest, std::size_t capacity) {
  uLongf length = capacity;
  if (compress(dest, &length, src, count) != Z_OK) return 0;
  return length;
}

bool InflateBytes(const std::uint8_t* src, std::size_t count, std::uint8_t* dest, std::size_t expected) {
  uLongf length = expected;
  return uncompress(dest, &length, src, count) == Z_OK && length == expected;
}
