#include "wire/MySqlAuthPlugin.h"

#include "wire/MySqlAuthTokens.h"
#include "wire/MySqlErrors.h"
#include "wire/MySqlPassword.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace {

constexpr std::string_view NativeMethod = "mysql_native_password";
constexpr std::string_view OldMethod = "mysql_old_password";
constexpr std::string_view ClearMethod = "mysql_clear_password";
constexpr std::string_view Ed25519Method = "client_ed25519";
constexpr std::string_view CachingSha2Method = "caching_sha2_password";
constexpr std::string_view Sha256Method = "sha256_password";

// Bytes of caching_sha2_password's "more data" messages and of the requests for the server's key.
constexpr std::uint8_t FastAuthSuccess = 3;
constexpr std::uint8_t FullAuthNeeded = 4;
constexpr std::uint8_t CachingSha2KeyRequest = 2;
constexpr std::uint8_t Sha256KeyRequest = 1;

constexpr std::size_t ScrambleLength = 20;
constexpr std::size_t OldScrambleLength = 8;
constexpr std::size_t Ed25519NonceLength = 32;

[[noreturn]] void Unexpected(std::string_view method) {
  throw EMySqlException(CR_MALFORMED_PACKET, "Unexpected message of the login method '" + std::string(method) + "'");
}

std::span<const std::uint8_t> Challenge(std::span<const std::uint8_t> challenge, std::size_t length,
                                        std::string_view method) {
  if (challenge.size() < length) Unexpected(method);
  return challenge.first(length);
}

TAuthBytes WithZero(std::string_view text) {
  TAuthBytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

template <class TArray>
TAuthBytes Copy(const TArray& array) {
  return TAuthBytes(array.begin(), array.end());
}

class TNativePassword : public TMySqlAuthPlugin {
 public:
  using TMySqlAuthPlugin::TMySqlAuthPlugin;
  TAuthBytes Start(std::span<const std::uint8_t> challenge) override {
    const auto scramble = Challenge(challenge, ScrambleLength, NativeMethod);
    if (FContext.Password.empty()) return {};
    return Copy(Scramble41(FContext.Password, scramble.first<ScrambleLength>()));
  }
};

class TOldPassword : public TMySqlAuthPlugin {
 public:
  using TMySqlAuthPlugin::TMySqlAuthPlugin;
  TAuthBytes Start(std::span<const std::uint8_t> challenge) override {
    return WithZero(ScrambleOld(FContext.Password, Challenge(challenge, OldScrambleLength, OldMethod)));
  }
};

class TClearPassword : public TMySqlAuthPlugin {
 public:
  using TMySqlAuthPlugin::TMySqlAuthPlugin;
  TAuthBytes Start(std::span<const std::uint8_t>) override { return WithZero(FContext.Password); }
};

class TEd25519Password : public TMySqlAuthPlugin {
 public:
  using TMySqlAuthPlugin::TMySqlAuthPlugin;
  TAuthBytes Start(std::span<const std::uint8_t> challenge) override {
    if (challenge.size() != Ed25519NonceLength) Unexpected(Ed25519Method);
    try {
      return Copy(SignEd25519(FContext.Password, challenge));
    } catch (const EAuthTokenError& e) {
      throw EMySqlException(CR_AUTH_PLUGIN_ERR, "Login method '" + std::string(Ed25519Method) + "': " + e.what());
    }
  }
};

// Both SHA-256 methods: the password goes in clear over TLS, or RSA-encrypted with the server's
// key (from a file, or asked from the server) over plain TCP.
class TSha256Family : public TMySqlAuthPlugin {
 public:
  TSha256Family(const TAuthContext& context, std::string_view method, std::uint8_t keyRequest)
      : TMySqlAuthPlugin(context), FMethod(method), FKeyRequest(keyRequest) {}

 protected:
  TAuthBytes FullAuthentication() {
    if (FContext.Encrypted) return WithZero(FContext.Password);
    if (!FContext.ServerPublicKeyFile.empty()) return Encrypt(ReadKeyFile());
    // Whoever answers the request on a plain connection chooses the key the password is sealed with.
    if (!FContext.GetServerPublicKey)
      throw EMySqlException(CR_AUTH_PLUGIN_ERR, "Authentication plugin '" + std::string(FMethod) +
                                                    "' reported error: Authentication requires secure connection.");
    FAwaitingKey = true;
    return {FKeyRequest};
  }

  std::optional<TAuthBytes> ReceiveKey(std::span<const std::uint8_t> data) {
    if (!FAwaitingKey) Unexpected(FMethod);
    FAwaitingKey = false;
    return Encrypt(std::string(data.begin(), data.end()));
  }

  std::span<const std::uint8_t> Nonce() const { return FNonce; }
  void KeepNonce(std::span<const std::uint8_t> challenge) {
    const auto nonce = Challenge(challenge, ScrambleLength, FMethod);
    FNonce.assign(nonce.begin(), nonce.end());
  }
  bool AwaitingKey() const { return FAwaitingKey; }
  std::string_view Method() const { return FMethod; }

 private:
  std::string ReadKeyFile() const {
    std::ifstream file(FContext.ServerPublicKeyFile, std::ios::binary);
    std::ostringstream text;
    if (!(file && text << file.rdbuf())) Fail("cannot read the public key file '" + FContext.ServerPublicKeyFile + "'");
    return text.str();
  }

  TAuthBytes Encrypt(const std::string& pem) const {
    try {
      return EncryptPasswordRsa(pem, FContext.Password, FNonce);
    } catch (const EAuthTokenError& e) {
      Fail(e.what());
    }
  }

  [[noreturn]] void Fail(const std::string& reason) const {
    throw EMySqlException(CR_AUTH_PLUGIN_ERR, "Login method '" + std::string(FMethod) + "': " + reason);
  }

  std::string_view FMethod;
  std::uint8_t FKeyRequest;
  TAuthBytes FNonce;
  bool FAwaitingKey = false;
};

class TCachingSha2Password : public TSha256Family {
 public:
  explicit TCachingSha2Password(const TAuthContext& context)
      : TSha256Family(context, CachingSha2Method, CachingSha2KeyRequest) {}

  TAuthBytes Start(std::span<const std::uint8_t> challenge) override {
    KeepNonce(challenge);
    if (FContext.Password.empty()) return {};
    return Copy(ScrambleCachingSha2(FContext.Password, Nonce()));
  }

  std::optional<TAuthBytes> Continue(std::span<const std::uint8_t> data) override {
    if (AwaitingKey()) return ReceiveKey(data);
    if (data.size() != 1) Unexpected(Method());
    if (data[0] == FastAuthSuccess) return std::nullopt;
    if (data[0] != FullAuthNeeded) Unexpected(Method());
    return FullAuthentication();
  }
};

class TSha256Password : public TSha256Family {
 public:
  explicit TSha256Password(const TAuthContext& context) : TSha256Family(context, Sha256Method, Sha256KeyRequest) {}

  TAuthBytes Start(std::span<const std::uint8_t> challenge) override {
    KeepNonce(challenge);
    if (FContext.Password.empty()) return {0};
    return FullAuthentication();
  }

  std::optional<TAuthBytes> Continue(std::span<const std::uint8_t> data) override { return ReceiveKey(data); }
};

}  // namespace

std::optional<TAuthBytes> TMySqlAuthPlugin::Continue(std::span<const std::uint8_t>) {
  throw EMySqlException(CR_MALFORMED_PACKET, "Unexpected message during the login");
}

bool AnswersInHandshake(std::string_view name) {
  return name == NativeMethod || name == CachingSha2Method || name == Sha256Method;
}

std::unique_ptr<TMySqlAuthPlugin> CreateAuthPlugin(std::string_view name, const TAuthContext& context) {
  if (name == NativeMethod) return std::make_unique<TNativePassword>(context);
  if (name == OldMethod) return std::make_unique<TOldPassword>(context);
  if (name == Ed25519Method) return std::make_unique<TEd25519Password>(context);
  if (name == CachingSha2Method) return std::make_unique<TCachingSha2Password>(context);
  if (name == Sha256Method) return std::make_unique<TSha256Password>(context);
  if (name == ClearMethod) {
    // The password itself goes: only to a server whose certificate was verified, or when the user
    // allowed it (an unverified TLS peer may be anyone in between).
    if (!context.Verified && !context.EnableClearText)
      throw EMySqlException(CR_AUTH_PLUGIN_CANNOT_LOAD,
                            "The server asked for the password in clear text (mysql_clear_password) on a connection "
                            "whose server was not verified; it was not sent");
    return std::make_unique<TClearPassword>(context);
  }
  throw EMySqlException(CR_AUTH_PLUGIN_CANNOT_LOAD, "The server asked for the login method '" + std::string(name) +
                                                        "', which this client does not know");
}
