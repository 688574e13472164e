#include "wire/MySqlPassword.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

bool IsBlank(std::uint8_t c) {
  return c == ' ' || c == '\t';
}

// The generator of the pre-4.1 method.
class TOldRandom {
 public:
  TOldRandom(std::uint32_t seed1, std::uint32_t seed2) : FSeed1(seed1 % MaxValue), FSeed2(seed2 % MaxValue) {}
  double Next() {
    FSeed1 = (FSeed1 * 3 + FSeed2) % MaxValue;
    FSeed2 = (FSeed1 + FSeed2 + 33) % MaxValue;
    return static_cast<double>(FSeed1) / 1073741823.0;
  }

 private:
  static constexpr std::uint64_t MaxValue = 0x3FFFFFFF;
  std::uint64_t FSeed1;
  std::uint64_t FSeed2;
};

}  // namespace

std::array<std::uint32_t, 2> OldPasswordHash(std::span<const std::uint8_t> bytes) {
  std::uint32_t nr = 1345345333;
  std::uint32_t add = 7;
  std::uint32_t nr2 = 0x12345671;
  for (const std::uint8_t b : bytes) {
    if (IsBlank(b)) continue;
    nr ^= (((nr & 63) + add) * b) + (nr << 8);
    nr2 += (nr2 << 8) ^ nr;
    add += b;
  }
  return {nr & 0x7FFFFFFF, nr2 & 0x7FFFFFFF};
}

TSHA1Digest Scramble41(std::string_view password, std::span<const std::uint8_t, 20> scramble) {
  const TSHA1Digest stage1 = TSHA1Managed::ComputeHash(Bytes(password));
  const TSHA1Digest stage2 = TSHA1Managed::ComputeHash(stage1);
  std::array<std::uint8_t, 40> joined;
  std::copy(scramble.begin(), scramble.end(), joined.begin());
  std::copy(stage2.begin(), stage2.end(), joined.begin() + 20);
  TSHA1Digest token = TSHA1Managed::ComputeHash(joined);
  for (std::size_t i = 0; i < token.size(); ++i) token[i] ^= stage1[i];
  return token;
}

std::string ScrambleOld(std::string_view password, std::span<const std::uint8_t> scramble8) {
  const auto hashPassword = OldPasswordHash(Bytes(password));
  const auto hashMessage = OldPasswordHash(scramble8.first(std::min<std::size_t>(8, scramble8.size())));
  TOldRandom random(hashPassword[0] ^ hashMessage[0], hashPassword[1] ^ hashMessage[1]);
  std::string token(8, '\0');
  for (char& c : token) c = static_cast<char>(std::floor(random.Next() * 31) + 64);
  const auto extra = static_cast<char>(std::floor(random.Next() * 31));
  for (char& c : token) c = static_cast<char>(c ^ extra);
  return token;
}

TSHA1Digest PasswordHashStage1(std::string_view password) {
  std::vector<std::uint8_t> kept;
  kept.reserve(password.size());
  for (const std::uint8_t b : Bytes(password))
    if (!IsBlank(b)) kept.push_back(b);
  return TSHA1Managed::ComputeHash(kept);
}

TSHA1Digest PasswordHashStage2(const TSHA1Digest& stage1, std::span<const std::uint8_t, 24> serverMessage) {
  std::array<std::uint8_t, 24> joined;
  std::copy_n(serverMessage.begin(), 4, joined.begin());
  std::copy(stage1.begin(), stage1.end(), joined.begin() + 4);
  return TSHA1Managed::ComputeHash(joined);
}

TSHA1Digest Scramble410(std::string_view password, std::span<const std::uint8_t, 24> serverMessage) {
  const TSHA1Digest h1 = PasswordHashStage1(password);
  const TSHA1Digest h2 = PasswordHashStage2(h1, serverMessage);
  TSHA1Digest token;
  for (std::size_t i = 0; i < token.size(); ++i)
    token[i] = static_cast<std::uint8_t>(serverMessage[4 + i] ^ h2[i] ^ h1[i]);
  return token;
}
