#include "wire/MessageDigest.h"

#include <openssl/evp.h>

#include <memory>

namespace {

struct TDigestContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

// One context per thread, made ready anew for each digest: a login hashes three times or more,
// and a context of its own for each would cost more allocations than the hashing.
EVP_MD_CTX* ThreadContext() {
  thread_local const std::unique_ptr<EVP_MD_CTX, TDigestContextFree> context(EVP_MD_CTX_new());
  return context.get();
}

}  // namespace

bool ComputeDigest(const EVP_MD* kind, std::initializer_list<std::span<const std::uint8_t>> parts,
                   std::span<std::uint8_t> out) {
  EVP_MD_CTX* context = ThreadContext();
  if (!kind || !context || static_cast<std::size_t>(EVP_MD_get_size(kind)) > out.size() ||
      EVP_DigestInit_ex2(context, kind, nullptr) != 1)
    return false;
  for (const auto& part : parts)
    if (EVP_DigestUpdate(context, part.data(), part.size()) != 1) return false;
  return EVP_DigestFinal_ex(context, out.data(), nullptr) == 1;
}
