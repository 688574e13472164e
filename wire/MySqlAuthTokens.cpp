#include "wire/MySqlAuthTokens.h"

#include "wire/MessageDigest.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <sodium.h>

#include <memory>
#include <string>

namespace {

void Digest(const EVP_MD* kind, std::initializer_list<std::span<const std::uint8_t>> parts,
            std::span<std::uint8_t> out) {
  if (!ComputeDigest(kind, parts, out)) throw EAuthTokenError("hashing failed");
}

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

using TSha256 = std::array<std::uint8_t, 32>;
using TSha512 = std::array<std::uint8_t, 64>;
using TScalar = std::array<std::uint8_t, crypto_core_ed25519_SCALARBYTES>;

// A 64-byte value reduced modulo the group order.
TScalar Reduce(const TSha512& wide) {
  TScalar scalar;
  crypto_core_ed25519_scalar_reduce(scalar.data(), wide.data());
  return scalar;
}

std::array<std::uint8_t, 32> BasePoint(const TScalar& scalar) {
  std::array<std::uint8_t, 32> point;
  if (crypto_scalarmult_ed25519_base_noclamp(point.data(), scalar.data()) != 0)
    throw EAuthTokenError("the password gives no usable ed25519 key");
  return point;
}

}  // namespace

std::array<std::uint8_t, 32> ScrambleCachingSha2(std::string_view password, std::span<const std::uint8_t> nonce) {
  TSha256 stage1, stage2, salted;
  Digest(EVP_sha256(), {Bytes(password)}, stage1);
  Digest(EVP_sha256(), {stage1}, stage2);
  Digest(EVP_sha256(), {stage2, nonce}, salted);
  for (std::size_t i = 0; i < stage1.size(); ++i) stage1[i] ^= salted[i];
  return stage1;
}

std::vector<std::uint8_t> EncryptPasswordRsa(std::string_view publicKeyPem, std::string_view password,
                                             std::span<const std::uint8_t> nonce) {
  if (nonce.empty()) throw EAuthTokenError("the server sent no nonce");
  std::unique_ptr<BIO, decltype(&BIO_free)> pem(
      BIO_new_mem_buf(publicKeyPem.data(), static_cast<int>(publicKeyPem.size())), BIO_free);
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
      pem ? PEM_read_bio_PUBKEY(pem.get(), nullptr, nullptr, nullptr) : nullptr, EVP_PKEY_free);
  if (!key || EVP_PKEY_base_id(key.get()) != EVP_PKEY_RSA)
    throw EAuthTokenError("the public key is no RSA key in PEM form");

  std::vector<std::uint8_t> plain(password.begin(), password.end());
  plain.push_back(0);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] ^= nonce[i % nonce.size()];

  std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> context(EVP_PKEY_CTX_new(key.get(), nullptr),
                                                                      EVP_PKEY_CTX_free);
  std::size_t length = 0;
  if (!context || EVP_PKEY_encrypt_init(context.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_OAEP_PADDING) != 1 ||
      EVP_PKEY_encrypt(context.get(), nullptr, &length, plain.data(), plain.size()) != 1)
    throw EAuthTokenError("RSA encryption is not available");
  std::vector<std::uint8_t> encrypted(length);
  if (EVP_PKEY_encrypt(context.get(), encrypted.data(), &length, plain.data(), plain.size()) != 1)
    throw EAuthTokenError("the password is too long for the server's RSA key");
  encrypted.resize(length);
  return encrypted;
}

std::array<std::uint8_t, 64> SignEd25519(std::string_view password, std::span<const std::uint8_t> message) {
  if (sodium_init() < 0) throw EAuthTokenError("the ed25519 library cannot start");
  TSha512 expanded;
  Digest(EVP_sha512(), {Bytes(password)}, expanded);
  expanded[0] &= 248;
  expanded[31] &= 63;
  expanded[31] |= 64;

  TSha512 wide{};
  std::copy(expanded.begin(), expanded.begin() + 32, wide.begin());
  const TScalar secret = Reduce(wide);
  const auto publicKey = BasePoint(secret);

  Digest(EVP_sha512(), {std::span(expanded).subspan(32), message}, wide);
  const TScalar nonce = Reduce(wide);
  const auto commitment = BasePoint(nonce);

  Digest(EVP_sha512(), {commitment, publicKey, message}, wide);
  const TScalar challenge = Reduce(wide);
  TScalar product, response;
  crypto_core_ed25519_scalar_mul(product.data(), challenge.data(), secret.data());
  crypto_core_ed25519_scalar_add(response.data(), product.data(), nonce.data());

  std::array<std::uint8_t, 64> signature;
  std::copy(commitment.begin(), commitment.end(), signature.begin());
  std::copy(response.begin(), response.end(), signature.begin() + 32);
  sodium_memzero(expanded.data(), expanded.size());
  return signature;
}
