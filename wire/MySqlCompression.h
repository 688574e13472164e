#pragma once
// zlib for the protocol's compressed framing.
#include <cstddef>
#include <cstdint>
#include <memory>

struct z_stream_s;

// Compresses src into dest (capacity bytes); the result is the compressed size, 0 when zlib failed
// or the output did not fit.
std::size_t CompressBytes(const std::uint8_t* src, std::size_t count, std::uint8_t* dest, std::size_t capacity);

// Inflates whole zlib streams, one frame body at a time; the stream state is kept between frames
// so that a frame costs no allocation.
class TInflater {
 public:
  TInflater();
  ~TInflater();
  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;

  // Inflates src into exactly expected bytes at dest; false when the data is broken or of another size.
  bool Inflate(const std::uint8_t* src, std::size_t count, std::uint8_t* dest, std::size_t expected);

 private:
  std::unique_ptr<z_stream_s> FStream;
  bool FInitialised = false;
};
