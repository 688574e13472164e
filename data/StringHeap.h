#pragma once

#include <array>
#include <cstddef>
#include <unordered_set>

#include "data/ChunkArena.h"

// Buffers for values kept outside the records, shared by use count. Buffers of up to 2000 bytes
// come from 250 free lists (one per multiple of 8 bytes) carved from 16 KiB blocks; larger ones
// are allocated one by one. Clear releases everything at once.
class TStringHeap {
 public:
  TStringHeap() = default;
  TStringHeap(const TStringHeap&) = delete;
  TStringHeap& operator=(const TStringHeap&) = delete;
  ~TStringHeap();

  // A buffer of at least size bytes with one use.
  char* Alloc(std::size_t size);
  void AddRef(char* buffer);
  // Drops one use; the buffer is reused once the last use is gone.
  void DisposeBuf(char* buffer);
  void Clear();
  bool Empty() const { return !FBlock && FLarge.empty(); }

  static constexpr std::size_t BlockSize = 16384;
  static constexpr std::size_t SmallLimit = 2000;
  static constexpr std::size_t Granularity = 8;

 private:
  struct Header;
  char* AllocSmall(std::size_t unit);
  TChunkArena FBlocks;
  char* FBlock = nullptr;
  std::size_t FBlockUsed = BlockSize;
  std::array<char*, SmallLimit / Granularity> FFree{};
  std::unordered_set<char*> FLarge;
};
