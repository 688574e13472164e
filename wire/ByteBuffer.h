#pragma once
// A growable byte buffer that neither zeroes nor shrinks on its own, so a reused buffer costs
// no allocation once it is large enough.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

class TByteBuffer {
 public:
  explicit TByteBuffer(std::size_t capacity = 0) { Reserve(capacity); }

  std::uint8_t* Data() { return FData.get(); }
  const std::uint8_t* Data() const { return FData.get(); }
  std::size_t Length() const { return FLength; }
  std::span<const std::uint8_t> View() const { return {FData.get(), FLength}; }

  void Reserve(std::size_t capacity) {
    if (capacity <= FCapacity) return;
    std::size_t grown = FCapacity < 64 ? 64 : FCapacity;
    while (grown < capacity) grown = grown > SIZE_MAX / 2 ? capacity : grown * 2;
    auto data = std::make_unique_for_overwrite<std::uint8_t[]>(grown);
    if (FLength > 0) std::memcpy(data.get(), FData.get(), FLength);
    FData = std::move(data);
    FCapacity = grown;
  }
  // New bytes past the old length are left uninitialised.
  void SetLength(std::size_t length) {
    Reserve(length);
    FLength = length;
  }
  // Extends the buffer by count bytes and returns where they start.
  std::uint8_t* Grow(std::size_t count) {
    SetLength(FLength + count);
    return FData.get() + FLength - count;
  }
  void Append(const void* bytes, std::size_t count) {
    if (count > 0) std::memcpy(Grow(count), bytes, count);
  }
  void Append(std::uint8_t byte) { *Grow(1) = byte; }

 private:
  std::unique_ptr<std::uint8_t[]> FData;
  std::size_t FLength = 0;
  std::size_t FCapacity = 0;
};
