#include "dataset/RecordIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

char* Record(std::size_t n) {
  return reinterpret_cast<char*>(n * 16 + 16);
}

void ExpectSameOrder(const TRecordIndex& index, const std::vector<char*>& expected) {
  ASSERT_EQ(index.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(index[i], expected[i]) << "at " << i;
  std::vector<char*> visited;
  index.ForEach([&](char* record) { visited.push_back(record); });
  std::sort(visited.begin(), visited.end());
  std::vector<char*> sorted = expected;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(visited, sorted);
}

}  // namespace

TEST(RecordIndex, KeepsTheOrderOfAPlainVectorThroughInsertsDeletesAndReplacements) {
  TRecordIndex index;
  std::vector<char*> expected;
  std::mt19937 random(12345);
  std::size_t next = 0;
  for (int step = 0; step < 20000; ++step) {
    std::size_t size = expected.size();
    switch (random() % 6) {
      case 0:  // appended, as fetched rows are
        index.push_back(Record(next));
        expected.push_back(Record(next++));
        break;
      case 1:
      case 2: {  // inserted, often again where the last one went
        std::size_t at = size == 0 ? 0 : (random() % 2 ? size / 3 : random() % (size + 1));
        index.insert(at, Record(next));
        expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(at), Record(next++));
        break;
      }
      case 3:
        if (size) {
          std::size_t at = random() % size;
          ASSERT_EQ(index.erase(at), expected[at]);
          expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(at));
        }
        break;
      case 4:
        if (size) {
          std::size_t at = random() % size;
          index[at] = expected[at] = Record(next++);
        }
        break;
      default:
        if (step % 5000 == 0) {
          index.clear();
          expected.clear();
        }
        break;
    }
    if (step % 997 == 0) ExpectSameOrder(index, expected);
  }
  ExpectSameOrder(index, expected);
}
