// Login methods named by the server, against a scripted server: the answers on the wire, the
// switch between methods and the refusals.
#include "tests/support/FakeServer.h"
#include "wire/MySqlApiDirect.h"
#include "wire/MySqlAuthTokens.h"
#include "wire/MySqlErrors.h"
#include "wire/MySqlPassword.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

constexpr std::uint32_t Caps = CLIENT_LONG_PASSWORD | CLIENT_LONG_FLAG | CLIENT_CONNECT_WITH_DB | CLIENT_PROTOCOL_41 |
                               CLIENT_TRANSACTIONS | CLIENT_SECURE_CONNECTION | CLIENT_PLUGIN_AUTH_LENENC_CLIENT_DATA;
constexpr std::string_view Password = "secret";
const TBytes NewNonce = BytesOf("ABCDEFGHIJKLMNOPQRST");

struct TClient {
  TMySQLAPIDirect Api;
  TMySqlSession* Session;
  explicit TClient(TSslMode mode = TSslMode::Disabled) : Session(Api.mysql_init()) {
    Api.mysql_options(Session, MYSQL_OPT_CONNECT_TIMEOUT, 10);
    Session->security.Mode = mode;
  }
  ~TClient() { Api.mysql_close(Session); }
  bool Connect(int port) {
    return Api.mysql_real_connect(Session, "127.0.0.1", "tech", std::string(Password), "kova", port, "", 0) != nullptr;
  }
  int Errno() { return Api.mysql_errno(Session); }
  std::string Error() { return Api.mysql_error(Session); }
};

// The parts of a 4.1 handshake response with a named method.
struct TResponse {
  std::uint32_t Flags = 0;
  TBytes AuthData;
  std::string Method;
};

TResponse ParseResponse(const TBytes& payload) {
  TMySqlReader reader(payload);
  TResponse response;
  response.Flags = static_cast<std::uint32_t>(reader.ReadInt32());
  reader.Skip(4 + 1 + 23);
  reader.ReadString();
  const auto length = static_cast<std::size_t>(reader.ReadFieldLength());
  const auto data = reader.ReadSpan(length);
  response.AuthData.assign(data.begin(), data.end());
  reader.ReadString();
  response.Method = reader.ReadString();
  return response;
}

TBytes AuthSwitch(std::string_view method, const TBytes& data) {
  return TBytesWriter().Byte(254).ZeroString(method).Raw(data).Bytes();
}

TBytes MoreData(const TBytes& data) {
  return TBytesWriter().Byte(1).Raw(data).Bytes();
}

void Expect(bool condition, const char* what) {
  if (!condition) throw std::runtime_error(std::string("fake server: ") + what);
}

// An RSA key pair made for the test: the public half as PEM, the private half to decrypt with.
class TRsaKey {
 public:
  TRsaKey() : FKey(EVP_RSA_gen(2048), EVP_PKEY_free) {
    std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new(BIO_s_mem()), BIO_free);
    PEM_write_bio_PUBKEY(out.get(), FKey.get());
    char* data = nullptr;
    const long length = BIO_get_mem_data(out.get(), &data);
    FPem.assign(data, static_cast<std::size_t>(length));
  }
  const std::string& Pem() const { return FPem; }
  TBytes PemBytes() const { return BytesOf(FPem); }

  // The password as sent: decrypted and un-XORed with the nonce.
  std::string Password(const TBytes& encrypted, const TBytes& nonce) const {
    std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> context(EVP_PKEY_CTX_new(FKey.get(), nullptr),
                                                                        EVP_PKEY_CTX_free);
    std::size_t length = 0;
    EVP_PKEY_decrypt_init(context.get());
    EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_OAEP_PADDING);
    EVP_PKEY_decrypt(context.get(), nullptr, &length, encrypted.data(), encrypted.size());
    TBytes plain(length);
    if (EVP_PKEY_decrypt(context.get(), plain.data(), &length, encrypted.data(), encrypted.size()) != 1)
      return "<undecryptable>";
    plain.resize(length);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] ^= nonce[i % 20];
    return std::string(plain.begin(), plain.end());
  }

 private:
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> FKey;
  std::string FPem;
};

const TBytes Scramble(TestScramble.begin(), TestScramble.end());
const std::string PasswordWithZero = std::string(Password) + '\0';

}  // namespace

TEST(MySqlAuth, CachingSha2FastPathSendsTheScrambleAndWaitsForTheVerdict) {
  TResponse response;
  TFakeServer server([&](TFakePeer& peer) {
    peer.SendPacket(0, GreetingWithMethod(Caps, "caching_sha2_password"));
    response = ParseResponse(peer.ReadHandshakeResponse().Payload);
    peer.SendPacket(2, MoreData({3}));
    peer.SendPacket(3, OkPacket());
  });
  TClient client;
  ASSERT_TRUE(client.Connect(server.Port())) << client.Error();
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(response.Method, "caching_sha2_password");
  const auto expected = ScrambleCachingSha2(Password, TestScramble);
  EXPECT_EQ(response.AuthData, TBytes(expected.begin(), expected.end()));
  EXPECT_TRUE(response.Flags & CLIENT_PLUGIN_AUTH);
}

TEST(MySqlAuth, CachingSha2FullPathOverPlainTcpEncryptsWithTheRequestedKey) {
  const TRsaKey key;
  std::string received;
  TFakeServer server([&](TFakePeer& peer) {
    peer.SendPacket(0, GreetingWithMethod(Caps, "caching_sha2_password"));
    peer.ReadHandshakeResponse();
    peer.SendPacket(2, MoreData({4}));
    Expect(peer.ReadPacket().Payload == TBytes{2}, "no key request");
    peer.SendPacket(4, MoreData(key.PemBytes()));
    received = key.Password(peer.ReadPacket().Payload, Scramble);
    peer.SendPacket(6, OkPacket());
  });
  TClient client;
  client.Session->security.GetServerPublicKey = true;
  ASSERT_TRUE(client.Connect(server.Port())) << client.Error();
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(received, PasswordWithZero);
}

TEST(MySqlAuth, CachingSha2FullPathUsesAGivenKeyFileWithoutAsking) {
  const TRsaKey key;
  const auto keyFile = std::filesystem::temp_directory_path() / ("morvane-key-" + std::to_string(::getpid()) + ".pem");
  std::ofstream(keyFile) << key.Pem();
  std::string received;
  TFakeServer server([&](TFakePeer& peer) {
    peer.SendPacket(0, GreetingWithMethod(Caps, "caching_sha2_password"));
    peer.ReadHandshakeResponse();
    peer.SendPacket(2, MoreData({4}));
    received = key.Password(peer.ReadPacket().Payload, Scramble);
    peer.SendPacket(4, OkPacket());
  });
  TClient client;
  client.Session->security.ServerPublicKey = keyFile.string();
  const bool connected = client.Connect(server.Port());
  std::filesystem::remove(keyFile);
  ASSERT_TRUE(connected) << client.Error();
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(received, PasswordWithZero);
}

TEST(MySqlAuth, SwitchToSha256PasswordAsksForTheKeyAndUsesTheNewNonce) {
  const TRsaKey key;
  std::string received;
  TFakeServer server([&](TFakePeer& peer) {
    peer.SendPacket(0, GreetingWithMethod(Caps, "mysql_native_password"));
    peer.ReadHandshakeResponse();
    peer.SendPacket(2, AuthSwitch("sha256_password", TBytesWriter().Raw(NewNonce).Byte(0).Bytes()));
    Expect(peer.ReadPacket().Payload == TBytes{1}, "no key request");
    peer.SendPacket(4, MoreData(key.PemBytes()));
    received = key.Password(peer.ReadPacket().Payload, NewNonce);
    peer.SendPacket(6, OkPacket());
  });
  TClient client;
  client.Session->security.GetServerPublicKey = true;
  ASSERT_TRUE(client.Connect(server.Port())) << client.Error();
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(received, PasswordWithZero);
}

TEST(MySqlAuth, SwitchesAnswerTheNamedMethodOverItsChallenge) {
  const TBytes edNonce(32, 7);
  const auto native = Scramble41(Password, std::span<const std::uint8_t, 20>(NewNonce.data(), 20));
  const auto signature = SignEd25519(Password, edNonce);
  const struct {
    std::string Method;
    TBytes Challenge;
    TBytes Answer;
  } cases[] = {
      {"mysql_native_password", TBytesWriter().Raw(NewNonce).Byte(0).Bytes(), TBytes(native.begin(), native.end())},
      {"client_ed25519", edNonce, TBytes(signature.begin(), signature.end())},
      {"mysql_old_password", TBytesWriter().Raw(NewNonce).Byte(0).Bytes(),
       TBytesWriter().ZeroString(ScrambleOld(Password, NewNonce)).Bytes()},
  };
  for (const auto& c : cases) {
    TBytes answer;
    TFakeServer server([&](TFakePeer& peer) {
      peer.SendPacket(0, GreetingWithMethod(Caps, "mysql_native_password"));
      peer.ReadHandshakeResponse();
      peer.SendPacket(2, AuthSwitch(c.Method, c.Challenge));
      answer = peer.ReadPacket().Payload;
      peer.SendPacket(4, OkPacket());
    });
    TClient client;
    ASSERT_TRUE(client.Connect(server.Port())) << c.Method << ": " << client.Error();
    ASSERT_EQ(server.Finish(), "") << c.Method;
    EXPECT_EQ(answer, c.Answer) << c.Method;
  }
}

// Without TLS and without the user's leave, a server (or whoever stands in for it) that asks for
// the RSA key or for the password in clear gets neither the request nor any byte of the password.
TEST(MySqlAuth, APlainConnectionNeverGivesAwayThePasswordByDefault) {
  const struct {
    const char* greeting;
    TBytes challenge;  // sent after the handshake response
    int error;
    const char* text;
  } cases[] = {
      {"caching_sha2_password", MoreData({4}), CR_AUTH_PLUGIN_ERR,
       "Authentication plugin 'caching_sha2_password' reported error: Authentication requires secure connection."},
      {"mysql_native_password", AuthSwitch("sha256_password", TBytesWriter().Raw(NewNonce).Byte(0).Bytes()),
       CR_AUTH_PLUGIN_ERR,
       "Authentication plugin 'sha256_password' reported error: Authentication requires secure connection."},
      {"mysql_native_password", AuthSwitch("mysql_clear_password", {}), CR_AUTH_PLUGIN_CANNOT_LOAD,
       "(mysql_clear_password) on a connection whose server was not verified; it was not sent"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TBytes afterChallenge{0xEE};
    TFakeServer server([&](TFakePeer& peer) {
      peer.SendPacket(0, GreetingWithMethod(Caps, c.greeting));
      peer.ReadHandshakeResponse();
      peer.SendPacket(2, c.challenge);
      afterChallenge = peer.ReadToEnd();
    });
    TClient client(TSslMode::Preferred);
    EXPECT_FALSE(client.Connect(server.Port()));
    ASSERT_EQ(server.Finish(), "");
    EXPECT_TRUE(afterChallenge.empty());
    EXPECT_EQ(client.Errno(), c.error);
    EXPECT_NE(client.Error().find(c.text), std::string::npos) << client.Error();
  }
}

TEST(MySqlAuth, ClearPasswordGoesWhenTheUserAllowsIt) {
  TBytes answer;
  TFakeServer server([&](TFakePeer& peer) {
    peer.SendPacket(0, GreetingWithMethod(Caps, "mysql_native_password"));
    peer.ReadHandshakeResponse();
    peer.SendPacket(2, AuthSwitch("mysql_clear_password", {}));
    answer = peer.ReadPacket().Payload;
    peer.SendPacket(4, OkPacket());
  });
  TClient client;
  client.Session->security.EnableClearText = true;
  ASSERT_TRUE(client.Connect(server.Port())) << client.Error();
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(answer, BytesOf(PasswordWithZero));
}

TEST(MySqlAuth, UnknownMethodEndsTheLoginNamingIt) {
  TFakeServer server([&](TFakePeer& peer) {
    peer.SendPacket(0, GreetingWithMethod(Caps, "mysql_native_password"));
    peer.ReadHandshakeResponse();
    peer.SendPacket(2, AuthSwitch("dialog", {}));
    peer.ReadToEnd();
  });
  TClient client;
  EXPECT_FALSE(client.Connect(server.Port()));
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(client.Errno(), CR_AUTH_PLUGIN_CANNOT_LOAD);
  EXPECT_NE(client.Error().find("'dialog'"), std::string::npos) << client.Error();
}

TEST(MySqlAuth, SwitchFromAServerNeverToldOfMethodsIsAProtocolError) {
  constexpr std::uint16_t OldCaps = CLIENT_LONG_PASSWORD | CLIENT_LONG_FLAG | CLIENT_CONNECT_WITH_DB |
                                    CLIENT_PROTOCOL_41 | CLIENT_TRANSACTIONS | CLIENT_SECURE_CONNECTION;
  std::uint32_t flags = 0;
  TFakeServer server([&](TFakePeer& peer) {
    peer.SendPacket(0, Greeting41(OldCaps));
    const TBytes response = peer.ReadHandshakeResponse().Payload;
    flags = TMySqlReader(response).ReadInt32();
    peer.SendPacket(2, AuthSwitch("mysql_native_password", TBytesWriter().Raw(NewNonce).Byte(0).Bytes()));
    peer.ReadToEnd();
  });
  TClient client;
  EXPECT_FALSE(client.Connect(server.Port()));
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(flags & CLIENT_PLUGIN_AUTH, 0u);
  EXPECT_EQ(client.Errno(), CR_MALFORMED_PACKET);
}

TEST(MySqlAuth, ServerWithoutTlsFailsRequiredModesBeforeTheLoginAndServesPreferredPlain) {
  const struct {
    TSslMode Mode;
    bool LogsIn;
  } cases[] = {{TSslMode::Preferred, true}, {TSslMode::Required, false}, {TSslMode::VerifyIdentity, false}};
  for (const auto& c : cases) {
    TBytes sent;
    TFakeServer server([&](TFakePeer& peer) {
      peer.SendPacket(0, GreetingWithMethod(Caps, "mysql_native_password"));
      if (!c.LogsIn) {
        sent = peer.ReadToEnd();
        return;
      }
      Expect(!(ParseResponse(peer.ReadHandshakeResponse().Payload).Flags & CLIENT_SSL), "SSL flag sent");
      peer.SendPacket(2, OkPacket());
    });
    TClient client(c.Mode);
    EXPECT_EQ(client.Connect(server.Port()), c.LogsIn) << SslModeName(c.Mode);
    ASSERT_EQ(server.Finish(), "") << SslModeName(c.Mode);
    if (c.LogsIn) {
      EXPECT_EQ(client.Api.mysql_get_ssl_description(client.Session), "not encrypted");
    } else {
      EXPECT_EQ(client.Errno(), CR_SSL_CONNECTION_ERROR);
      EXPECT_TRUE(sent.empty()) << SslModeName(c.Mode);
    }
  }
}
