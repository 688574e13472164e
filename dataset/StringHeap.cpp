#include "dataset/StringHeap.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

TStringHeap::~TStringHeap() {
  Clear();
}

char* TStringHeap::AllocLarge(std::size_t total) {
  char* raw = static_cast<char*>(std::malloc(total));
  if (!raw) throw std::bad_alloc();
  FLarge.insert(raw);
  Header header{LargeClass, 1};
  std::memcpy(raw, &header, HeaderSize);
  return raw + HeaderSize;
}

void TStringHeap::NewBlock() {
  FBlock = FBlocks.Carve(BlockSize);
  FBlockUsed = 0;
}

char* TStringHeap::CopyOfFullyUsed(const char* buffer, Header header) {
  if (header.SizeClass == LargeClass) throw std::overflow_error("String heap buffer has too many uses");
  const std::size_t size = (header.SizeClass + 1u) * Granularity - HeaderSize;
  char* copy = Alloc(size);
  std::memcpy(copy, buffer, size);
  return copy;
}

void TStringHeap::KeepRecent(std::size_t column, char* buffer) {
  TRecent& recent = RecentOf(column);
  if (recent.Off) return;
  char** slot = std::find(recent.Buffers.begin(), recent.Buffers.end(), nullptr);
  if (slot == recent.Buffers.end()) {
    slot = &recent.Buffers[recent.Oldest];
    recent.Oldest = static_cast<std::uint8_t>((recent.Oldest + 1) % recent.Buffers.size());
    DisposeBuf(*slot);
  }
  *slot = AddRef(buffer);
}

void TStringHeap::StopRecent(TRecent& recent) {
  for (char*& buffer : recent.Buffers)
    if (buffer) {
      DisposeBuf(buffer);
      buffer = nullptr;
    }
  recent.Off = true;
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
  FRecent.clear();
  for (char* raw : FLarge) std::free(raw);
  FLarge.clear();
  FBlocks.Clear();
  FBlock = nullptr;
  FBlockUsed = BlockSize;
  FFree.fill(nullptr);
}
