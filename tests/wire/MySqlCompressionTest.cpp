#include "wire/MySqlCompression.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Compressed(const TBytes& plain) {
  TBytes out(plain.size() + 64);
  out.resize(CompressBytes(plain.data(), plain.size(), out.data(), out.size()));
  return out;
}

}  // namespace

// A body inflates only whole, to exactly the size its frame claims, with its checksum intact;
// the inflater stays usable after a broken body.
TEST(TInflater, InflatesOnlyIntactBodiesOfTheClaimedSize) {
  TBytes plain(5000);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i * 7 % 251);
  const TBytes good = Compressed(plain);
  ASSERT_FALSE(good.empty());

  TBytes badChecksum = good;
  badChecksum.at(badChecksum.size() - 1) ^= 1;
  TBytes badData = good;
  badData.at(good.size() / 2) ^= 0x40;
  const TBytes truncated(good.begin(), good.end() - 5);
  struct TCase {
    const char* Name;
    const TBytes& Body;
    std::size_t Claimed;
    bool Inflates;
  };
  const TCase cases[] = {
      {"intact", good, plain.size(), true},
      {"checksum changed", badChecksum, plain.size(), false},
      {"data changed", badData, plain.size(), false},
      {"cut short", truncated, plain.size(), false},
      {"claims a byte more", good, plain.size() + 1, false},
      {"claims a byte less", good, plain.size() - 1, false},
      {"intact again", good, plain.size(), true},
  };
  TInflater inflater;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TBytes out(c.Claimed);
    EXPECT_EQ(inflater.Inflate(c.Body.data(), c.Body.size(), out.data(), out.size()), c.Inflates);
    if (c.Inflates) {
      EXPECT_EQ(out, plain);
    }
  }
}
