#include "dataset/ChunkArena.h"

#include <algorithm>
#include <cstdint>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

constexpr std::size_t Alignment = 16;
constexpr std::size_t PopulateFrom = std::size_t{1} << 20;

char* AllocateChunk(std::size_t size) {
  auto* chunk = static_cast<char*>(std::malloc(size));
  if (!chunk) throw std::bad_alloc();
#ifdef MADV_POPULATE_WRITE
  // A big chunk is about to be filled from end to end: its pages are mapped in one call rather
  // than by a fault each. Only advice: where the system refuses, the faults come as before.
  if (size >= PopulateFrom) {
    auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    auto begin = (reinterpret_cast<std::uintptr_t>(chunk) + page - 1) / page * page;
    auto end = (reinterpret_cast<std::uintptr_t>(chunk) + size) / page * page;
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
  }
#endif
  return chunk;
}

}  // namespace

char* TChunkArena::Carve(std::size_t bytes) {
  bytes = (bytes + Alignment - 1) / Alignment * Alignment;
  if (bytes > FLeft) {
    std::size_t size = std::max(FNextSize, bytes);
    char* chunk = AllocateChunk(size);
    FChunks.emplace_back(chunk);
    FNext = chunk;
    FLeft = size;
    FNextSize = std::min(FNextSize * 2, LastChunk);
  }
  char* carved = FNext;
  FNext += bytes;
  FLeft -= bytes;
  return carved;
}

void TChunkArena::Clear() {
  FChunks.clear();
  FNext = nullptr;
  FLeft = 0;
  FNextSize = FirstChunk;
}
