#include "wire/CRVioTls.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <climits>

namespace {

// Error code kept for failures of the TLS layer itself (the socket's failures keep their own codes).
constexpr int TlsErrorCode = -1;

long BioControl(BIO*, int command, long, void*) {
  return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int BioCreate(BIO* bio) {
  BIO_set_init(bio, 1);
  return 1;
}

// OpenSSL's text, and for the failures that mean an unknown authority a plainer word.
std::string VerifyFailure(long result) {
  std::string text = std::string("the server's certificate was not accepted: ") + X509_verify_cert_error_string(result);
  switch (result) {
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
      return text + " (signed by an unknown CA)";
    default:
      return text;
  }
}

bool IsIpAddress(const std::string& host) {
  ASN1_OCTET_STRING* address = a2i_IPADDRESS(host.c_str());
  ASN1_OCTET_STRING_free(address);
  return address != nullptr;
}

}  // namespace

void TCRVioTls::TSslFree::operator()(ssl_st* ssl) const {
  SSL_free(ssl);
}

TCRVioTls::TCRVioTls(std::unique_ptr<TCRVio> plain, std::string host)
    : FPlain(std::move(plain)), FHost(std::move(host)) {}

TCRVioTls::~TCRVioTls() {
  Close();
}

const BIO_METHOD* TCRVioTls::TransportBioMethod() {
  static BIO_METHOD* const method = [] {
    BIO_METHOD* created = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "morvane transport");
    BIO_meth_set_write(created, BioWrite);
    BIO_meth_set_read(created, BioRead);
    BIO_meth_set_ctrl(created, BioControl);
    BIO_meth_set_create(created, BioCreate);
    return created;
  }();
  return method;
}

int TCRVioTls::BioWrite(BIO* bio, const char* data, int length) {
  BIO_clear_retry_flags(bio);
  auto& vio = *static_cast<TCRVioTls*>(BIO_get_data(bio));
  const std::size_t sent = vio.FPlain->WriteNoWait(data, static_cast<std::size_t>(length));
  vio.KeepPlainFailure();
  return sent > 0 ? static_cast<int>(sent) : -1;
}

int TCRVioTls::BioRead(BIO* bio, char* data, int length) {
  BIO_clear_retry_flags(bio);
  auto& vio = *static_cast<TCRVioTls*>(BIO_get_data(bio));
  const std::size_t got = vio.FPlain->ReadNoWait(data, static_cast<std::size_t>(length));
  vio.KeepPlainFailure();
  if (got > 0) return static_cast<int>(got);
  return vio.LastErrorCode() != 0 ? -1 : 0;
}

void TCRVioTls::KeepPlainFailure() {
  SetLastError(FPlain->LastErrorCode(), FPlain->LastError());
  FTimedOut = FPlain->TimedOut();
}

bool TCRVioTls::TryConnect() {
  TCRVio::TryConnect();
  const bool connected = FPlain->TryConnect();
  KeepPlainFailure();
  return connected;
}

void TCRVioTls::Connect() {
  if (!TryConnect()) throw SocketException(FLastError.empty() ? "Unknown socket error" : FLastError);
}

void TCRVioTls::Fail(const std::string& reason) {
  FSsl.reset();
  FContext.reset();
  SetLastError(TlsErrorCode, reason);
  throw SocketException(reason);
}

void TCRVioTls::StartTls(const TSslSettings& settings, TTlsContext context) {
  FContext = std::move(context);
  // Plain bytes already read would otherwise pass as if they had come encrypted.
  if (BufferedLength() != 0) Fail("the server sent data before the TLS handshake");
  ERR_clear_error();
  PrepareConnection(settings);
  const int result = SSL_connect(FSsl.get());
  if (result != 1) {
    const long verifyResult = SSL_get_verify_result(FSsl.get());
    if (VerifiesCertificate(settings.Mode) && verifyResult != X509_V_OK) Fail(VerifyFailure(verifyResult));
    if (LastErrorCode() != 0) Fail(LastError());
    Fail(OpenSslReason());
  }
  FVerified = VerifiesCertificate(settings.Mode);
  FVerifiedHost = settings.Mode == TSslMode::VerifyIdentity ? GetHost() : std::string();
}

void TCRVioTls::PrepareConnection(const TSslSettings& settings) {
  FSsl.reset(SSL_new(FContext.get()));
  if (!FSsl) Fail(OpenSslReason());
  BIO* bio = BIO_new(TransportBioMethod());
  if (!bio) Fail(OpenSslReason());
  BIO_set_data(bio, this);
  SSL_set_bio(FSsl.get(), bio, bio);

  const std::string& host = GetHost();
  const bool address = IsIpAddress(host);
  if (!address) SSL_set_tlsext_host_name(FSsl.get(), host.c_str());
  if (settings.Mode == TSslMode::VerifyIdentity) {
    X509_VERIFY_PARAM* check = SSL_get0_param(FSsl.get());
    // A wildcard stands for a whole label only ("*.example.org", never "d*.example.org").
    X509_VERIFY_PARAM_set_hostflags(check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    const int set = address ? X509_VERIFY_PARAM_set1_ip_asc(check, host.c_str())
                            : X509_VERIFY_PARAM_set1_host(check, host.c_str(), 0);
    if (set != 1) Fail("cannot check the certificate against the host name '" + host + "'");
  }
}

std::string TCRVioTls::Description() const {
  if (!FSsl) return "not encrypted";
  std::string version = SSL_get_version(FSsl.get());
  if (version.rfind("TLSv", 0) == 0) version = "TLS " + version.substr(4);
  if (!FVerified) return version + ", certificate not verified";
  if (FVerifiedHost.empty()) return version + ", certificate verified";
  return version + ", certificate verified for " + FVerifiedHost;
}

void TCRVioTls::Close() {
  if (FSsl) {
    ERR_clear_error();
    SSL_shutdown(FSsl.get());
    ERR_clear_error();
    FSsl.reset();
  }
  FContext.reset();
  FPlain->Close();
}

void TCRVioTls::KeepFailure(int result, const char* what) {
  const int error = SSL_get_error(FSsl.get(), result);
  // The socket's own failure (time-out, reset) was described by the plain transport already.
  if (LastErrorCode() != 0) return;
  // The peer closing the connection reads as the end of the stream, as on plain TCP.
  if (error == SSL_ERROR_ZERO_RETURN || (error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0)) return;
  SetLastError(TlsErrorCode, std::string(what) + ":\r\n" + OpenSslReason() + ".");
}

std::size_t TCRVioTls::ReadNoWait(void* buffer, std::size_t count) {
  if (!FSsl) {
    const std::size_t got = FPlain->ReadNoWait(buffer, count);
    KeepPlainFailure();
    return got;
  }
  ClearLastError();
  ERR_clear_error();
  const int got = SSL_read(FSsl.get(), buffer, static_cast<int>(std::min<std::size_t>(count, INT_MAX)));
  if (got > 0) return static_cast<std::size_t>(got);
  KeepFailure(got, "Error on data reading from the connection");
  return 0;
}

std::size_t TCRVioTls::WriteNoWait(const void* buffer, std::size_t count) {
  if (!FSsl) {
    const std::size_t sent = FPlain->WriteNoWait(buffer, count);
    KeepPlainFailure();
    return sent;
  }
  ClearLastError();
  ERR_clear_error();
  const int sent = SSL_write(FSsl.get(), buffer, static_cast<int>(std::min<std::size_t>(count, INT_MAX)));
  if (sent > 0) return static_cast<std::size_t>(sent);
  KeepFailure(sent, "Error on data writing to the connection");
  // A write that moved nothing is a failure even when the peer just went away.
  if (LastErrorCode() == 0) SetLastError(TlsErrorCode, "Error on data writing to the connection: connection closed");
  return 0;
}

bool TCRVioTls::WaitForData(int seconds) {
  if (FSsl && SSL_has_pending(FSsl.get())) return true;
  return FPlain->WaitForData(seconds);
}
