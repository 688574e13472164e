#pragma once
// The chunk allocator the record store carves its fetch blocks from.
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <vector>

// Uninitialised memory carved in order from chunks that double in size, from FirstChunk up to
// LastChunk bytes, and given back all at once: a million rows cost a few dozen allocations
// instead of one per fetch block, and the pages of a big chunk are mapped in one go.
class TChunkArena {
 public:
  static constexpr std::size_t FirstChunk = 16384;
  static constexpr std::size_t LastChunk = std::size_t{4} << 20;

  // bytes of memory aligned to 16; a request above LastChunk gets a chunk of its own.
  char* Carve(std::size_t bytes);
  void Clear();

 private:
  struct TFree {
    void operator()(char* chunk) const { std::free(chunk); }
  };
  std::vector<std::unique_ptr<char, TFree>> FChunks;
  char* FNext = nullptr;
  std::size_t FLeft = 0;
  std::size_t FNextSize = FirstChunk;
};
