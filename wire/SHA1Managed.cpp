#include "wire/SHA1Managed.h"

#include <openssl/sha.h>

TSHA1Digest TSHA1Managed::ComputeHash(std::span<const std::uint8_t> data) {
  TSHA1Digest digest;
  SHA1(data.data(), data.size(), digest.data());
  return digest;
}
