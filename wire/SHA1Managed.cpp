#include "wire/SHA1Managed.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace {

// Fetched once: looking the algorithm up costs more than hashing a password.
const EVP_MD* Sha1() {
  static EVP_MD* const kind = EVP_MD_fetch(nullptr, "SHA1", nullptr);
  return kind;
}

}  // namespace

TSHA1Digest TSHA1Managed::ComputeHash(std::span<const std::uint8_t> data) {
  TSHA1Digest digest;
  unsigned int length = 0;
  if (!Sha1() || EVP_Digest(data.data(), data.size(), digest.data(), &length, Sha1(), nullptr) != 1)
    throw std::runtime_error("SHA-1 is not available from the cryptography library");
  return digest;
}
