#include "data/StringHeap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

// Four bytes before each buffer: its size class (LargeClass for single allocations) and use count.
struct TStringHeap::Header {
  std::uint16_t SizeClass;
  std::uint16_t Uses;
};

namespace {

constexpr std::uint16_t LargeClass = 0xFFFF;
constexpr std::size_t HeaderSize = 4;

}  // namespace

TStringHeap::~TStringHeap() { Clear(); }

char* TStringHeap::Alloc(std::size_t size) {
  std::size_t total = size + HeaderSize;
  Header header{LargeClass, 1};
  char* raw;
  if (total <= SmallLimit) {
    std::size_t unit = (total + Granularity - 1) / Granularity;
    header.SizeClass = static_cast<std::uint16_t>(unit - 1);
    raw = AllocSmall(unit);
  } else {
    raw = static_cast<char*>(std::malloc(total));
    if (!raw) throw std::bad_alloc();
    FLarge.insert(raw);
  }
  std::memcpy(raw, &header, HeaderSize);
  return raw + HeaderSize;
}

char* TStringHeap::AllocSmall(std::size_t unit) {
  char*& head = FFree[unit - 1];
  if (head) {
    char* raw = head;
    std::memcpy(&head, raw, sizeof head);
    return raw;
  }
  std::size_t bytes = unit * Granularity;
  if (FBlockUsed + bytes > BlockSize) {
    FBlock = FBlocks.Carve(BlockSize);
    FBlockUsed = 0;
  }
  char* raw = FBlock + FBlockUsed;
  FBlockUsed += bytes;
  return raw;
}

void TStringHeap::AddRef(char* buffer) {
  Header header;
  std::memcpy(&header, buffer - HeaderSize, HeaderSize);
  if (header.Uses == 0xFFFF) throw std::overflow_error("String heap buffer has too many uses");
  ++header.Uses;
  std::memcpy(buffer - HeaderSize, &header, HeaderSize);
}

void TStringHeap::DisposeBuf(char* buffer) {
  char* raw = buffer - HeaderSize;
  Header header;
  std::memcpy(&header, raw, HeaderSize);
  if (--header.Uses > 0) {
    std::memcpy(raw, &header, HeaderSize);
    return;
  }
  if (header.SizeClass == LargeClass) {
    FLarge.erase(raw);
    std::free(raw);
    return;
  }
  char*& head = FFree[header.SizeClass];
  std::memcpy(raw, &head, sizeof head);
  head = raw;
}

void TStringHeap::Clear() {
  for (char* raw : FLarge) std::free(raw);
  FLarge.clear();
  FBlocks.Clear();
  FBlock = nullptr;
  FBlockUsed = BlockSize;
  FFree.fill(nullptr);
}
