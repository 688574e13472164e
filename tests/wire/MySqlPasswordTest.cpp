#include "tests/support/ProtocolBytes.h"
#include "wire/MySqlPassword.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Hex(std::span<const std::uint8_t> bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t b : bytes) {
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

TEST(TSHA1Managed, ComputesFips180Digests) {
  EXPECT_EQ(Hex(TSHA1Managed::ComputeHash(Bytes("abc"))), "A9993E364706816ABA3E25717850C26C9CD0D89D");
  EXPECT_EQ(Hex(TSHA1Managed::ComputeHash({})), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
}

TEST(Scramble41, TokenUnmasksToThePasswordHashTheServerStores) {
  // The server keeps SHA1(SHA1(password)); for "abc" it shows as *0D3CED9BEC10A777AEC23CCC353A8C08A633045E.
  const TSHA1Digest token = Scramble41("abc", TestScramble);
  std::vector<std::uint8_t> joined(TestScramble.begin(), TestScramble.end());
  const TSHA1Digest stage2 = TSHA1Managed::ComputeHash(TSHA1Managed::ComputeHash(Bytes("abc")));
  EXPECT_EQ(Hex(stage2), "0D3CED9BEC10A777AEC23CCC353A8C08A633045E");
  joined.insert(joined.end(), stage2.begin(), stage2.end());
  const TSHA1Digest mask = TSHA1Managed::ComputeHash(joined);
  TSHA1Digest stage1;
  for (std::size_t i = 0; i < 20; ++i) stage1[i] = token[i] ^ mask[i];
  EXPECT_EQ(TSHA1Managed::ComputeHash(stage1), stage2);
}

TEST(OldPasswordHash, MatchesTheStoredPre41Hash) {
  // The pre-4.1 hash of "abc" is stored as 7cd2b5942be28759; blanks and tabs do not count.
  const auto hash = OldPasswordHash(Bytes("abc"));
  EXPECT_EQ(hash[0], 0x7cd2b594u);
  EXPECT_EQ(hash[1], 0x2be28759u);
  EXPECT_EQ(OldPasswordHash(Bytes(" a\tb c")), hash);
}

TEST(ScrambleOld, ProducesEightPrintableCharactersDependingOnScramble) {
  const std::string token = ScrambleOld("abc", TestScramble);
  ASSERT_EQ(token.size(), 8u);
  for (char c : token) EXPECT_GE(static_cast<unsigned char>(c), 32);
  std::array<std::uint8_t, 20> other = TestScramble;
  other[0] ^= 1;
  EXPECT_NE(ScrambleOld("abc", other), token);
  // Only the first 8 scramble bytes count.
  other = TestScramble;
  other[15] ^= 1;
  EXPECT_EQ(ScrambleOld("abc", other), token);
}

TEST(Scramble410, TokenIsNewScrambleXorStage1) {
  std::array<std::uint8_t, 24> message{};
  for (std::size_t i = 0; i < message.size(); ++i) message[i] = static_cast<std::uint8_t>(i * 7 + 1);
  const TSHA1Digest h1 = PasswordHashStage1("a b\tc");
  EXPECT_EQ(h1, TSHA1Managed::ComputeHash(Bytes("abc")));
  const TSHA1Digest h2 = PasswordHashStage2(h1, message);
  const TSHA1Digest token = Scramble410("abc", message);
  for (std::size_t i = 0; i < 20; ++i) EXPECT_EQ(token[i], message[4 + i] ^ h2[i] ^ h1[i]);
}
