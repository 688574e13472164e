#pragma once
// Message digests of the cryptography library, computed on one context per thread.
#include <openssl/types.h>

#include <cstdint>
#include <initializer_list>
#include <span>

// Hashes the parts one after the other into out, which must have room for the whole digest.
// False when the library cannot compute it.
bool ComputeDigest(const EVP_MD* kind, std::initializer_list<std::span<const std::uint8_t>> parts,
                   std::span<std::uint8_t> out);
