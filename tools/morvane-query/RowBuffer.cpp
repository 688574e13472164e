#include "tools/morvane-query/RowBuffer.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t BlockSize = 1 << 20;
constexpr std::size_t MaxVarintSize = 10;

}  // namespace

void TRowBuffer::Add(std::optional<std::string_view> value) {
  const std::size_t size = value ? value->size() : 0;
  if (FBlocks.empty() || FBlocks.back().Size - FBlocks.back().Used < size + MaxVarintSize) {
    const std::size_t blockSize = std::max(BlockSize, size + MaxVarintSize);
    // Left uninitialised: only the bytes written are ever read.
    FBlocks.push_back({std::unique_ptr<char[]>(new char[blockSize]), 0, blockSize});
  }
  TBlock& block = FBlocks.back();
  char* at = block.Bytes.get() + block.Used;
  std::uint64_t length = value ? size + 1 : 0;
  while (length >= 0x80) {
    *at++ = static_cast<char>((length & 0x7F) | 0x80);
    length >>= 7;
  }
  *at++ = static_cast<char>(length);
  if (size != 0) std::memcpy(at, value->data(), size);
  block.Used = static_cast<std::size_t>(at - block.Bytes.get()) + size;
}

void TRowBuffer::Clear() {
  if (FBlocks.empty()) return;
  FBlocks.resize(1);
  FBlocks.front().Used = 0;
}
