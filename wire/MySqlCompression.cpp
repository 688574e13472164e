#include "wire/MySqlCompression.h"

#include <zlib.h>

std::size_t CompressBytes(const std::uint8_t* src, std::size_t count, std::uint8_t* dest, std::size_t capacity) {
  uLongf length = capacity;
  if (compress(dest, &length, src, count) != Z_OK) return 0;
  return length;
}

TInflater::TInflater() : FStream(std::make_unique<z_stream_s>()) {}

TInflater::~TInflater() {
  if (FInitialised) inflateEnd(FStream.get());
}

bool TInflater::Inflate(const std::uint8_t* src, std::size_t count, std::uint8_t* dest, std::size_t expected) {
  z_stream& stream = *FStream;
  if (!FInitialised) {
    if (inflateInit(&stream) != Z_OK) return false;
    FInitialised = true;
  } else if (inflateReset(&stream) != Z_OK) {
    return false;
  }
  stream.next_in = const_cast<Bytef*>(src);
  stream.avail_in = static_cast<uInt>(count);
  stream.next_out = dest;
  stream.avail_out = static_cast<uInt>(expected);
  return inflate(&stream, Z_FINISH) == Z_STREAM_END && stream.total_out == expected;
}
