#include "wire/SHA1Managed.h"

#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

namespace {

// Fetched once: looking the algorithm up costs more than hashing a password.
const EVP_MD* Sha1() {
  static EVP_MD* const kind = EVP_MD_fetch(nullptr, "SHA1", nullptr);
  return kind;
}

struct TDigestContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

// One context per thread, made ready anew for each hash: a login hashes three times, and a
// context of its own for each would cost more allocations than the hashing.
EVP_MD_CTX* ThreadContext() {
  thread_local const std::unique_ptr<EVP_MD_CTX, TDigestContextFree> context(EVP_MD_CTX_new());
  return context.get();
}

}  // namespace

TSHA1Digest TSHA1Managed::ComputeHash(std::span<const std::uint8_t> data) {
  TSHA1Digest digest;
  unsigned int length = 0;
  EVP_MD_CTX* context = ThreadContext();
  if (!Sha1() || !context || EVP_DigestInit_ex2(context, Sha1(), nullptr) != 1 ||
      EVP_DigestUpdate(context, data.data(), data.size()) != 1 ||
      EVP_DigestFinal_ex(context, digest.data(), &length) != 1)
    throw std::runtime_error("SHA-1 is not available from the cryptography library");
  return digest;
}
