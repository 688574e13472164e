#include "platform/ByteFields.h"

std::uint64_t ByteFields::Field(std::size_t offset, std::size_t width) {
  if (offset > bytes_.size() || width > bytes_.size() - offset) {
    failed_ = true;
    return 0;
  }
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    std::size_t index = order_ == Order::LittleEndian ? offset + width - 1 - i : offset + i;
    value = (value << 8) | bytes_[index];
  }
  return value;
}
