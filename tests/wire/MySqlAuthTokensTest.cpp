// The proofs of the SHA-256 and ed25519 login methods against published test vectors.
#include "wire/MySqlAuthTokens.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::vector<std::uint8_t> FromHex(std::string_view hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  return bytes;
}

std::string AsText(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

// Vectors of the Go driver's test suite.
TEST(MySqlAuthTokens, CachingSha2ScrambleMatchesPublishedVectors) {
  const std::vector<std::uint8_t> nonce = {10,  47, 74, 111, 75, 73, 34, 48, 88, 76,
                                           114, 74, 37, 13,  3,  80, 82, 2,  23, 21};
  const struct {
    std::string_view Password, Hex;
  } cases[] = {
      {"secret", "f490e76f66d9d86665ce54d98c78d0acfe2fb0b08b423da807144873d30b312c"},
      {"secret2", "abc3934a012cf342e876071c8ee202de51785b430258a7a0138bc79c4d800bc6"},
  };
  for (const auto& c : cases) {
    const auto token = ScrambleCachingSha2(c.Password, nonce);
    EXPECT_EQ(std::vector<std::uint8_t>(token.begin(), token.end()), FromHex(c.Hex)) << c.Password;
  }
}

// A 32-byte password is hashed exactly as a standard secret key is, so RFC 8032's vectors apply.
TEST(MySqlAuthTokens, Ed25519SignatureMatchesRfc8032ForThirtyTwoBytePasswords) {
  const struct {
    std::string_view SecretKey, Message, Signature;
  } cases[] = {
      {"9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60", "",
       "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe2"
       "4"
       "655141438e7a100b"},
      {"4ccd089b28ff96da9db6c346ec114e0f5b8a319f35aba624da8cf6ed4fb8a6fb", "72",
       "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0f11d8c387b2eaeb4302a"
       "eeb00d291612bb0c00"},
  };
  for (const auto& c : cases) {
    const auto signature = SignEd25519(AsText(FromHex(c.SecretKey)), FromHex(c.Message));
    EXPECT_EQ(std::vector<std::uint8_t>(signature.begin(), signature.end()), FromHex(c.Signature)) << c.SecretKey;
  }
}

TEST(MySqlAuthTokens, RsaEncryptionRefusesWhatIsNoRsaKey) {
  const std::vector<std::uint8_t> nonce(20, 1);
  EXPECT_THROW(EncryptPasswordRsa("-----BEGIN PUBLIC KEY-----\nnot a key\n-----END PUBLIC KEY-----\n", "pw", nonce),
               EAuthTokenError);
  EXPECT_THROW(EncryptPasswordRsa("", "pw", nonce), EAuthTokenError);
}
