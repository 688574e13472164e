#pragma once
// The chunk allocator the record store carves its fetch blocks from.
#include <cstddef>
#include <vector>

// Uninitialised memory carved in order from chunks that double in size, from FirstChunk up to
// LastChunk bytes, and given back all at once: a million rows cost a few dozen allocations
// instead of one per fetch block, and freeing them is as cheap. The big chunks are bulk blocks
// (platform/BulkMemory), their pages mapped in one go.
class TChunkArena {
 public:
  static constexpr std::size_t FirstChunk = 16384;
  static constexpr std::size_t LastChunk = std::size_t{4} << 20;

  TChunkArena() = default;
  TChunkArena(const TChunkArena&) = delete;
  TChunkArena& operator=(const TChunkArena&) = delete;
  ~TChunkArena();

  // bytes of memory aligned to 16; a request above LastChunk gets a chunk of its own.
  char* Carve(std::size_t bytes);
  void Clear();

 private:
  struct TChunk {
    char* Memory;
    std::size_t Size;
  };
  std::vector<TChunk> FChunks;
  char* FNext = nullptr;
  std::size_t FLeft = 0;
  std::size_t FNextSize = FirstChunk;
};
