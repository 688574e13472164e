#pragma once
// How a session protects its connection: the encryption mode and the files that go with it.
#include <optional>
#include <string>
#include <string_view>

// Named as the command-line clients of the database servers name them.
enum class TSslMode { Disabled, Preferred, Required, VerifyCa, VerifyIdentity };
inline constexpr TSslMode SslModes[] = {TSslMode::Disabled, TSslMode::Preferred, TSslMode::Required, TSslMode::VerifyCa,
                                        TSslMode::VerifyIdentity};

struct TSslSettings {
  TSslMode Mode = TSslMode::Preferred;
  std::string Ca;    // PEM file of trusted authorities; empty: the system's
  std::string Cert;  // PEM file of the client certificate; empty: none
  std::string Key;   // PEM file of its private key; empty: taken from Cert
  // PEM file of the server's RSA public key for the password methods over plain TCP; empty: asked
  // from the server.
  std::string ServerPublicKey;
};

// "disabled", "preferred", "required", "verify-ca", "verify-identity" (case-insensitive); nothing
// for any other text.
std::optional<TSslMode> ParseSslMode(std::string_view name);
std::string_view SslModeName(TSslMode mode);

inline bool VerifiesCertificate(TSslMode mode) {
  return mode == TSslMode::VerifyCa || mode == TSslMode::VerifyIdentity;
}
