#include "platform/BulkMemory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

// Sizes on each side of the bulk threshold and of a huge page, and one that is no page multiple:
// every byte is writable, the block is aligned, and the bytes held come back when it is freed.
TEST(BulkMemory, BlocksOfEverySizeAreWholeAlignedAndGivenBack) {
  constexpr std::size_t MiB = std::size_t{1} << 20;
  const std::size_t sizes[] = {1, 4096, BulkFrom - 16, BulkFrom, 2 * MiB - 4096, 2 * MiB, 4 * MiB + 12345};
  for (std::size_t size : sizes) {
    const std::size_t before = BulkBytesHeld();
    char* block = AllocateBulk(size);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 16, 0u) << size;
    EXPECT_EQ(BulkBytesHeld() - before, size >= BulkFrom ? size : 0) << size;
    std::memset(block, 0x5A, size);
    EXPECT_EQ(block[0], 0x5A) << size;
    EXPECT_EQ(block[size - 1], 0x5A) << size;
    FreeBulk(block, size);
    EXPECT_EQ(BulkBytesHeld(), before) << size;
  }
}

// A vector grown past the threshold by appends and by resizes keeps every element it was given.
TEST(BulkMemory, AVectorGrowingIntoBulkBlocksKeepsItsElements) {
  std::vector<std::uint64_t, TBulkAllocator<std::uint64_t>> values;
  for (std::uint64_t i = 0; i < 200000; ++i) values.push_back(i * 7);
  values.resize(values.size() * 2);
  for (std::size_t i = values.size() / 2; i < values.size(); ++i) values[i] = i * 7;
  EXPECT_GE(BulkBytesHeld(), values.size() * sizeof(std::uint64_t));
  for (std::size_t i = 0; i < values.size(); ++i) ASSERT_EQ(values[i], i * 7) << i;
}
