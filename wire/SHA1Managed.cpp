#include "wire/SHA1Managed.h"

#include "wire/MessageDigest.h"

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
  if (!ComputeDigest(Sha1(), {data}, digest))
    throw std::runtime_error("SHA-1 is not available from the cryptography library");
  return digest;
}
