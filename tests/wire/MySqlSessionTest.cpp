// Login and command exchanges against a scripted server, for replies a real server never sends.
#include "driver/MySQLConnection.h"
#include "tests/support/FakeServer.h"
#include "wire/MySqlApiDirect.h"
#include "wire/MySqlErrors.h"
#include "wire/MySqlPassword.h"
#include "wire/MySqlSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace {

constexpr std::uint16_t Caps41 = CLIENT_LONG_PASSWORD | CLIENT_LONG_FLAG | CLIENT_CONNECT_WITH_DB | CLIENT_PROTOCOL_41 |
                                 CLIENT_TRANSACTIONS | CLIENT_SECURE_CONNECTION;
constexpr std::uint32_t ProgramFlags = CLIENT_FOUND_ROWS | CLIENT_MULTI_STATEMENTS;

TBytes ZeroTerminated(const std::string& text) {
  return TBytesWriter().ZeroString(text).Bytes();
}

// A client session of the call interface, freed at the end of the test.
struct TClient {
  TMySQLAPIDirect Api;
  TMySqlSession* Session;
  TClient() : Session(Api.mysql_init()) { Api.mysql_options(Session, MYSQL_OPT_CONNECT_TIMEOUT, 10); }
  ~TClient() { Api.mysql_close(Session); }
  bool Connect(int port, const std::string& password = "secret", std::uint32_t flags = ProgramFlags) {
    return Api.mysql_real_connect(Session, "127.0.0.1", "tech", password, "kova", port, "", flags) != nullptr;
  }
};

// Greeting, response, OK: the response is handed back for inspection.
TFakePacket AcceptLogin(TFakePeer& peer, std::uint16_t caps = Caps41) {
  peer.SendPacket(0, Greeting41(caps));
  TFakePacket response = peer.ReadHandshakeResponse();
  peer.SendPacket(2, OkPacket());
  return response;
}

// Reads a COM_QUERY and checks its statement.
void ExpectQuery(TFakePeer& peer, const std::string& statement) {
  const TFakePacket query = peer.ReadPacket();
  if (query.Sequence != 0 || query.Payload.empty() || query.Payload[0] != 3 ||
      std::string(query.Payload.begin() + 1, query.Payload.end()) != statement)
    throw std::runtime_error("fake server: unexpected query");
}

// One VARCHAR column named "v", then the given row messages.
void SendResult(TFakePeer& peer, const std::vector<TBytes>& rows, std::uint8_t& seq) {
  peer.SendPacket(seq++, {1});
  peer.SendPacket(seq++, ColumnDefinition41("v"));
  peer.SendPacket(seq++, EndPacket());
  for (const TBytes& row : rows) peer.SendPacket(seq++, row);
}

}  // namespace

TEST(TMySqlSessionLogin, PreFourOneServerGetsShortFlagsAndTheOldToken) {
  TBytes response;
  TFakeServer server([&](TFakePeer& peer) {
    peer.SendPacket(0, GreetingPre41(CLIENT_LONG_FLAG | CLIENT_CONNECT_WITH_DB | CLIENT_TRANSACTIONS));
    response = peer.ReadHandshakeResponse().Payload;
    peer.SendPacket(2, TBytes{0, 0, 0, 2, 0});
  });
  TClient client;
  ASSERT_TRUE(client.Connect(server.Port())) << client.Api.mysql_error(client.Session);
  ASSERT_EQ(server.Finish(), "");
  const std::uint32_t flags = response[0] | response[1] << 8;
  EXPECT_EQ(flags & CLIENT_PROTOCOL_41, 0u);
  const TBytes expected = TBytesWriter()
                              .Raw(std::span(response).first(2))
                              .Int(0, 3)
                              .ZeroString("tech")
                              .ZeroString(ScrambleOld("secret", TestScramble))
                              .ZeroString("kova")
                              .Bytes();
  EXPECT_EQ(response, expected);
  EXPECT_EQ(client.Api.mysql_get_server_info(client.Session), "4.0.27-fake");
  EXPECT_EQ(client.Api.mysql_get_host_info(client.Session), "127.0.0.1 via TCP/IP");
}

TEST(TMySqlSessionLogin, ResponseCarriesFlagsCharsetUserTokenAndDatabase) {
  struct TCase {
    std::string Charset;
    std::uint8_t Number;
  };
  for (const TCase& c : {TCase{"utf8mb4", 45}, TCase{"utf8", 33}, TCase{"latin1", 8}, TCase{"", 8}}) {
    TBytes response;
    TFakeServer server([&](TFakePeer& peer) { response = AcceptLogin(peer).Payload; });
    TClient client;
    client.Api.mysql_options(client.Session, MYSQL_SET_CHARSET_NAME, c.Charset);
    ASSERT_TRUE(client.Connect(server.Port()));
    ASSERT_EQ(server.Finish(), "");
    const TBytes expected = TBytesWriter()
                                .Int(0x3A28F & ~0u, 4)
                                .Int(MAX_ALLOWED_PACKET, 4)
                                .Byte(c.Number)
                                .Raw(TBytes(23, 0))
                                .ZeroString("tech")
                                .Byte(20)
                                .Raw(Scramble41("secret", TestScramble))
                                .ZeroString("kova")
                                .Bytes();
    EXPECT_EQ(response, expected) << c.Charset;
  }
}

TEST(TMySqlSessionLogin, EmptyPasswordSendsASingleZeroByte) {
  for (const bool protocol41 : {true, false}) {
    TBytes response;
    TFakeServer server([&](TFakePeer& peer) {
      peer.SendPacket(0, protocol41 ? Greeting41(Caps41) : GreetingPre41(CLIENT_CONNECT_WITH_DB));
      response = peer.ReadHandshakeResponse().Payload;
      peer.SendPacket(2, OkPacket());
    });
    TClient client;
    ASSERT_TRUE(client.Connect(server.Port(), ""));
    ASSERT_EQ(server.Finish(), "");
    const std::size_t userAt = protocol41 ? 32 : 5;
    const TBytes tail(response.begin() + static_cast<long>(userAt), response.end());
    EXPECT_EQ(tail, TBytesWriter().ZeroString("tech").Byte(0).ZeroString("kova").Bytes()) << protocol41;
  }
}

// A server that claims the 4.1 protocol without the 4.1 scramble would get the pre-4.1 one, which is
// cracked offline in seconds: it gets nothing unless old passwords are allowed.
TEST(TMySqlSessionLogin, AFourOneGreetingWithoutItsScrambleGetsNoneUnlessOldPasswordsAreAllowed) {
  for (const bool allowed : {false, true}) {
    TBytes sent;
    TFakeServer server([&](TFakePeer& peer) {
      peer.SendPacket(0, Greeting41(Caps41 & ~CLIENT_SECURE_CONNECTION));
      if (!allowed) {
        sent = peer.ReadToEnd();
        return;
      }
      sent = peer.ReadHandshakeResponse().Payload;
      peer.SendPacket(2, OkPacket());
    });
    TClient client;
    client.Session->security.AllowOldPasswords = allowed;
    EXPECT_EQ(client.Connect(server.Port()), allowed) << client.Api.mysql_error(client.Session);
    ASSERT_EQ(server.Finish(), "");
    if (allowed) {
      const TBytes tail(sent.end() - 14, sent.end());
      EXPECT_EQ(tail, TBytesWriter().ZeroString(ScrambleOld("secret", TestScramble)).ZeroString("kova").Bytes());
      continue;
    }
    EXPECT_EQ(client.Api.mysql_errno(client.Session), CR_SERVER_HANDSHAKE_ERR);
    EXPECT_EQ(client.Api.mysql_error(client.Session).rfind("Error in server handshake\r\nThe server claims", 0), 0u)
        << client.Api.mysql_error(client.Session);
    EXPECT_TRUE(sent.empty()) << sent.size() << " bytes reached the server";
  }
}

// A server that trickles its login, message by message or byte by byte, still ends it within the
// connect time-out; the deadline ends with the login, so a later reply may take longer.
TEST(TMySqlSessionLogin, TheConnectTimeOutBoundsTheWholeLogin) {
  using namespace std::chrono_literals;
  const std::function<void(TFakePeer&)> scripts[] = {
      [](TFakePeer& peer) { peer.TrickleLogin(Caps41, 1800ms); },
      // The greeting a byte every 0.3 s.
      [](TFakePeer& peer) {
        const TBytes greeting = WirePacket(0, Greeting41(Caps41));
        for (std::size_t i = 0; i < greeting.size() && peer.Idle(300ms); ++i)
          peer.SendRaw(std::span(greeting).subspan(i, 1));
      },
  };
  for (const auto& script : scripts) {
    TFakeServer server(script);
    TClient client;
    client.Api.mysql_options(client.Session, MYSQL_OPT_CONNECT_TIMEOUT, 2);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.Connect(server.Port()));
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, 1900ms);
    EXPECT_LT(took, 2500ms);
    EXPECT_EQ(client.Api.mysql_errno(client.Session), CR_SERVER_LOST);
    EXPECT_NE(client.Api.mysql_error(client.Session).find("The time-out of 2 seconds passed."), std::string::npos)
        << client.Api.mysql_error(client.Session);
    client.Api.mysql_close(client.Session);
    client.Session = client.Api.mysql_init();
    server.Finish();
  }

  TFakeServer slowReply([](TFakePeer& peer) {
    AcceptLogin(peer);
    ExpectQuery(peer, "DO 1");
    std::this_thread::sleep_for(1500ms);
    peer.SendPacket(1, OkPacket());
  });
  TClient client;
  client.Api.mysql_options(client.Session, MYSQL_OPT_CONNECT_TIMEOUT, 1);
  ASSERT_TRUE(client.Connect(slowReply.Port())) << client.Api.mysql_error(client.Session);
  EXPECT_EQ(client.Api.mysql_real_query(client.Session, "DO 1"), 0) << client.Api.mysql_error(client.Session);
  EXPECT_EQ(slowReply.Finish(), "");
}

TEST(TMySqlSessionLogin, OldPasswordRequestGetsThePre41Token) {
  TFakePacket token;
  TFakeServer server([&](TFakePeer& peer) {
    peer.SendPacket(0, Greeting41(Caps41));
    peer.ReadHandshakeResponse();
    peer.SendPacket(2, {254});
    token = peer.ReadPacket();
    peer.SendPacket(4, OkPacket());
  });
  TClient client;
  ASSERT_TRUE(client.Connect(server.Port())) << client.Api.mysql_error(client.Session);
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(token.Sequence, 3);
  EXPECT_EQ(token.Payload, ZeroTerminated(ScrambleOld("secret", TestScramble)));
}

TEST(TMySqlSessionLogin, TransitionalTwentyFourByteExchange) {
  std::array<std::uint8_t, 24> message;
  for (std::size_t i = 0; i < message.size(); ++i) message[i] = static_cast<std::uint8_t>('A' + i);
  std::array<std::uint8_t, 24> starred = message;
  starred[0] = '*';
  std::array<std::uint8_t, 20> newScramble;
  std::copy(starred.begin() + 4, starred.end(), newScramble.begin());
  const TSHA1Digest token410 = Scramble410("secret", message);

  struct TCase {
    std::array<std::uint8_t, 24> Message;
    TBytes Expected;
  };
  const TCase cases[] = {
      {message, TBytes(token410.begin(), token410.end())},
      {starred, ZeroTerminated(ScrambleOld("secret", newScramble))},
  };
  for (const TCase& c : cases) {
    TFakePacket answer;
    TFakeServer server([&](TFakePeer& peer) {
      peer.SendPacket(0, Greeting41(Caps41));
      peer.ReadHandshakeResponse();
      peer.SendPacket(2, TBytes(c.Message.begin(), c.Message.end()));
      answer = peer.ReadPacket();
      peer.SendPacket(4, OkPacket());
    });
    TClient client;
    ASSERT_TRUE(client.Connect(server.Port()));
    ASSERT_EQ(server.Finish(), "");
    EXPECT_EQ(answer.Payload, c.Expected);
  }
}

TEST(TMySqlSessionLogin, BrokenGreetingsFailWithTheirCodes) {
  struct TCase {
    std::function<void(TFakePeer&)> Script;
    int Code;
    const char* Message;
  };
  const TBytes greeting = Greeting41(Caps41);
  const TCase cases[] = {
      {[](TFakePeer& p) { p.SendPacket(0, Greeting41(Caps41, 9)); }, CR_VERSION_ERROR,
       "Protocol mismatch. Server Version = 9 Client Version = 10"},
      {[](TFakePeer& p) { p.SendPacket(3, Greeting41(Caps41)); }, ER_NET_PACKETS_OUT_OF_ORDER,
       "\r\nReceiveHeader: Net packets out of order: received[3], expected[0]"},
      {[&](TFakePeer& p) { p.SendPacket(0, TBytes(greeting.begin(), greeting.begin() + 16)); }, CR_MALFORMED_PACKET,
       "Malformed packet"},
      {[&](TFakePeer& p) {
         p.SendRaw(TBytes{80, 0, 0, 0, 10, '5'});
       },
       CR_SERVER_LOST, "Lost connection to MySQL server during query"},
      // The connection was made, so a reset before the greeting is a lost connection, not 2003.
      {[](TFakePeer& p) { p.Reset(); }, CR_SERVER_LOST,
       "Lost connection to MySQL server during query\r\nError on data reading from the connection:\r\n"
       "Connection reset by peer.\r\nSocket Error Code: 104($68)"},
      {[](TFakePeer& p) { p.SendPacket(0, ErrorPacket(1129, "Host is blocked")); }, 1129, "\r\nHost is blocked"},
      {[](TFakePeer& p) {
         p.SendPacket(0, Greeting41(Caps41));
         p.ReadHandshakeResponse();
         p.SendPacket(2, ErrorPacket(1045, "#28000Access denied"));
       },
       1045, "\r\n#28000Access denied"},
  };
  for (const TCase& c : cases) {
    TFakeServer server(c.Script);
    TClient client;
    EXPECT_FALSE(client.Connect(server.Port()));
    EXPECT_EQ(client.Api.mysql_errno(client.Session), c.Code);
    EXPECT_EQ(client.Api.mysql_error(client.Session), c.Message);
    EXPECT_EQ(client.Session->net.GetVio(), nullptr);
    server.Finish();
  }
}

TEST(TMySqlSessionQuery, OkPacketLeavesCountsAndNoResult) {
  TFakeServer server([](TFakePeer& peer) {
    AcceptLogin(peer);
    ExpectQuery(peer, "INSERT INTO t VALUES (1)");
    peer.SendPacket(1, OkPacket(1, 42, 2, 1, "info"));
  });
  TClient client;
  ASSERT_TRUE(client.Connect(server.Port()));
  EXPECT_EQ(client.Api.mysql_real_query(client.Session, "INSERT INTO t VALUES (1)"), 0);
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(client.Api.mysql_affected_rows(client.Session), 1);
  EXPECT_EQ(client.Api.mysql_insert_id(client.Session), 42u);
  EXPECT_EQ(client.Api.mysql_field_count(client.Session), 0u);
  EXPECT_EQ(client.Session->warningCount, 1);
  EXPECT_EQ(client.Api.mysql_info(client.Session), "info");
  EXPECT_EQ(client.Api.mysql_use_result(client.Session), nullptr);
  EXPECT_EQ(client.Api.mysql_errno(client.Session), 0);
}

TEST(TMySqlSessionQuery, MessageOfExactlyOnePacketLengthIsJoined) {
  // A row of one value whose message is exactly 16777215 bytes: a full packet and an empty one.
  const std::size_t valueLength = MAX_PACKET_LENGTH - 4;
  TFakeServer server([&](TFakePeer& peer) {
    AcceptLogin(peer);
    ExpectQuery(peer, "SELECT v");
    std::uint8_t seq = 1;
    SendResult(peer, {}, seq);
    TBytes row = TBytesWriter().Byte(253).Int(valueLength, 3).Bytes();
    row.resize(MAX_PACKET_LENGTH, 'w');
    peer.SendPacket(seq++, row);
    peer.SendPacket(seq++, {});
    peer.SendPacket(seq++, EndPacket());
  });
  TClient client;
  ASSERT_TRUE(client.Connect(server.Port()));
  ASSERT_EQ(client.Api.mysql_real_query(client.Session, "SELECT v"), 0);
  TMySqlResultSet* result = client.Api.mysql_use_result(client.Session);
  ASSERT_NE(result, nullptr);
  const TMySqlBinds* row = client.Api.mysql_fetch_row(result);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->Slots[0].Length, valueLength);
  EXPECT_EQ(row->Value(0).back(), 'w');
  EXPECT_EQ(client.Api.mysql_fetch_row(result), nullptr);
  EXPECT_EQ(client.Session->status, msReady);
  client.Api.mysql_free_result(result);
  EXPECT_EQ(server.Finish(), "");
}

TEST(TMySqlSessionQuery, ErrorAmongRowsEndsTheRowsAndIsKept) {
  TFakeServer server([](TFakePeer& peer) {
    AcceptLogin(peer);
    ExpectQuery(peer, "SELECT v");
    std::uint8_t seq = 1;
    SendResult(peer, {TextRow({std::string("one")}), ErrorPacket(1317, "#70100Query execution was interrupted")}, seq);
    ExpectQuery(peer, "SELECT 2");
    peer.SendPacket(1, OkPacket());
  });
  TClient client;
  ASSERT_TRUE(client.Connect(server.Port()));
  ASSERT_EQ(client.Api.mysql_real_query(client.Session, "SELECT v"), 0);
  TMySqlResultSet* result = client.Api.mysql_use_result(client.Session);
  ASSERT_NE(client.Api.mysql_fetch_row(result), nullptr);
  EXPECT_EQ(client.Api.mysql_fetch_row(result), nullptr);
  EXPECT_EQ(client.Api.mysql_errno(client.Session), 1317);
  EXPECT_EQ(client.Api.mysql_error(client.Session), "\r\n#70100Query execution was interrupted");
  EXPECT_EQ(client.Api.mysql_fetch_row(result), nullptr);
  client.Api.mysql_free_result(result);
  EXPECT_EQ(client.Api.mysql_real_query(client.Session, "SELECT 2"), 0);
  EXPECT_EQ(server.Finish(), "");
}

TEST(TMySqlSessionQuery, CommandsOutOfSyncSendNothing) {
  TFakeServer server([](TFakePeer& peer) {
    AcceptLogin(peer);
    ExpectQuery(peer, "SELECT v");
    std::uint8_t seq = 1;
    SendResult(peer, {TextRow({std::string("a")}), TextRow({std::string("b")}), EndPacket()}, seq);
    ExpectQuery(peer, "SELECT 2");
    peer.SendPacket(1, OkPacket());
  });
  TClient client;
  ASSERT_TRUE(client.Connect(server.Port()));
  ASSERT_EQ(client.Api.mysql_real_query(client.Session, "SELECT v"), 0);
  EXPECT_EQ(client.Api.mysql_real_query(client.Session, "SELECT 2"), CR_COMMANDS_OUT_OF_SYNC);
  EXPECT_EQ(client.Api.mysql_error(client.Session), "Commands out of sync;  You can't run this command now");
  EXPECT_EQ(client.Api.mysql_next_result(client.Session), CR_COMMANDS_OUT_OF_SYNC);
  EXPECT_EQ(client.Api.mysql_error(client.Session),
            "Commands out of sync;  You can't run this command now\r\nmysql.status = 1");
  TMySqlResultSet* result = client.Api.mysql_use_result(client.Session);
  ASSERT_NE(result, nullptr);
  client.Api.mysql_free_result(result);
  EXPECT_EQ(client.Api.mysql_real_query(client.Session, "SELECT 2"), 0);
  EXPECT_EQ(server.Finish(), "");
}

TEST(TMySqlSessionQuery, MalformedResponsesRaise2027) {
  const TBytes definition = ColumnDefinition41("v");
  const std::vector<std::vector<TBytes>> responses = {
      {{0, 1}},                                                   // OK packet cut after the row count
      {{1}, TBytes(definition.begin(), definition.begin() + 9)},  // column definition cut short
      {{2}, ColumnDefinition41("a"), EndPacket()},                // fewer definitions than columns
  };
  for (const auto& messages : responses) {
    TFakeServer server([&](TFakePeer& peer) {
      AcceptLogin(peer);
      ExpectQuery(peer, "SELECT v");
      std::uint8_t seq = 1;
      for (const TBytes& m : messages) peer.SendPacket(seq++, m);
    });
    TClient client;
    ASSERT_TRUE(client.Connect(server.Port()));
    EXPECT_EQ(client.Api.mysql_real_query(client.Session, "SELECT v"), CR_MALFORMED_PACKET);
    server.Finish();
  }
  // A row whose value runs past its message.
  TFakeServer server([](TFakePeer& peer) {
    AcceptLogin(peer);
    ExpectQuery(peer, "SELECT v");
    std::uint8_t seq = 1;
    SendResult(peer, {TBytes{200, 'x'}}, seq);
  });
  TClient client;
  ASSERT_TRUE(client.Connect(server.Port()));
  ASSERT_EQ(client.Api.mysql_real_query(client.Session, "SELECT v"), 0);
  TMySqlResultSet* result = client.Api.mysql_use_result(client.Session);
  EXPECT_EQ(client.Api.mysql_fetch_row(result), nullptr);
  EXPECT_EQ(client.Api.mysql_errno(client.Session), CR_MALFORMED_PACKET);
  client.Api.mysql_free_result(result);
  server.Finish();
}

TEST(TMySqlSessionQuery, PeerClosingMidReadLosesTheConnection) {
  TFakeServer server([](TFakePeer& peer) {
    AcceptLogin(peer);
    ExpectQuery(peer, "SELECT v");
    peer.SendRaw(TBytes{20, 0, 0, 1, 1, 2, 3});
  });
  TClient client;
  ASSERT_TRUE(client.Connect(server.Port()));
  EXPECT_EQ(client.Api.mysql_real_query(client.Session, "SELECT v"), CR_SERVER_LOST);
  EXPECT_EQ(client.Api.mysql_error(client.Session), "Lost connection to MySQL server during query");
  server.Finish();
}

TEST(TMySqlSessionQuery, FileRequestIsRefusedWithoutOpeningTheFile) {
  TFakePacket answer;
  TFakeServer server([&](TFakePeer& peer) {
    AcceptLogin(peer);
    ExpectQuery(peer, "LOAD DATA LOCAL INFILE '/etc/passwd' INTO TABLE t");
    peer.SendPacket(1, TBytesWriter().Byte(251).Raw("/etc/passwd").Bytes());
    answer = peer.ReadPacket();
    peer.SendPacket(3, OkPacket());
  });
  TClient client;
  ASSERT_TRUE(client.Connect(server.Port()));
  EXPECT_EQ(client.Api.mysql_real_query(client.Session, "LOAD DATA LOCAL INFILE '/etc/passwd' INTO TABLE t"),
            CR_LOAD_DATA_LOCAL_INFILE_REJECTED);
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(answer.Sequence, 2);
  EXPECT_TRUE(answer.Payload.empty());
  EXPECT_NE(client.Api.mysql_error(client.Session).find("'/etc/passwd'"), std::string::npos);
  EXPECT_EQ(client.Session->status, msReady);
}

TEST(TMySqlSessionQuery, FileRequestIsAnsweredWhenTheSessionAllowsIt) {
  const auto path = std::filesystem::temp_directory_path() / "morvane-local-infile.txt";
  const std::string content(20000, 'f');
  std::ofstream(path) << content;
  TBytes received;
  std::vector<std::size_t> pieces;
  TFakeServer server([&](TFakePeer& peer) {
    AcceptLogin(peer);
    ExpectQuery(peer, "LOAD");
    peer.SendPacket(1, TBytesWriter().Byte(251).Raw(path.string()).Bytes());
    for (;;) {
      const TFakePacket piece = peer.ReadPacket();
      if (piece.Payload.empty()) break;
      pieces.push_back(piece.Payload.size());
      received.insert(received.end(), piece.Payload.begin(), piece.Payload.end());
    }
    peer.SendPacket(static_cast<std::uint8_t>(3 + pieces.size()), OkPacket(1));
  });
  TClient client;
  client.Api.mysql_options(client.Session, MYSQL_OPT_LOCAL_INFILE, 1);
  ASSERT_TRUE(client.Connect(server.Port()));
  EXPECT_EQ(client.Api.mysql_real_query(client.Session, "LOAD"), 0);
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(std::string(received.begin(), received.end()), content);
  EXPECT_EQ(pieces, (std::vector<std::size_t>{8192, 8192, 3616}));
  EXPECT_EQ(client.Api.mysql_affected_rows(client.Session), 1);
  std::filesystem::remove(path);
}

TEST(TMySqlSessionQuery, CompressedSessionFramesEveryPacket) {
  TFakePacket query;
  TFakeServer server([&](TFakePeer& peer) {
    const TFakePacket response = AcceptLogin(peer, Caps41 | CLIENT_COMPRESS);
    if (!(response.Payload[0] & CLIENT_COMPRESS)) throw std::runtime_error("compression not asked for");
    query = peer.ReadFrame();
    TBytes reply;
    for (std::uint8_t seq = 1; seq <= 4; ++seq) {
      const TBytes message = seq == 1   ? TBytes{1}
                             : seq == 2 ? ColumnDefinition41("v")
                             : seq == 3 ? EndPacket()
                                        : TextRow({std::string(100, 'c')});
      const TBytes packet = WirePacket(seq, message);
      reply.insert(reply.end(), packet.begin(), packet.end());
    }
    peer.SendFrame(1, reply, true);
    peer.SendFrame(2, TBytesWriter().Int(5, 3).Byte(5).Raw(EndPacket()).Bytes(), false);
  });
  TClient client;
  ASSERT_TRUE(client.Connect(server.Port(), "secret", ProgramFlags | CLIENT_COMPRESS));
  ASSERT_EQ(client.Api.mysql_real_query(client.Session, "SELECT v"), 0);
  TMySqlResultSet* result = client.Api.mysql_use_result(client.Session);
  ASSERT_NE(result, nullptr);
  const TMySqlBinds* row = client.Api.mysql_fetch_row(result);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->Value(0), std::string(100, 'c'));
  EXPECT_EQ(client.Api.mysql_fetch_row(result), nullptr);
  EXPECT_EQ(client.Api.mysql_errno(client.Session), 0);
  client.Api.mysql_free_result(result);
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(query.Sequence, 0);
  EXPECT_EQ(query.Payload, TBytesWriter().Int(9, 3).Byte(0).Byte(3).Raw("SELECT v").Bytes());
}

// A logout sends the quit command whole and then ends the connection, over plain and compressed
// links, although the quit is held back to leave with the end of the connection.
TEST(TMySqlSessionLogin, ALogoutSendsTheQuitCommandAndThenEndsTheConnection) {
  const TBytes quit = WirePacket(0, {1});
  for (bool compressed : {false, true}) {
    TBytes sent;
    TFakeServer server([&](TFakePeer& peer) {
      AcceptLogin(peer, Caps41 | (compressed ? CLIENT_COMPRESS : 0));
      sent = peer.ReadToEnd();
    });
    {
      TClient client;
      ASSERT_TRUE(client.Connect(server.Port(), "secret", ProgramFlags | (compressed ? CLIENT_COMPRESS : 0)));
    }
    ASSERT_EQ(server.Finish(), "");
    const TBytes expected = compressed ? TBytesWriter().Int(quit.size(), 3).Byte(0).Int(0, 3).Raw(quit).Bytes() : quit;
    EXPECT_EQ(sent, expected) << (compressed ? "compressed" : "plain");
  }
}

TEST(TMySQLConnectionCharset, ServerWithoutUtf8mb4GetsUtf8) {
  TFakeServer server([](TFakePeer& peer) {
    if (AcceptLogin(peer).Payload.at(8) != CHARSET_UTF8MB4_GENERAL_CI)
      throw std::runtime_error("fake server: the login did not ask for utf8mb4");
    ExpectQuery(peer, "SET NAMES utf8mb4");
    peer.SendPacket(1, ErrorPacket(1115, "#42000Unknown character set: 'utf8mb4'"));
    ExpectQuery(peer, "SET NAMES utf8");
    peer.SendPacket(1, OkPacket());
    peer.AnswerPacketLimitQuery();
  });
  TMySQLConnection connection;
  connection.SetServer("127.0.0.1");
  connection.SetUsername("tech");
  connection.SetProp(prPort, server.Port());
  connection.SetProp(prUseUnicode, true);
  connection.Connect({});
  EXPECT_EQ(server.Finish(), "");
  EXPECT_TRUE(connection.UseUnicode());
  EXPECT_FALSE(connection.SpeaksUtf8mb4());
}

TEST(TMySqlSessionLogin, TheLoginReplyTellsTheBackslashMode) {
  TFakeServer server([](TFakePeer& peer) {
    peer.SendPacket(0, Greeting41(Caps41));
    peer.ReadHandshakeResponse();
    peer.SendPacket(2, OkPacket(0, 0, SERVER_STATUS_AUTOCOMMIT | SERVER_STATUS_NO_BACKSLASH_ESCAPES));
  });
  TClient client;
  ASSERT_TRUE(client.Connect(server.Port())) << client.Api.mysql_error(client.Session);
  EXPECT_EQ(server.Finish(), "");
  EXPECT_TRUE(client.Session->noBackslashEscapes) << "before any statement";
}

TEST(TMySqlSessionQuery, AStatementLongerThanTheServerAcceptsIsRefusedUnsent) {
  TFakePacket next;
  TFakeServer server([&](TFakePeer& peer) {
    AcceptLogin(peer);
    next = peer.ReadPacket();
    peer.SendPacket(1, OkPacket());
  });
  TClient client;
  ASSERT_TRUE(client.Connect(server.Port()));
  client.Session->serverMaxAllowedPacket = 16;
  // The server counts the command byte too: 15 bytes of text reach a limit of 16.
  EXPECT_EQ(client.Api.mysql_real_query(client.Session, "SELECT 12345678"), CR_NET_PACKET_TOO_LARGE);
  EXPECT_EQ(client.Api.mysql_error(client.Session),
            "Got packet bigger than 'max_allowed_packet'\r\nThe statement takes 16 bytes with its command byte; the "
            "server accepts fewer than 16 (max_allowed_packet).");
  EXPECT_EQ(client.Api.mysql_real_query(client.Session, "SELECT 1234567"), 0) << "just below the limit";
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(next.Payload, BytesOf("\x03SELECT 1234567"));
}
