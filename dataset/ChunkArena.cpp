#include "dataset/ChunkArena.h"

#include "platform/BulkMemory.h"

#include <algorithm>

namespace {

constexpr std::size_t Alignment = 16;

}  // namespace

TChunkArena::~TChunkArena() {
  Clear();
}

char* TChunkArena::Carve(std::size_t bytes) {
  bytes = (bytes + Alignment - 1) / Alignment * Alignment;
  if (bytes > FLeft) {
    std::size_t size = std::max(FNextSize, bytes);
    FChunks.reserve(FChunks.size() + 1);
    char* chunk = AllocateBulk(size);
    FChunks.push_back({chunk, size});
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
  for (const TChunk& chunk : FChunks) FreeBulk(chunk.Memory, chunk.Size);
  FChunks.clear();
  FNext = nullptr;
  FLeft = 0;
  FNextSize = FirstChunk;
}
