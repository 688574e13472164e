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
  std::string Ca;      // PEM file of trusted authorities; empty: the system's
  std::string CaPath;  // folder of trusted authorities, one PEM file each under its hashed name
  std::string Cert;    // PEM file of the client certificate; empty: none
  std::string Key;     // PEM file of its private key; empty: taken from Cert
  // PEM file of revocation lists, and a folder of them under their hashed names (hash.r0): a
  // verified certificate that one of them revokes is refused.
  std::string Crl;
  std::string CrlPath;
  // Ciphers allowed, separated by ':': TLS 1.3 suite names (TLS_...) limit TLS 1.3, the others
  // TLS 1.2; empty: OpenSSL's defaults.
  std::string Cipher;
  // PEM file of the server's RSA public key for the password methods over plain TCP.
  std::string ServerPublicKey;
  // Without a key file, the key may be asked from the server over plain TCP; whoever answers in
  // its place can then read the password, so only when the user says so.
  bool GetServerPublicKey = false;
  // mysql_clear_password may be answered over a connection whose server was not verified.
  bool EnableClearText = false;
  // The pre-4.1 scramble may go to a server that claims the 4.1 protocol without offering the
  // 4.1 scramble; whoever reads it can find the password offline in seconds.
  bool AllowOldPasswords = false;
};

// "disabled", "preferred", "required", "verify-ca", "verify-identity" (case-insensitive); nothing
// for any other text.
std::optional<TSslMode> ParseSslMode(std::string_view name);
std::string_view SslModeName(TSslMode mode);

inline bool VerifiesCertificate(TSslMode mode) {
  return mode == TSslMode::VerifyCa || mode == TSslMode::VerifyIdentity;
}

// What makes the settings unusable before anything is sent (verify-ca without a CA file or folder,
// a file or folder that cannot be read); empty when they are fine.
std::string SslSettingsProblem(const TSslSettings& settings);
