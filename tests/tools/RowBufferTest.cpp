#include "tools/morvane-query/RowBuffer.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::optional<std::string>> Stored(const TRowBuffer& buffer) {
  std::vector<std::optional<std::string>> values;
  buffer.ForEach([&](std::optional<std::string_view> value) {
    values.push_back(value ? std::optional<std::string>(*value) : std::nullopt);
  });
  return values;
}

}  // namespace

// NULL and the empty text stay apart; lengths that take several varint bytes, values larger than
// a block and enough values to fill several blocks come back whole and in order.
TEST(RowBuffer, GivesBackEveryValueInOrder) {
  std::vector<std::optional<std::string>> values = {
      std::nullopt, "", "a", std::string(127, 'b'), std::string(128, 'c'), std::string(3 << 20, 'd')};
  for (int i = 0; i < 200000; ++i) values.push_back(std::to_string(i));
  values.push_back(std::string(std::size_t{1} << 14, '\0'));
  TRowBuffer buffer;
  for (const auto& value : values) buffer.Add(value ? std::optional<std::string_view>(*value) : std::nullopt);
  EXPECT_EQ(Stored(buffer), values);
  buffer.Clear();
  buffer.Add("again");
  EXPECT_EQ(Stored(buffer), (std::vector<std::optional<std::string>>{"again"}));
}
