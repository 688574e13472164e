#pragma once
// Memory for stores that grow large and are filled from end to end.
#include <cstddef>
#include <new>

// Blocks from BulkFrom bytes on have their pages mapped in one go rather than by a fault each,
// and in huge pages where the system offers them: filling fresh memory page by page costs more
// than the values put there. Smaller blocks come from the C heap. A block is aligned to 16 and
// given back with FreeBulk and the size it was asked with.
inline constexpr std::size_t BulkFrom = std::size_t{1} << 20;
char* AllocateBulk(std::size_t size);
void FreeBulk(char* block, std::size_t size);

// Bytes the program holds in blocks of BulkFrom bytes or more, for a look at what an operation
// reserved (the C heap's own figures do not see them).
std::size_t BulkBytesHeld();

// For a vector that grows large: its storage from AllocateBulk, and elements added by resize
// left uninitialised (for room that is written before it is read).
template <typename T>
struct TBulkAllocator {
  using value_type = T;
  TBulkAllocator() = default;
  template <typename U>
  TBulkAllocator(const TBulkAllocator<U>&) noexcept {}

  T* allocate(std::size_t count) { return reinterpret_cast<T*>(AllocateBulk(count * sizeof(T))); }
  void deallocate(T* items, std::size_t count) noexcept { FreeBulk(reinterpret_cast<char*>(items), count * sizeof(T)); }
  template <typename U>
  void construct(U* item) noexcept {
    ::new (static_cast<void*>(item)) U;
  }
  template <typename U, typename... Arguments>
  void construct(U* item, Arguments&&... arguments) {
    ::new (static_cast<void*>(item)) U(static_cast<Arguments&&>(arguments)...);
  }
  friend bool operator==(const TBulkAllocator&, const TBulkAllocator&) { return true; }
};
