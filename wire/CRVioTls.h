#pragma once
// The TCP transport that can turn encrypted in the middle of the conversation: the login starts
// in plain text and switches to TLS after the client's SSL request.
#include "wire/CRVioTcp.h"
#include "wire/MySqlSecurity.h"

#include <memory>
#include <string>

struct ssl_ctx_st;
struct ssl_st;

class TCRVioTls : public TCRVioTcp {
 public:
  using TCRVioTcp::TCRVioTcp;
  ~TCRVioTls() override;

  // Runs the TLS handshake over the open socket and checks the server's certificate as the mode
  // asks. A failure raises SocketException with the reason in LastError(); nothing is encrypted then.
  void StartTls(const TSslSettings& settings);
  bool IsEncrypted() const { return FSsl != nullptr; }
  // "TLS 1.3, certificate verified for db.example.org", "TLS 1.2, certificate not verified" or
  // "not encrypted".
  std::string Description() const;

  void Close() override;
  std::size_t ReadNoWait(void* buffer, std::size_t count) override;
  std::size_t WriteNoWait(const void* buffer, std::size_t count) override;
  bool WaitForData(int seconds) override;

 private:
  struct TContextFree {
    void operator()(ssl_ctx_st* context) const;
  };
  struct TSslFree {
    void operator()(ssl_st* ssl) const;
  };

  [[noreturn]] void Fail(const std::string& reason);
  void PrepareContext(const TSslSettings& settings);
  void PrepareConnection(const TSslSettings& settings);
  // After a failed TLS call: the transport's own error when the socket failed, else OpenSSL's.
  void KeepFailure(int result, const char* what);

  std::unique_ptr<ssl_ctx_st, TContextFree> FContext;
  std::unique_ptr<ssl_st, TSslFree> FSsl;
  bool FVerified = false;
  std::string FVerifiedHost;  // empty unless the name or address was checked
};
