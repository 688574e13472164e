#include "platform/BulkMemory.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

std::atomic<std::size_t> Held{0};

#ifdef __linux__
constexpr std::size_t HugePage = std::size_t{2} << 20;

std::size_t PageRounded(std::size_t size) {
  static const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return (size + page - 1) / page * page;
}

// Mapped on a huge-page boundary when the block spans one, the slack around it given back.
char* MapBlock(std::size_t size) {
  const std::size_t alignment = size >= HugePage ? HugePage : 0;
  void* raw = mmap(nullptr, size + alignment, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  auto* block = static_cast<char*>(raw);
  if (alignment) {
    const std::size_t head = (alignment - reinterpret_cast<std::uintptr_t>(raw) % alignment) % alignment;
    if (head) munmap(block, head);
    munmap(block + head + size, alignment - head);
    block += head;
  }
  // Only advice: where the system declines, the pages come by faults as with any memory.
#ifdef MADV_HUGEPAGE
  if (alignment) madvise(block, size, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
  madvise(block, size, MADV_POPULATE_WRITE);
#endif
  return block;
}
#endif

}  // namespace

char* AllocateBulk(std::size_t size) {
  if (size < BulkFrom) {
    auto* block = static_cast<char*>(std::malloc(size ? size : 1));
    if (!block) throw std::bad_alloc();
    return block;
  }
#ifdef __linux__
  char* block = MapBlock(PageRounded(size));
#else
  auto* block = static_cast<char*>(std::malloc(size));
  if (!block) throw std::bad_alloc();
#endif
  Held += size;
  return block;
}

void FreeBulk(char* block, std::size_t size) {
  if (!block) return;
  if (size < BulkFrom) {
    std::free(block);
    return;
  }
#ifdef __linux__
  munmap(block, PageRounded(size));
#else
  std::free(block);
#endif
  Held -= size;
}

std::size_t BulkBytesHeld() {
  return Held;
}
