#pragma once
// The proofs of today's login methods: SHA-256 scramble, RSA-encrypted password, ed25519 signature.
#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

// A key or input the method cannot work with; the text tells why.
class EAuthTokenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// caching_sha2_password's fast path: SHA256(password) XOR SHA256(SHA256(SHA256(password)) + nonce).
std::array<std::uint8_t, 32> ScrambleCachingSha2(std::string_view password, std::span<const std::uint8_t> nonce);

// The password with its zero byte, XOR the nonce (repeated), encrypted with RSA-OAEP under the
// PEM public key, as sha256_password and caching_sha2_password send it over plain TCP.
std::vector<std::uint8_t> EncryptPasswordRsa(std::string_view publicKeyPem, std::string_view password,
                                             std::span<const std::uint8_t> nonce);

// The ed25519 signature of message whose secret scalar and nonce key come from SHA-512 of the
// whole password (for a 32-byte password this is the standard signature with that seed).
std::array<std::uint8_t, 64> SignEd25519(std::string_view password, std::span<const std::uint8_t> message);
