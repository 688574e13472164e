#pragma once
// The heap of out-of-line value buffers that records point to.
#include "dataset/ChunkArena.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <unordered_set>
#include <vector>

// Buffers for values kept outside the records, shared by use count. Buffers of up to 2000 bytes
// come from 250 free lists (one per multiple of 8 bytes) carved from 16 KiB blocks; larger ones
// are allocated one by one. Clear releases everything at once.
//
// Fetched rows repeat values down a column (types, names, notes). For each column the heap keeps
// the last few buffers stored there, each alive by a use of its own, so that an equal value can
// share one of them instead of taking a copy; a column whose values do not repeat soon is no
// longer looked at. Buffers are never changed once written, so sharing is safe.
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
  // Adds a use to buffer and returns it; a small buffer that has all the uses it can count gives
  // a copy instead.
  char* AddRef(char* buffer) {
    Header header;
    std::memcpy(&header, buffer - HeaderSize, HeaderSize);
    if (header.Uses == MaxUses) return CopyOfFullyUsed(buffer, header);
    ++header.Uses;
    std::memcpy(buffer - HeaderSize, &header, HeaderSize);
    return buffer;
  }
  // Drops one use; the buffer is reused once the last use is gone.
  void DisposeBuf(char* buffer);
  void Clear();
  bool Empty() const { return !FBlock && FLarge.empty(); }

  // One of the column's recent buffers for which matches(buffer) holds, with a use added, or
  // nullptr.
  template <typename Matches>
  char* FindRecent(std::size_t column, Matches matches) {
    TRecent& recent = RecentOf(column);
    if (recent.Off) return nullptr;
    ++recent.Looks;
    for (char*& buffer : recent.Buffers) {
      if (!buffer || !matches(buffer)) continue;
      if (UsesOf(buffer) >= SharedUsesLimit) {
        // Left to its rows: a fresh buffer takes its place.
        DisposeBuf(buffer);
        buffer = nullptr;
        return nullptr;
      }
      ++recent.Hits;
      return AddRef(buffer);
    }
    if (recent.Looks >= TrialLooks && recent.Hits * 8 < recent.Looks) StopRecent(recent);
    return nullptr;
  }
  // Makes buffer one of the column's recent buffers, in place of the oldest.
  void KeepRecent(std::size_t column, char* buffer);

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
  static constexpr std::uint16_t MaxUses = 0xFFFF;
  // Values shared down a column leave room for the uses that copies of records add.
  static constexpr std::uint16_t SharedUsesLimit = 0x8000;
  static constexpr std::uint32_t TrialLooks = 256;

  struct TRecent {
    std::array<char*, 4> Buffers{};
    std::uint64_t Looks = 0, Hits = 0;
    std::uint8_t Oldest = 0;
    bool Off = false;
  };

  TRecent& RecentOf(std::size_t column) {
    if (column >= FRecent.size()) FRecent.resize(column + 1);
    return FRecent[column];
  }
  static std::uint16_t UsesOf(const char* buffer) {
    Header header;
    std::memcpy(&header, buffer - HeaderSize, HeaderSize);
    return header.Uses;
  }
  void StopRecent(TRecent& recent);
  char* CopyOfFullyUsed(const char* buffer, Header header);

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
  std::vector<TRecent> FRecent;
};
