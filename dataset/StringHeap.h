#pragma once
// The heap of out-of-line value buffers that records point to.
#include "dataset/ChunkArena.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <unordered_set>

// Buffers for values kept outside the records, shared by use count. Buffers of up to 2000 bytes
// come from 250 free lists (one per multiple of 8 bytes) carved from 16 KiB blocks; larger ones
// are allocated one by one. Clear releases everything at once.
class TStringHeap {
 public:
  TStringHeap() = default;
  TStringHeap(const TStringHeap&) = delete;
  TStringHeap& operator=(const TStringHeap&) = delete;
  ~TStringHeap();

  // A buffer of at least size bytes with one use. Inline for the small buffers: every
  // out-of-line value of a fetched row takes one.
  char* Alloc(std::size_t size) {
    std::size_t total = size + HeaderSize;
    if (total > SmallLimit) return AllocLarge(total);
    std::size_t unit = (total + Granularity - 1) / Granularity;
    char* raw = AllocSmall(unit);
    Header header{static_cast<std::uint16_t>(unit - 1), 1};
    std::memcpy(raw, &header, HeaderSize);
    return raw + HeaderSize;
  }
  void AddRef(char* buffer);
  // Drops one use; the buffer is reused once the last use is gone.
  void DisposeBuf(char* buffer);
  void Clear();
  bool Empty() const { return !FBlock && FLarge.empty(); }

  static constexpr std::size_t BlockSize = 16384;
  static constexpr std::size_t SmallLimit = 2000;
  static constexpr std::size_t Granularity = 8;

 private:
  // Four bytes before each buffer: its size class (LargeClass for single allocations) and use count.
  struct Header {
    std::uint16_t SizeClass;
    std::uint16_t Uses;
  };
  static constexpr std::size_t HeaderSize = 4;
  static constexpr std::uint16_t LargeClass = 0xFFFF;

  char* AllocSmall(std::size_t unit) {
    char*& head = FFree[unit - 1];
    if (head) {
      char* raw = head;
      std::memcpy(&head, raw, sizeof head);
      return raw;
    }
    std::size_t bytes = unit * Granularity;
    if (FBlockUsed + bytes > BlockSize) NewBlock();
    char* raw = FBlock + FBlockUsed;
    FBlockUsed += bytes;
    return raw;
  }
  void NewBlock();
  char* AllocLarge(std::size_t total);
  TChunkArena FBlocks;
  char* FBlock = nullptr;
  std::size_t FBlockUsed = BlockSize;
  std::array<char*, SmallLimit / Granularity> FFree{};
  std::unordered_set<char*> FLarge;
};
