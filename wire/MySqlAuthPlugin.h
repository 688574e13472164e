#pragma once
// The login methods a server may name: each answers the server's challenge and its "more data"
// messages.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using TAuthBytes = std::vector<std::uint8_t>;

struct TAuthContext {
  std::string Password;
  bool Encrypted = false;           // the connection runs over TLS
  bool Verified = false;            // ... and the server's certificate was verified
  std::string ServerPublicKeyFile;  // the server's RSA key, pinned by the user
  bool GetServerPublicKey = false;  // without it, the key may be asked over plain TCP
  bool EnableClearText = false;     // mysql_clear_password also to an unverified server
};

class TMySqlAuthPlugin {
 public:
  explicit TMySqlAuthPlugin(const TAuthContext& context) : FContext(context) {}
  virtual ~TMySqlAuthPlugin() = default;
  TMySqlAuthPlugin(const TMySqlAuthPlugin&) = delete;
  TMySqlAuthPlugin& operator=(const TMySqlAuthPlugin&) = delete;

  // The first answer to the server's challenge.
  virtual TAuthBytes Start(std::span<const std::uint8_t> challenge) = 0;
  // The answer to a "more data" message (without its leading 1); nothing when the method waits
  // for the server's verdict. Data the method does not expect raises 2027.
  virtual std::optional<TAuthBytes> Continue(std::span<const std::uint8_t> data);

 protected:
  const TAuthContext& FContext;
};

// Raises 2059 for a method this client does not know, and for mysql_clear_password to a server
// whose certificate was not verified, unless the user allowed it.
std::unique_ptr<TMySqlAuthPlugin> CreateAuthPlugin(std::string_view name, const TAuthContext& context);

// The method of the first answer when the greeting names one this client can answer at once.
bool AnswersInHandshake(std::string_view name);
