#pragma once
// The TLS settings of a login made ready before it starts: every CA, certificate, key and
// revocation list file given is loaded and checked, so that a wrong one is reported whether or
// not the server offers TLS this time.
#include "wire/MySqlSecurity.h"

#include <memory>
#include <stdexcept>
#include <string>

struct ssl_ctx_st;

struct TTlsContextFree {
  void operator()(ssl_ctx_st* context) const;
};
using TTlsContext = std::unique_ptr<ssl_ctx_st, TTlsContextFree>;

// A file or list in the settings that cannot be used; the text names it and says why.
class ETlsSettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The text of OpenSSL's oldest queued error, taken off the queue.
std::string OpenSslReason();

// The client context for the settings' mode: TLS 1.2 or later, the authorities and revocation
// lists, the cipher list, and the client certificate with its key. Raises ETlsSettingsError.
TTlsContext CreateTlsContext(const TSslSettings& settings);
