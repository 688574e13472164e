#pragma once
// A transport that can turn encrypted in the middle of the conversation: the login starts in
// plain text over the transport it wraps (TCP or a local socket) and switches to TLS after the
// client's SSL request.
#include "wire/CRVio.h"
#include "wire/MySqlSecurity.h"
#include "wire/TlsContext.h"

#include <memory>
#include <string>

struct bio_method_st;
struct bio_st;
struct ssl_st;

class TCRVioTls : public TCRVio {
 public:
  // host: the name the server's certificate is checked against and that is sent to the server.
  TCRVioTls(std::unique_ptr<TCRVio> plain, std::string host);
  ~TCRVioTls() override;

  const TCRVio& Plain() const { return *FPlain; }
  const std::string& GetHost() const { return FHost; }

  // Runs the TLS handshake over the open socket with the context made for the settings
  // (CreateTlsContext) and checks the server's certificate as the mode asks. A failure raises
  // SocketException with the reason in LastError(); nothing is encrypted then.
  void StartTls(const TSslSettings& settings, TTlsContext context);
  bool IsEncrypted() const { return FSsl != nullptr; }
  // "TLS 1.3, certificate verified for db.example.org", "TLS 1.2, certificate not verified" or
  // "not encrypted".
  std::string Description() const;

  int GetTimeout() const override { return FPlain->GetTimeout(); }
  void SetTimeout(int seconds) override { FPlain->SetTimeout(seconds); }
  void SetDeadline(const TDeadline& deadline) override { FPlain->SetDeadline(deadline); }
  bool TryConnect() override;
  void Connect() override;
  void Close() override;
  std::size_t ReadNoWait(void* buffer, std::size_t count) override;
  std::size_t WriteNoWait(const void* buffer, std::size_t count) override;
  bool WaitForData(int seconds) override;
  // The closing alert is written through the same transport, so it joins what is held.
  void HoldLastWriteForClose() override { FPlain->HoldLastWriteForClose(); }

 private:
  struct TSslFree {
    void operator()(ssl_st* ssl) const;
  };

  // The encrypted records travel through the plain transport's own calls, so time-outs,
  // broken-pipe handling and error texts stay those of the socket.
  static const bio_method_st* TransportBioMethod();
  static int BioWrite(bio_st* bio, const char* data, int length);
  static int BioRead(bio_st* bio, char* data, int length);
  // The plain transport's error (or success) of its last call, as this transport's.
  void KeepPlainFailure();
  [[noreturn]] void Fail(const std::string& reason);
  void PrepareConnection(const TSslSettings& settings);
  // After a failed TLS call: the transport's own error when the socket failed, else OpenSSL's.
  void KeepFailure(int result, const char* what);

  std::unique_ptr<TCRVio> FPlain;
  std::string FHost;
  TTlsContext FContext;
  std::unique_ptr<ssl_st, TSslFree> FSsl;
  bool FVerified = false;
  std::string FVerifiedHost;  // empty unless the name or address was checked
};
