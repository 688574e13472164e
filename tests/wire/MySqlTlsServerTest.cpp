// Encrypted logins against the real test database server and its private CA (scripts/testdb.sh),
// and against scripted servers that show a certificate for another host or one that has expired.
#include "tests/support/FakeServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestServer.h"
#include "wire/MySqlApiDirect.h"
#include "wire/MySqlErrors.h"

#include <gtest/gtest.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

constexpr std::uint32_t ProgramFlags = CLIENT_FOUND_ROWS | CLIENT_MULTI_STATEMENTS;

std::string TlsFile(const std::string& name) {
  return test_server::TlsSettings().Dir + "/" + name;
}

TSslSettings Settings(TSslMode mode, const std::string& ca = "ca.pem") {
  TSslSettings settings;
  settings.Mode = mode;
  settings.Ca = TlsFile(ca);
  return settings;
}

using TCertificate = std::unique_ptr<X509, decltype(&X509_free)>;

TCertificate ReadCertificate(const std::string& file) {
  std::unique_ptr<BIO, decltype(&BIO_free)> in(BIO_new_file(file.c_str(), "r"), BIO_free);
  return TCertificate(in ? PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr) : nullptr, X509_free);
}

// The name OpenSSL looks a subject's authorities ("hash.0") and revocation lists ("hash.r0") up by.
std::string SubjectHash(const std::string& certificateFile) {
  const TCertificate certificate = ReadCertificate(certificateFile);
  char hash[16];
  std::snprintf(hash, sizeof hash, "%08lx", certificate ? X509_subject_name_hash(certificate.get()) : 0ul);
  return hash;
}

// Writes a revocation list of the test CA (or of issuer) that revokes the named certificates of
// the test folder, valid from a minute ago for a day.
void WriteRevocationList(const std::filesystem::path& file, const std::vector<std::string>& revoked,
                         const std::string& issuer = "ca") {
  const TCertificate ca = ReadCertificate(TlsFile(issuer + ".pem"));
  std::unique_ptr<BIO, decltype(&BIO_free)> keyFile(BIO_new_file(TlsFile(issuer + "-key.pem").c_str(), "r"), BIO_free);
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
      PEM_read_bio_PrivateKey(keyFile.get(), nullptr, nullptr, nullptr), EVP_PKEY_free);
  std::unique_ptr<X509_CRL, decltype(&X509_CRL_free)> list(X509_CRL_new(), X509_CRL_free);
  ASSERT_TRUE(ca && key && list) << issuer;
  std::unique_ptr<ASN1_TIME, decltype(&ASN1_TIME_free)> from(X509_time_adj_ex(nullptr, 0, -60, nullptr),
                                                             ASN1_TIME_free);
  std::unique_ptr<ASN1_TIME, decltype(&ASN1_TIME_free)> until(X509_time_adj_ex(nullptr, 1, 0, nullptr), ASN1_TIME_free);
  ASSERT_TRUE(X509_CRL_set_version(list.get(), 1) == 1 &&
              X509_CRL_set_issuer_name(list.get(), X509_get_subject_name(ca.get())) == 1 &&
              X509_CRL_set1_lastUpdate(list.get(), from.get()) == 1 &&
              X509_CRL_set1_nextUpdate(list.get(), until.get()) == 1);
  for (const std::string& name : revoked) {
    const TCertificate certificate = ReadCertificate(TlsFile(name + "-cert.pem"));
    X509_REVOKED* entry = X509_REVOKED_new();
    ASSERT_TRUE(certificate && entry) << name;
    X509_REVOKED_set_serialNumber(entry, X509_get_serialNumber(certificate.get()));
    X509_REVOKED_set_revocationDate(entry, from.get());
    X509_CRL_add0_revoked(list.get(), entry);
  }
  X509_CRL_sort(list.get());
  std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new_file(file.c_str(), "w"), BIO_free);
  ASSERT_TRUE(X509_CRL_sign(list.get(), key.get(), EVP_sha256()) > 0 && out &&
              PEM_write_bio_X509_CRL(out.get(), list.get()) == 1);
}

class TTlsClient {
 public:
  explicit TTlsClient(const TSslSettings& settings) : FSession(FApi.mysql_init()) {
    FApi.CheckMySQLLib();
    FApi.mysql_options(FSession, MYSQL_OPT_CONNECT_TIMEOUT, 10);
    FApi.SetSecurity(FSession, settings);
  }
  ~TTlsClient() { FApi.mysql_close(FSession); }
  void SetConnectTimeout(int seconds) { FApi.mysql_options(FSession, MYSQL_OPT_CONNECT_TIMEOUT, seconds); }

  bool Login(const std::string& user, const std::string& password, std::uint32_t flags = ProgramFlags, int port = 0) {
    const test_server::TSettings& db = test_server::Settings();
    return FApi.mysql_real_connect(FSession, db.Host, user, password, db.Database, port ? port : db.Port, "", flags) !=
           nullptr;
  }
  bool LoginNative(int port = 0) {
    return Login(test_server::Settings().NativeUser, test_server::Settings().NativePassword, ProgramFlags, port);
  }

  // The second column of the first row of a statement that must succeed.
  std::string Second(const std::string& sql) {
    EXPECT_EQ(FApi.mysql_real_query(FSession, sql), 0) << sql << ": " << Error();
    TMySqlResultSet* result = FApi.mysql_use_result(FSession);
    if (!result) return "<none>";
    std::string value = "<none>";
    if (const TMySqlBinds* row = FApi.mysql_fetch_row(result)) value = std::string(row->Value(1));
    while (FApi.mysql_fetch_row(result)) {
    }
    FApi.mysql_free_result(result);
    return value;
  }
  std::string SslVersion() { return Second("SHOW STATUS LIKE 'Ssl_version'"); }
  std::string Description() { return FApi.mysql_get_ssl_description(FSession); }
  int Errno() { return FApi.mysql_errno(FSession); }
  std::string Error() { return FApi.mysql_error(FSession); }

 private:
  TMySQLAPIDirect FApi;
  TMySqlSession* FSession;
};

constexpr std::uint32_t FakeCaps = CLIENT_LONG_PASSWORD | CLIENT_LONG_FLAG | CLIENT_CONNECT_WITH_DB |
                                   CLIENT_PROTOCOL_41 | CLIENT_TRANSACTIONS | CLIENT_SECURE_CONNECTION | CLIENT_SSL;

// The server's half of TLS on a scripted server's connection: greeting, SSL request, handshake
// with the named certificate of the test CA.
class TServerTls {
 public:
  TServerTls(TFakePeer& peer, const std::string& certificate)
      : FContext(SSL_CTX_new(TLS_server_method()), SSL_CTX_free), FSsl(nullptr, SSL_free) {
    peer.SendPacket(0, GreetingWithMethod(FakeCaps, "mysql_native_password"));
    if (peer.ReadPacket().Payload.size() != 32) throw std::runtime_error("fake server: no SSL request");
    SSL_CTX_use_certificate_chain_file(FContext.get(), TlsFile(certificate + "-cert.pem").c_str());
    SSL_CTX_use_PrivateKey_file(FContext.get(), TlsFile(certificate + "-key.pem").c_str(), SSL_FILETYPE_PEM);
    FSsl.reset(SSL_new(FContext.get()));
    SSL_set_fd(FSsl.get(), peer.Handle());
    FAccepted = SSL_accept(FSsl.get()) == 1;
  }
  bool Accepted() const { return FAccepted; }

  TBytes ReadPayload() {
    const TBytes header = Read(4);
    return Read(Int24(header.data()));
  }
  void SendPacket(std::uint8_t sequence, const TBytes& payload) {
    const TBytes wire = WirePacket(sequence, payload);
    if (SSL_write(FSsl.get(), wire.data(), static_cast<int>(wire.size())) != static_cast<int>(wire.size()))
      throw std::runtime_error("fake server: TLS write failed");
  }
  // Waits until the client ends the connection; what it sent until then.
  TBytes WaitForClose() {
    TBytes sent;
    std::uint8_t byte;
    while (SSL_read(FSsl.get(), &byte, 1) > 0) sent.push_back(byte);
    return sent;
  }

 private:
  TBytes Read(std::size_t count) {
    TBytes bytes(count);
    for (std::size_t done = 0; done < count;) {
      const int got = SSL_read(FSsl.get(), bytes.data() + done, static_cast<int>(count - done));
      if (got <= 0) throw std::runtime_error("fake server: TLS read failed");
      done += static_cast<std::size_t>(got);
    }
    return bytes;
  }

  std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> FContext;
  std::unique_ptr<SSL, decltype(&SSL_free)> FSsl;
  bool FAccepted = false;
};

// Logs in to a scripted server showing the named certificate, which the client must refuse with
// nothing of the login sent; returns the client's error text.
std::string RefusedCertificateError(const std::string& certificate, TSslMode mode) {
  SCOPED_TRACE(certificate);
  TBytes afterHandshake{0xEE};
  TFakeServer server([&](TFakePeer& peer) {
    TServerTls tls(peer, certificate);
    if (tls.Accepted()) throw std::runtime_error("fake server: the client accepted the certificate");
    afterHandshake = peer.ReadToEnd();
  });
  TTlsClient client(Settings(mode));
  EXPECT_FALSE(client.LoginNative(server.Port()));
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(client.Errno(), CR_SSL_CONNECTION_ERROR);
  EXPECT_TRUE(afterHandshake.empty());
  return client.Error();
}

}  // namespace

TEST(MySqlTlsServer, EachModeWithTheRightCaLogsInAsItPromises) {
  const struct {
    TSslMode Mode;
    std::string_view Description;
  } cases[] = {
      {TSslMode::Disabled, "not encrypted"},
      {TSslMode::Preferred, ", certificate not verified"},
      {TSslMode::Required, ", certificate not verified"},
      {TSslMode::VerifyCa, ", certificate verified"},
      {TSslMode::VerifyIdentity, ", certificate verified for 127.0.0.1"},
  };
  for (const auto& c : cases) {
    TTlsClient client(Settings(c.Mode));
    ASSERT_TRUE(client.LoginNative()) << SslModeName(c.Mode) << ": " << client.Error();
    const bool encrypted = c.Mode != TSslMode::Disabled;
    EXPECT_EQ(client.SslVersion().rfind("TLSv1.", 0) == 0, encrypted) << SslModeName(c.Mode);
    const std::string description = client.Description();
    EXPECT_EQ(description.rfind("TLS 1.", 0) == 0, encrypted) << description;
    EXPECT_TRUE(description.ends_with(c.Description)) << description;
  }
}

TEST(MySqlTlsServer, AnotherCaFailsTheVerifyingModesBeforeTheLogin) {
  const struct {
    TSslMode Mode;
    bool LogsIn;
  } cases[] = {{TSslMode::Required, true}, {TSslMode::VerifyCa, false}, {TSslMode::VerifyIdentity, false}};
  for (const auto& c : cases) {
    TTlsClient client(Settings(c.Mode, "other-ca.pem"));
    EXPECT_EQ(client.LoginNative(), c.LogsIn) << SslModeName(c.Mode);
    if (c.LogsIn) continue;
    EXPECT_EQ(client.Errno(), CR_SSL_CONNECTION_ERROR);
    EXPECT_NE(client.Error().find("certificate was not accepted"), std::string::npos) << client.Error();
    EXPECT_NE(client.Error().find("unknown CA"), std::string::npos) << client.Error();
  }
}

TEST(MySqlTlsServer, CompressionRunsInsideTls) {
  TTlsClient client(Settings(TSslMode::VerifyIdentity));
  ASSERT_TRUE(client.Login(test_server::Settings().NativeUser, test_server::Settings().NativePassword,
                           ProgramFlags | CLIENT_COMPRESS))
      << client.Error();
  EXPECT_EQ(client.Second("SHOW STATUS LIKE 'Compression'"), "ON");
  EXPECT_EQ(client.Second("SELECT 1, LENGTH(REPEAT('x', 200000))"), "200000");
  EXPECT_EQ(client.SslVersion().rfind("TLSv1.", 0), 0u);
}

TEST(MySqlTlsServer, AccountsRequiringSslOrACertificate) {
  const test_server::TTlsSettings& tls = test_server::TlsSettings();
  TSslSettings withCertificate = Settings(TSslMode::VerifyCa);
  withCertificate.Cert = TlsFile("client-cert.pem");
  withCertificate.Key = TlsFile("client-key.pem");
  const struct {
    std::string User, Password;
    TSslSettings Security;
    int Error;
  } cases[] = {
      {tls.SslUser, tls.SslPassword, Settings(TSslMode::Disabled), 1045},
      {tls.SslUser, tls.SslPassword, Settings(TSslMode::Required), 0},
      {tls.X509User, tls.X509Password, Settings(TSslMode::VerifyCa), 1045},
      {tls.X509User, tls.X509Password, withCertificate, 0},
  };
  for (const auto& c : cases) {
    TTlsClient client(c.Security);
    EXPECT_EQ(client.Login(c.User, c.Password), c.Error == 0) << c.User << ": " << client.Error();
    EXPECT_EQ(client.Errno(), c.Error) << c.User << " " << SslModeName(c.Security.Mode);
  }
}

TEST(MySqlTlsServer, ClientKeyThatIsNotTheCertificatesFailsBeforeTheLogin) {
  TSslSettings settings = Settings(TSslMode::Required);
  settings.Cert = TlsFile("client-cert.pem");
  settings.Key = TlsFile("server-key.pem");
  TTlsClient client(settings);
  EXPECT_FALSE(client.LoginNative());
  EXPECT_EQ(client.Errno(), CR_SSL_CONNECTION_ERROR);
  EXPECT_NE(client.Error().find("does not belong to the certificate"), std::string::npos) << client.Error();
}

TEST(MySqlTlsServer, Ed25519AccountLogsInAndAWrongPasswordIsRefused) {
  const test_server::TTlsSettings& tls = test_server::TlsSettings();
  for (const TSslMode mode : {TSslMode::Disabled, TSslMode::VerifyIdentity}) {
    TTlsClient client(Settings(mode));
    ASSERT_TRUE(client.Login(tls.Ed25519User, tls.Ed25519Password)) << client.Error();
    EXPECT_EQ(client.Second("SELECT 1, CURRENT_USER()"), tls.Ed25519User + "@%");
    TTlsClient wrong(Settings(mode));
    EXPECT_FALSE(wrong.Login(tls.Ed25519User, tls.Ed25519Password + "x"));
    EXPECT_EQ(wrong.Errno(), 1045);
  }
}

// A server showing a certificate of the right CA for another host name.
TEST(MySqlTlsServer, CertificateForAnotherHostFailsVerifyIdentityBeforeAnyCredential) {
  const std::string error = RefusedCertificateError("wrong-host", TSslMode::VerifyIdentity);
  EXPECT_NE(error.find("mismatch"), std::string::npos) << error;
}

// A server showing a certificate of the right CA whose time has passed.
TEST(MySqlTlsServer, ExpiredCertificateFailsVerifyCaBeforeAnyCredential) {
  const std::string error = RefusedCertificateError("expired", TSslMode::VerifyCa);
  EXPECT_NE(error.find("certificate has expired"), std::string::npos) << error;
}

TEST(MySqlTlsServer, ClearPasswordGoesOnlyOverTls) {
  TBytes answer;
  TFakeServer server([&](TFakePeer& peer) {
    TServerTls tls(peer, "server");
    if (!tls.Accepted()) throw std::runtime_error("fake server: TLS handshake failed");
    tls.ReadPayload();
    tls.SendPacket(3, TBytesWriter().Byte(254).ZeroString("mysql_clear_password").Bytes());
    answer = tls.ReadPayload();
    tls.SendPacket(5, OkPacket());
    tls.WaitForClose();
  });
  {
    TTlsClient client(Settings(TSslMode::VerifyCa));
    ASSERT_TRUE(client.LoginNative(server.Port())) << client.Error();
    EXPECT_EQ(client.Description().rfind("TLS 1.", 0), 0u);
  }
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(answer, TBytesWriter().ZeroString(test_server::Settings().NativePassword).Bytes());
}

// Encrypted but unverified, the peer may be anyone in between: the password is not sent in clear.
TEST(MySqlTlsServer, ClearPasswordIsNotSentToAnUnverifiedServer) {
  TBytes afterSwitch{0xEE};
  TFakeServer server([&](TFakePeer& peer) {
    TServerTls tls(peer, "server");
    if (!tls.Accepted()) throw std::runtime_error("fake server: TLS handshake failed");
    tls.ReadPayload();
    tls.SendPacket(3, TBytesWriter().Byte(254).ZeroString("mysql_clear_password").Bytes());
    afterSwitch = tls.WaitForClose();
  });
  {
    TTlsClient client(Settings(TSslMode::Required));
    EXPECT_FALSE(client.LoginNative(server.Port()));
    EXPECT_EQ(client.Errno(), CR_AUTH_PLUGIN_CANNOT_LOAD);
  }
  ASSERT_EQ(server.Finish(), "");
  EXPECT_TRUE(afterSwitch.empty());
}

// Settings that cannot work fail before anything is sent, whatever the mode.
TEST(MySqlTlsServer, UnusableFileSettingsAreRefusedAtOnce) {
  const struct {
    TSslMode Mode;
    std::string Ca;
    std::string CaPath;
    std::string Reason;
  } cases[] = {
      {TSslMode::VerifyCa, "", "", "verify-ca needs a CA file (ssl-ca) or folder (ssl-capath)"},
      {TSslMode::Preferred, "/nonexistent/ca.pem", "", "cannot read the CA file '/nonexistent/ca.pem'"},
      {TSslMode::Required, "/nonexistent/ca.pem", "", "cannot read the CA file '/nonexistent/ca.pem'"},
      {TSslMode::VerifyCa, "", "/nonexistent/certs", "cannot read the CA folder '/nonexistent/certs'"},
      {TSslMode::Preferred, "", TlsFile("ca.pem"), "cannot read the CA folder '" + TlsFile("ca.pem") + "'"},
  };
  for (const auto& c : cases) {
    TSslSettings settings = Settings(c.Mode);
    settings.Ca = c.Ca;
    settings.CaPath = c.CaPath;
    TTlsClient client(settings);
    EXPECT_FALSE(client.LoginNative()) << c.Reason;
    EXPECT_EQ(client.Errno(), CR_SSL_CONNECTION_ERROR);
    EXPECT_NE(client.Error().find(c.Reason), std::string::npos) << client.Error();
  }
}

// Every file given is loaded and checked before the connection is made, even in preferred mode
// against a server that offers no TLS, and the reason names the file and what is wrong with it.
TEST(MySqlTlsServer, GivenFilesAreCheckedBeforeConnectingEvenWhenTlsIsNotOffered) {
  TempDir dir;
  const std::string garbage = (dir / "garbage.pem").string();
  WriteFile(garbage, "-----BEGIN CERTIFICATE-----\nnot base64 at all\n-----END CERTIFICATE-----\n");
  const std::string locked = (dir / "locked-key.pem").string();
  {
    std::unique_ptr<BIO, decltype(&BIO_free)> in(BIO_new_file(TlsFile("client-key.pem").c_str(), "r"), BIO_free);
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        PEM_read_bio_PrivateKey(in.get(), nullptr, nullptr, nullptr), EVP_PKEY_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new_file(locked.c_str(), "w"), BIO_free);
    char phrase[] = "pass phrase";
    ASSERT_TRUE(key && out &&
                PEM_write_bio_PrivateKey(out.get(), key.get(), EVP_aes_128_cbc(), nullptr, 0, nullptr, phrase) == 1);
  }
  const std::string cert = TlsFile("client-cert.pem");
  const std::string folder = dir.Path().string();
  const std::string missing = folder + "/missing.crl";
  const struct {
    std::string Ca, Cert, Key, Crl, CrlPath;
    std::string Reason;
  } cases[] = {
      {garbage, "", "", "", "", "cannot read the CA file '" + garbage + "'"},
      {folder, "", "", "", "", "the CA file '" + folder + "' is a folder"},
      {"", garbage, "", "", "", "cannot read the certificate file '" + garbage + "'"},
      {"", cert, garbage, "", "", "the key file '" + garbage + "' holds no private key in PEM form"},
      {"", cert, locked, "", "", "the key file '" + locked + "' is protected by a pass phrase, which is not supported"},
      {"", "", TlsFile("client-key.pem"), "", "", "a key file needs a certificate file"},
      {"", "", "", missing, "", "cannot read the revocation list file '" + missing + "'"},
      {"", "", "", garbage, "", "cannot read the revocation list file '" + garbage + "'"},
      {"", "", "", folder, "", "the revocation list file '" + folder + "' is a folder"},
      {"", "", "", "", missing, "cannot read the revocation list folder '" + missing + "'"},
      {"", "", "", "", garbage, "cannot read the revocation list folder '" + garbage + "'"},
  };

  for (const auto& c : cases) {
    bool reached = false;
    {
      TFakeServer server([&](TFakePeer& peer) {
        reached = true;
        peer.SendPacket(0, GreetingWithMethod(FakeCaps & ~CLIENT_SSL, "mysql_native_password"));
        peer.ReadToEnd();
      });
      TSslSettings settings;
      settings.Ca = c.Ca;
      settings.Cert = c.Cert;
      settings.Key = c.Key;
      settings.Crl = c.Crl;
      settings.CrlPath = c.CrlPath;
      TTlsClient client(settings);
      EXPECT_FALSE(client.LoginNative(server.Port())) << c.Reason;
      EXPECT_EQ(client.Errno(), CR_SSL_CONNECTION_ERROR);
      EXPECT_NE(client.Error().find(c.Reason), std::string::npos) << client.Error();
    }
    EXPECT_FALSE(reached) << c.Reason;
  }
}

TEST(MySqlTlsServer, ReadTimeOutHoldsOverTls) {
  TFakeServer server([&](TFakePeer& peer) {
    TServerTls tls(peer, "server");
    if (!tls.Accepted()) throw std::runtime_error("fake server: TLS handshake failed");
    tls.ReadPayload();
    tls.WaitForClose();  // no answer to the login
  });
  TTlsClient client(Settings(TSslMode::Required));
  client.SetConnectTimeout(1);
  EXPECT_FALSE(client.LoginNative(server.Port()));
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(client.Errno(), CR_SERVER_LOST);
  EXPECT_NE(client.Error().find("Error on data reading from the connection"), std::string::npos) << client.Error();
}

// A folder of authorities under their hashed names, as OpenSSL looks them up, verifies the server
// as a CA file does; without the server's CA in it the certificate is refused.
TEST(MySqlTlsServer, CaFolderVerifiesTheServer) {
  TempDir withCa;
  TempDir withOtherCa;
  for (const auto& [dir, file] : {std::pair{&withCa, "ca.pem"}, std::pair{&withOtherCa, "other-ca.pem"}})
    std::filesystem::copy_file(TlsFile(file), *dir / (SubjectHash(TlsFile(file)) + ".0"));
  TSslSettings settings = Settings(TSslMode::VerifyIdentity, "");
  settings.Ca.clear();
  settings.CaPath = withCa.Path().string();
  TTlsClient client(settings);
  ASSERT_TRUE(client.LoginNative()) << client.Error();
  EXPECT_EQ(client.Description().rfind("TLS 1.", 0), 0u);
  EXPECT_NE(client.Description().find("certificate verified for"), std::string::npos) << client.Description();

  settings.CaPath = withOtherCa.Path().string();
  TTlsClient refused(settings);
  EXPECT_FALSE(refused.LoginNative());
  EXPECT_EQ(refused.Errno(), CR_SSL_CONNECTION_ERROR);
  EXPECT_NE(refused.Error().find("signed by an unknown CA"), std::string::npos) << refused.Error();
}

// A revocation list, given as a file or in a folder under its issuer's hash, refuses a server
// certificate it names and passes one it does not; a certificate whose issuer's list is missing
// is refused too, as nothing says it still stands.
TEST(MySqlTlsServer, RevocationListsRefuseARevokedServerCertificate) {
  TempDir dir;
  WriteRevocationList(dir / "server-revoked.crl", {"server", "client"});
  WriteRevocationList(dir / "client-revoked.crl", {"client"});
  WriteRevocationList(dir / "other-ca.crl", {}, "other-ca");
  for (const std::string name : {"server-revoked", "client-revoked"}) {
    std::filesystem::create_directory(dir / name);
    std::filesystem::copy_file(dir / (name + ".crl"), dir / name / (SubjectHash(TlsFile("ca.pem")) + ".r0"));
  }
  const struct {
    std::string Crl, CrlPath;
    TSslMode Mode;
    std::string Refusal;  // empty: the login succeeds
  } cases[] = {
      {"client-revoked.crl", "", TSslMode::VerifyCa, ""},
      {"client-revoked.crl", "", TSslMode::VerifyIdentity, ""},
      {"server-revoked.crl", "", TSslMode::VerifyCa, "certificate revoked"},
      {"server-revoked.crl", "", TSslMode::VerifyIdentity, "certificate revoked"},
      {"", "client-revoked", TSslMode::VerifyCa, ""},
      {"", "server-revoked", TSslMode::VerifyCa, "certificate revoked"},
      {"other-ca.crl", "", TSslMode::VerifyCa, "unable to get certificate CRL"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Crl + c.CrlPath + " " + std::string(SslModeName(c.Mode)));
    TSslSettings settings = Settings(c.Mode);
    settings.Crl = c.Crl.empty() ? "" : (dir / c.Crl).string();
    settings.CrlPath = c.CrlPath.empty() ? "" : (dir / c.CrlPath).string();
    TTlsClient client(settings);
    const bool loggedIn = client.LoginNative();
    EXPECT_EQ(loggedIn, c.Refusal.empty()) << client.Error();
    if (loggedIn) {
      EXPECT_EQ(client.SslVersion().rfind("TLSv1.", 0), 0u);
      continue;
    }
    EXPECT_EQ(client.Errno(), CR_SSL_CONNECTION_ERROR);
    EXPECT_NE(client.Error().find("the server's certificate was not accepted: " + c.Refusal), std::string::npos)
        << client.Error();
  }
}

// A TLS 1.3 suite limits TLS 1.3; names of older ciphers leave it its own suites; a list that
// names no cipher fails before the login.
TEST(MySqlTlsServer, CipherListLimitsTheCipher) {
  const struct {
    std::string List;
    std::string Cipher;  // empty: the login fails
  } cases[] = {
      {"TLS_AES_128_GCM_SHA256", "TLS_AES_128_GCM_SHA256"},
      {"TLS_CHACHA20_POLY1305_SHA256:ECDHE-RSA-AES128-GCM-SHA256", "TLS_CHACHA20_POLY1305_SHA256"},
      {"ECDHE-RSA-AES128-GCM-SHA256", "TLS_AES_256_GCM_SHA384"},
      {"no-such-cipher", ""},
  };
  for (const auto& c : cases) {
    TSslSettings settings = Settings(TSslMode::Required);
    settings.Cipher = c.List;
    TTlsClient client(settings);
    const bool loggedIn = client.LoginNative();
    EXPECT_EQ(loggedIn, !c.Cipher.empty()) << c.List << ": " << client.Error();
    if (loggedIn)
      EXPECT_EQ(client.Second("SHOW STATUS LIKE 'Ssl_cipher'"), c.Cipher) << c.List;
    else
      EXPECT_NE(client.Error().find("cannot use the cipher list '" + c.List + "'"), std::string::npos)
          << client.Error();
  }
}
