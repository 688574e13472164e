#include "dataset/StringHeap.h"

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
