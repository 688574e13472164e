#include "data/ChunkArena.h"

#include <algorithm>
#include <new>

namespace {

constexpr std::size_t Alignment = 16;

}  // namespace

char* TChunkArena::Carve(std::size_t bytes) {
  bytes = (bytes + Alignment - 1) / Alignment * Alignment;
  if (bytes > FLeft) {
    std::size_t size = std::max(FNextSize, bytes);
    auto* chunk = static_cast<char*>(std::malloc(size));
    if (!chunk) throw std::bad_alloc();
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
