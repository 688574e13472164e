#pragma once
// The protocol's compressed framing: zlib streams, each frame body whole.
#include <cstddef>
#include <cstdint>
#include <memory>

struct libdeflate_decompressor;

// Compresses src into dest (capacity bytes); the result is the compressed size, 0 when zlib failed
// or the output did not fit.
std::size_t CompressBytes(const std::uint8_t* src, std::size_t count, std::uint8_t* dest, std::size_t capacity);

// Inflates whole zlib streams, one frame body at a time, checksum checked. A frame's body and its
// inflated size are known before it is inflated, which lets a whole-buffer inflater do it at about
// twice zlib's speed; its state is kept between frames so that a frame costs no allocation.
class TInflater {
 public:
  TInflater();
  ~TInflater();
  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;

  // Inflates src into exactly expected bytes at dest; false when the data is broken or of another size.
  bool Inflate(const std::uint8_t* src, std::size_t count, std::uint8_t* dest, std::size_t expected);

 private:
  struct TFree {
    void operator()(libdeflate_decompressor* decompressor) const;
  };
  std::unique_ptr<libdeflate_decompressor, TFree> FDecompressor;
};
