#pragma once
// Bounds-checked integer fields of a byte buffer, in either byte order.
#include <cstddef>
#include <cstdint>
#include <span>

// Integer fields of a byte buffer in a fixed byte order. A field that does not lie wholly inside the
// buffer reads as 0 and marks the reader failed, so a parser can read a whole header and check once.
class ByteFields {
 public:
  enum class Order { LittleEndian, BigEndian };

  explicit ByteFields(std::span<const std::uint8_t> bytes, Order order = Order::LittleEndian)
      : bytes_(bytes), order_(order) {}

  std::uint8_t U8(std::size_t offset) { return static_cast<std::uint8_t>(Field(offset, 1)); }
  std::uint16_t U16(std::size_t offset) { return static_cast<std::uint16_t>(Field(offset, 2)); }
  std::uint32_t U32(std::size_t offset) { return static_cast<std::uint32_t>(Field(offset, 4)); }
  std::uint64_t U64(std::size_t offset) { return Field(offset, 8); }

  bool Failed() const { return failed_; }
  std::size_t Size() const { return bytes_.size(); }

 private:
  std::uint64_t Field(std::size_t offset, std::size_t width);

  std::span<const std::uint8_t> bytes_;
  Order order_;
  bool failed_ = false;
};
