#include "components/MyConnection.h"
#include "components/MyQuery.h"
#include "driver/MySQLCommand.h"
#include "driver/MySQLConnection.h"
#include "tests/components/TestConnection.h"
#include "tests/support/FakeServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

struct EventLog {
  std::vector<std::string> Events;
  void Attach(TMyConnection& connection) {
    connection.BeforeConnect = [this](TCustomConnection&) { Events.push_back("BeforeConnect"); };
    connection.AfterConnect = [this](TCustomConnection&) { Events.push_back("AfterConnect"); };
    connection.BeforeDisconnect = [this](TCustomConnection&) { Events.push_back("BeforeDisconnect"); };
    connection.AfterDisconnect = [this](TCustomConnection&) { Events.push_back("AfterDisconnect"); };
  }
};

// Ends the session of a connection from a second one, as a lost connection.
void KillSession(TMyConnection& victim) {
  TMyConnection killer;
  test_server::Configure(killer, "");
  killer.Connect();
  killer.MySQLConnection()->ExecStatement("KILL " + std::to_string(victim.MySQLConnection()->GetThreadId()));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// A scripted server's side of a Unicode login up to the first statement. A client with more hosts
// asks first whether the node is ready, answered as a server without a cluster.
void AcceptUnicodeLogin(TFakePeer& peer, bool readinessAsked = false) {
  peer.SendPacket(0,
                  Greeting41(CLIENT_LONG_FLAG | CLIENT_PROTOCOL_41 | CLIENT_TRANSACTIONS | CLIENT_SECURE_CONNECTION));
  peer.ReadHandshakeResponse();
  peer.SendPacket(2, OkPacket());
  if (readinessAsked) {
    peer.ReadPacket();
    peer.SendPacket(1, {2});
    peer.SendPacket(2, ColumnDefinition41("Variable_name"));
    peer.SendPacket(3, ColumnDefinition41("Value"));
    peer.SendPacket(4, EndPacket());
    peer.SendPacket(5, EndPacket());
  }
  peer.ReadPacket();  // SET NAMES
  peer.SendPacket(1, OkPacket());
  peer.AnswerPacketLimitQuery();
}

// The client's side.
// The test server as a host of a list.
std::string LiveHost() {
  const test_server::TSettings& server = test_server::Settings();
  return server.Host + ":" + std::to_string(server.Port);
}

// Connects to a list of the scripted node on port, then the test server.
void ConnectScriptedNodeFirst(TMyConnection& connection, int port) {
  test_server::Configure(connection, "");
  connection.SetServer("127.0.0.1:" + std::to_string(port) + "," + LiveHost());
  connection.Connect();
}

void ConnectTo(TMyConnection& connection, int port) {
  connection.LoginPrompt = false;
  connection.SetServer("127.0.0.1");
  connection.SetPort(port);
  connection.SetUsername("tech");
  connection.Options.SetUseUnicode(true);
  connection.Connect();
}

}  // namespace

TEST(MySQLConnection, VersionDecodingAndHost) {
  int major, minor, release;
  TMySQLConnection::DecodeVersion("5.5.36-log", major, minor, release);
  EXPECT_EQ(std::tie(major, minor, release), std::make_tuple(5, 5, 36));
  TMySQLConnection::DecodeVersion("10.11.19-MariaDB-0+deb12u1", major, minor, release);
  EXPECT_EQ(std::tie(major, minor, release), std::make_tuple(10, 11, 19));
  EXPECT_THROW(TMySQLConnection::DecodeVersion("x.1.2", major, minor, release), EConvertError);

  TMySQLConnection connection;
  EXPECT_EQ(connection.Hosts().front().Host, "localhost");
  connection.SetServer("db.example,shared");
  EXPECT_EQ(connection.Hosts().front().Host, "db.example");
  EXPECT_EQ(connection.ClientFlags(), 0x10002u);
  connection.SetProp(prCompress, true);
  connection.SetProp(prInteractive, true);
  EXPECT_EQ(connection.ClientFlags(), 0x10002u | 0x20u | 0x400u);
}

// Statements after which a new login elsewhere would give the same session, and ones that leave
// state behind.
TEST(MySQLConnection, PlainQueriesLeaveTheSessionAsItWas) {
  for (const char* plain :
       {"SELECT * FROM pixels", " (select 1)", "SHOW TABLES", "DESCRIBE pixels", "EXPLAIN SELECT 1"})
    EXPECT_TRUE(TMySQLConnection::LeavesSessionAsItWas(plain)) << plain;
  for (const char* keeping : {"USE other", "SET @note = 'x'", "SELECT @n := 1", "SELECT 1; USE other",
                              "SELECT GET_LOCK('a', 1)", "SELECT LAST_INSERT_ID(5)", "CREATE TEMPORARY TABLE t (i INT)",
                              "LOCK TABLES pixels READ", "SET sql_mode = ''", "INSERT INTO t VALUES (1)"})
    EXPECT_FALSE(TMySQLConnection::LeavesSessionAsItWas(keeping)) << keeping;
}

TEST(MySQLConnection, StatementSettingsComeWithMariaDb10_1_2) {
  const std::pair<const char*, bool> cases[] = {
      {"5.5.5-10.11.19-MariaDB-0+deb12u1", true}, {"10.1.2-MariaDB", true}, {"10.0.38-MariaDB", false},
      {"5.5.5-10.0.38-MariaDB", false},           {"8.0.36", false},        {"x.y-MariaDB", false},
  };
  for (const auto& [version, expected] : cases)
    EXPECT_EQ(TMySQLConnection::HasStatementSettings(version), expected) << version;
}

TEST(MyConnection, ConnectAndDisconnectSequences) {
  EventLog log;  // outlives the connection, whose destruction it hears of
  TMyConnection connection;
  log.Attach(connection);
  bool loginCalled = false;
  connection.OnLogin = [&](TCustomDAConnection&, std::vector<std::string>&) { loginCalled = true; };
  EXPECT_EQ(connection.Port(), 3306);
  EXPECT_EQ(connection.ConnectionTimeout(), 15);
  test_server::Configure(connection, "");
  connection.Connect();
  EXPECT_TRUE(connection.Connected());
  EXPECT_FALSE(loginCalled) << "no login event without LoginPrompt";
  EXPECT_EQ(connection.MySQLConnection()->QueryFirstValue("SELECT @@character_set_client"), "utf8mb4");

  connection.SetServer(test_server::Settings().Host);  // same text: stays open
  connection.SetPort(connection.Port());
  EXPECT_TRUE(connection.Connected());
  try {
    connection.Options.SetUseUnicode(false);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Cannot perform this operation on an open connection");
  }
  EXPECT_TRUE(connection.Options.UseUnicode());

  connection.SetDatabase("mysql");
  EXPECT_TRUE(connection.Connected());
  EXPECT_EQ(connection.MySQLConnection()->QueryFirstValue("SELECT DATABASE()"), "mysql");

  connection.SetUsername("somebody_else");  // a different text closes the connection first
  EXPECT_FALSE(connection.Connected());
  EXPECT_EQ(log.Events,
            (std::vector<std::string>{"BeforeConnect", "AfterConnect", "BeforeDisconnect", "AfterDisconnect"}));
}

TEST(MyConnection, FailedLoginLeavesItClosedAndASecondAttemptWorks) {
  EventLog log;  // outlives the connection, whose destruction it hears of
  TMyConnection connection;
  log.Attach(connection);
  test_server::Configure(connection, "");
  connection.SetPassword("wrong");
  try {
    connection.Connect();
    FAIL();
  } catch (const EMyError& e) {
    EXPECT_EQ(e.ErrorCode, 1045);
    EXPECT_FALSE(e.IsFatalError());
  }
  EXPECT_FALSE(connection.Connected());
  connection.SetPassword(test_server::Settings().RootPassword);
  connection.Connect();
  EXPECT_TRUE(connection.Connected());
  EXPECT_EQ(log.Events, (std::vector<std::string>{"BeforeConnect", "BeforeConnect", "AfterConnect"}));

  connection.SetPort(1);  // refused
  EXPECT_FALSE(connection.Connected());
  try {
    connection.Connect();
    FAIL();
  } catch (const EMyError& e) {
    EXPECT_EQ(e.ErrorCode, 2003);
  }
}

TEST(MyConnection, LostConnectionIsReportedAndTheSessionReconnects) {
  EventLog log;  // outlives the connection, whose destruction it hears of
  TMyConnection connection;
  test_server::Configure(connection, "");
  connection.Connect();
  log.Attach(connection);
  KillSession(connection);
  try {
    connection.MySQLConnection()->ExecStatement("SELECT 1");
    FAIL();
  } catch (const EMyError& e) {
    EXPECT_TRUE(e.ErrorCode == 2013 || e.ErrorCode == 2006) << e.ErrorCode;
    EXPECT_TRUE(e.IsFatalError());
  }
  EXPECT_TRUE(connection.Connected());
  EXPECT_EQ(log.Events, std::vector<std::string>{"AfterConnect"});
  EXPECT_EQ(connection.MySQLConnection()->QueryFirstValue("SELECT 1"), "1");
}

TEST(MyConnection, HostListConnectsToTheFirstHostThatTakesTheLogin) {
  const std::string live = LiveHost();
  TMyConnection connection;
  test_server::Configure(connection, "");
  connection.SetServer("127.0.0.1:1, " + live);
  connection.Connect();
  EXPECT_EQ(connection.ConnectedHost(), live);
  EXPECT_EQ(connection.MySQLConnection()->QueryFirstValue("SELECT 1"), "1");
  connection.Disconnect();
  EXPECT_EQ(connection.ConnectedHost(), "");

  auto failure = [&](const std::string& server) {
    connection.SetServer(server);
    try {
      connection.Connect();
      ADD_FAILURE() << server << " took the login";
    } catch (const EMyError& e) {
      return std::make_pair(e.ErrorCode, std::string(e.what()));
    }
    return std::make_pair(0, std::string());
  };
  auto [code, message] = failure("127.0.0.1:1,127.0.0.1:2");
  EXPECT_EQ(code, 2003);
  EXPECT_NE(message.find("\r\nHosts tried: 2"), std::string::npos) << message;
  std::tie(code, message) = failure("127.0.0.1:1");
  EXPECT_EQ(code, 2003);
  EXPECT_EQ(message.find("Hosts tried"), std::string::npos) << "one host fails as it always did: " << message;
  std::tie(code, message) = failure("127.0.0.1:x," + live);
  EXPECT_EQ(code, 2005) << message;
  EXPECT_FALSE(connection.Connected());
}

// A host that takes the login and then never answers is left for the next within the connect
// time-out, whether it falls silent at the readiness question (host lists) or at the session's set-up.
TEST(MyConnection, AHostThatFallsSilentAfterTheLoginIsLeftWithinTheConnectTimeout) {
  const std::string live = LiveHost();
  for (bool list : {true, false}) {
    TFakeServer silent([](TFakePeer& peer) {
      peer.SendPacket(
          0, Greeting41(CLIENT_LONG_FLAG | CLIENT_PROTOCOL_41 | CLIENT_TRANSACTIONS | CLIENT_SECURE_CONNECTION));
      peer.ReadHandshakeResponse();
      peer.SendPacket(2, OkPacket());
      peer.ReadToEnd();
    });
    TMyConnection connection;
    test_server::Configure(connection, "");
    connection.SetConnectionTimeout(2);
    const std::string silentHost = "127.0.0.1:" + std::to_string(silent.Port());
    connection.SetServer(list ? silentHost + "," + live : silentHost);
    const auto started = std::chrono::steady_clock::now();
    if (list) {
      connection.Connect();
      EXPECT_EQ(connection.ConnectedHost(), live);
    } else {
      EXPECT_THROW(connection.Connect(), EMyError);
      EXPECT_FALSE(connection.Connected());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(3500)) << "list: " << list;
    connection.Disconnect();
    silent.Finish();
  }
}

// A node that logs in ready and then refuses statements as not ready (1047) has run nothing: outside
// a transaction the statement goes once to the next host; inside one the error is the caller's.
TEST(MyConnection, AStatementRefusedByANodeNotReadyRunsOnTheNextHostOutsideATransaction) {
  const std::string live = LiveHost();
  for (bool inTransaction : {false, true}) {
    SCOPED_TRACE(inTransaction ? "in a transaction" : "autocommit");
    TFakeServer notReady([inTransaction](TFakePeer& peer) {
      AcceptUnicodeLogin(peer, true);
      if (inTransaction) {
        peer.ReadPacket();  // BEGIN
        peer.SendPacket(1, OkPacket(0, 0, 3));
      }
      peer.ReadPacket();
      peer.SendPacket(1, ErrorPacket(1047, "WSREP has not yet prepared node for application use"));
      peer.ReadToEnd();
    });
    TMyConnection connection;
    ConnectScriptedNodeFirst(connection, notReady.Port());
    if (inTransaction) connection.MySQLConnection()->ExecStatement("BEGIN");
    TMyQuery query;
    query.SetConnection(&connection);
    query.SQL().SetText("SELECT 7 AS seven");
    if (inTransaction) {
      try {
        query.Open();
        ADD_FAILURE() << "the refused statement was sent elsewhere inside a transaction";
      } catch (const EMyError& error) {
        EXPECT_EQ(error.ErrorCode, 1047);
      }
      EXPECT_NE(connection.ConnectedHost(), live);
    } else {
      query.Open();
      EXPECT_EQ(query.FieldByName("seven").AsInteger(), 7);
      EXPECT_EQ(connection.ConnectedHost(), live);
    }
    connection.Disconnect();
    EXPECT_EQ(notReady.Finish(), "");
  }
}

// A node that logs in ready and refuses a statement only after the session took state of its own
// (USE, through a query of the program's): a new session elsewhere would lack it, so the refusal is
// reported and nothing is sent to the next host.
TEST(MyConnection, AStatementRefusedAfterUseIsReportedNotMoved) {
  TFakeServer notReady([](TFakePeer& peer) {
    AcceptUnicodeLogin(peer, true);
    peer.ReadPacket();  // USE other
    peer.SendPacket(1, OkPacket());
    peer.ReadPacket();
    peer.SendPacket(1, ErrorPacket(1047, "WSREP has not yet prepared node for application use"));
    peer.ReadToEnd();
  });
  TMyConnection connection;
  ConnectScriptedNodeFirst(connection, notReady.Port());
  const std::string fake = "127.0.0.1:" + std::to_string(notReady.Port());
  TMyQuery query;
  query.SetConnection(&connection);
  query.SQL().SetText("USE other");
  query.Execute();
  query.SQL().SetText("UPDATE notes SET note = 'x' WHERE id = 1");
  try {
    query.Execute();
    ADD_FAILURE() << "the statement went to a session without the database it was meant for";
  } catch (const EMyError& error) {
    EXPECT_EQ(error.ErrorCode, 1047);
  }
  EXPECT_EQ(connection.ConnectedHost(), fake);
  connection.Disconnect();
  EXPECT_EQ(notReady.Finish(), "");
}

// Inside a transaction a node that is not ready refuses COMMIT and then ROLLBACK: the rollback
// closes its session, which rolls the transaction back there, and the connection goes on at the
// next host outside a transaction.
TEST(MyConnection, ARollbackANodeRefusesEndsItsSessionAndTheNextHostTakesOver) {
  const std::string live = LiveHost();
  TFakeServer notReady([](TFakePeer& peer) {
    AcceptUnicodeLogin(peer, true);
    peer.ReadPacket();  // BEGIN
    peer.SendPacket(1, OkPacket(0, 0, 3));
    for (int refused = 0; refused < 2; ++refused) {  // COMMIT, ROLLBACK
      peer.ReadPacket();
      peer.SendPacket(1, ErrorPacket(1047, "WSREP has not yet prepared node for application use"));
    }
    peer.ReadToEnd();
  });
  TMyConnection connection;
  ConnectScriptedNodeFirst(connection, notReady.Port());
  connection.MySQLConnection()->ExecStatement("BEGIN");
  try {
    connection.Commit();
    ADD_FAILURE() << "the refused COMMIT was reported as done";
  } catch (const EMyError& error) {
    EXPECT_EQ(error.ErrorCode, 1047);
  }
  EXPECT_TRUE(connection.InTransaction());
  connection.Rollback();
  EXPECT_FALSE(connection.InTransaction());
  EXPECT_EQ(connection.ConnectedHost(), live);
  EXPECT_EQ(connection.MySQLConnection()->QueryFirstValue("SELECT 7"), "7");
  connection.Disconnect();
  EXPECT_EQ(notReady.Finish(), "");
}

TEST(MyConnection, AfterALostConnectionTheNextHostIsTriedFirst) {
  const test_server::TSettings& server = test_server::Settings();
  const std::string port = std::to_string(server.Port);
  TMyConnection connection;
  test_server::Configure(connection, "");
  connection.SetServer("127.0.0.1:" + port + ",localhost:" + port);
  connection.Connect();
  EXPECT_EQ(connection.ConnectedHost(), "127.0.0.1:" + port);
  KillSession(connection);
  EXPECT_THROW(connection.MySQLConnection()->ExecStatement("SELECT 1"), EMyError);
  EXPECT_TRUE(connection.Connected());
  EXPECT_EQ(connection.ConnectedHost(), "localhost:" + port);
  KillSession(connection);
  EXPECT_THROW(connection.MySQLConnection()->ExecStatement("SELECT 1"), EMyError);
  EXPECT_EQ(connection.ConnectedHost(), "127.0.0.1:" + port) << "the list wraps round";
}

TEST(MyConnection, FailedReconnectRunsTheWholeDisconnectSequence) {
  EventLog log;  // outlives the connection, whose destruction it hears of
  TMyConnection connection;
  test_server::Configure(connection, "");
  TMyQuery query;
  query.SetConnection(&connection);
  query.SQL().SetText("SELECT 1 AS one");
  query.Open();
  log.Attach(connection);
  connection.MySQLConnection()->SetProp(prPort, 1);  // where the reconnect finds no server
  KillSession(connection);
  EXPECT_THROW(connection.MySQLConnection()->ExecStatement("SELECT 1"), EMyError);
  EXPECT_EQ(log.Events, (std::vector<std::string>{"BeforeDisconnect", "AfterDisconnect"}));
  EXPECT_FALSE(connection.Connected());
  EXPECT_FALSE(query.Active());
}

// The window's login: a server that trickles harmless login messages holds the connect no longer
// than its time-out.
TEST(MyConnection, ATrickledLoginEndsWithinTheConnectTimeout) {
  using namespace std::chrono_literals;
  TFakeServer server([](TFakePeer& peer) {
    peer.TrickleLogin(CLIENT_LONG_FLAG | CLIENT_PROTOCOL_41 | CLIENT_TRANSACTIONS | CLIENT_SECURE_CONNECTION, 1800ms);
  });
  TMyConnection connection;
  connection.SetConnectionTimeout(2);
  connection.SetPassword("secret");
  const auto started = std::chrono::steady_clock::now();
  try {
    ConnectTo(connection, server.Port());
    ADD_FAILURE() << "the login ended";
  } catch (const EMyError& e) {
    EXPECT_EQ(e.ErrorCode, 2013) << e.what();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2500ms);
  EXPECT_FALSE(connection.Connected());
  server.Finish();
}

TEST(MyConnection, PacketsOutOfOrderEndTheSessionAsALostConnection) {
  TFakeServer server([](TFakePeer& peer) {
    AcceptUnicodeLogin(peer);
    peer.ReadPacket();
    peer.SendPacket(5, OkPacket());
  });
  EventLog log;  // outlives the connection, whose destruction it hears of
  TMyConnection connection;
  ConnectTo(connection, server.Port());
  log.Attach(connection);
  connection.MySQLConnection()->SetProp(prPort, 1);  // where the reconnect finds no server
  try {
    connection.MySQLConnection()->ExecStatement("DO 1");
    FAIL();
  } catch (const EMyError& e) {
    EXPECT_EQ(e.ErrorCode, 1156);
  }
  EXPECT_EQ(server.Finish(), "");
  EXPECT_FALSE(connection.Connected());
  EXPECT_EQ(log.Events, (std::vector<std::string>{"BeforeDisconnect", "AfterDisconnect"}));
}

// A commit-time failure may have stored the row on the cluster: its outcome is unknown, not failed,
// and the session stays.
TEST(MyConnection, AnErrorDuringCommitLeavesTheOutcomeOpen) {
  TFakeServer server([](TFakePeer& peer) {
    AcceptUnicodeLogin(peer);
    peer.ReadPacket();
    peer.SendPacket(1, ErrorPacket(1180, "Error while appending streaming replication fragment"));
    peer.ReadToEnd();
  });
  TMyConnection connection;
  ConnectTo(connection, server.Port());
  try {
    connection.MySQLConnection()->ExecStatement("INSERT INTO pixels (mac) VALUES ('54-2F-89-00-00-01')");
    FAIL();
  } catch (const EMyError& e) {
    EXPECT_EQ(e.ErrorCode, 1180);
    EXPECT_TRUE(e.StatementMayHaveRun);
  }
  EXPECT_TRUE(connection.Connected());
  connection.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

TEST(MyConnection, OnErrorCanTurnAFailureIntoASilentAbort) {
  TMyConnection connection;
  test_server::Configure(connection, "");
  connection.OnError = [](TCustomDAConnection&, const EDAError& e, bool& fail) { fail = e.ErrorCode != 1146; };
  connection.Connect();
  EXPECT_THROW(connection.MySQLConnection()->ExecStatement("SELECT * FROM mysql.no_such_table"), EAbort);
  EXPECT_THROW(connection.MySQLConnection()->ExecStatement("SELEC 1"), EMyError);
  try {
    connection.MySQLConnection()->ExecStatement("SELECT 1,\n2,\nFROM");
  } catch (const EMyError& e) {
    EXPECT_EQ(e.ErrorCode, 1064);
    EXPECT_EQ(e.LineNumber, 3);
    EXPECT_EQ(e.what()[0], '\r') << "server messages start with a line break";
  }
}

TEST(MySQLCommand, BreakExecEndsTheStatementInASilentAbort) {
  TMyConnection connection;
  test_server::Configure(connection, "");
  connection.Connect();
  TMySQLCommand command(*connection.MySQLConnection());
  command.SQL = "SELECT SLEEP(20)";
  std::thread breaker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    command.BreakExec();
  });
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(command.Execute(), EAbort);
  breaker.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// The server counts affected rows in 64 bits, and so does the one-row check after a write.
TEST(MySQLCommand, AffectedRowsKeepAll64Bits) {
  constexpr std::uint64_t manyRows = (std::uint64_t{1} << 32) + 1;
  TFakeServer server([](TFakePeer& peer) {
    AcceptUnicodeLogin(peer);
    peer.ReadPacket();
    peer.SendPacket(1, OkPacket(manyRows));
    peer.ReadToEnd();
  });
  TMyConnection connection;
  ConnectTo(connection, server.Port());
  TMySQLCommand command(*connection.MySQLConnection());
  command.SQL = "UPDATE big SET n = 1";
  command.Execute();
  EXPECT_EQ(command.RowsAffected(), static_cast<std::int64_t>(manyRows));
  connection.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

TEST(MySQLCommand, MultipleResultsAreWalkedAndAffectedRowsCounted) {
  TMyConnection connection;
  test_server::Configure(connection, "");
  connection.Connect();
  TMySQLConnection& session = *connection.MySQLConnection();
  session.ExecStatement("SELECT 1; SELECT 2; DO 3");
  EXPECT_EQ(session.QueryFirstValue("DO 1; SELECT 'second'"), "second");
  EXPECT_EQ(session.QueryFirstValue("SELECT 'after'"), "after");
}

// A character set the texts cannot be converted to is refused before a login, so nothing is stored
// double-encoded; one they can cross in keeps every character.
TEST(MyConnection, OnlyCharsetsTheTextsCanCrossInAreTaken) {
  for (const char* charset : {"latin2", "cp1250", "utf8; DROP TABLE pixels"}) {
    TMyConnection connection;
    test_server::Configure(connection, "");
    connection.Options.SetUseUnicode(false);
    connection.Options.SetCharset(charset);
    try {
      connection.Connect();
      ADD_FAILURE() << charset << " was taken";
    } catch (const EMyError& error) {
      EXPECT_EQ(error.ErrorCode, 2019) << charset;
      EXPECT_NE(std::string(error.what()).find(charset), std::string::npos) << error.what();
    }
    EXPECT_FALSE(connection.Connected());
  }
  for (const char* charset : {"utf8mb4", "latin1"}) {
    TMyConnection connection;
    test_server::Configure(connection, "");
    connection.Options.SetUseUnicode(false);
    connection.Options.SetCharset(charset);
    connection.Connect();
    EXPECT_EQ(connection.MySQLConnection()->QueryFirstValue("SELECT HEX(CONVERT('gr\xC3\xBCn' USING utf8mb4))"),
              "6772C3BC6E")
        << charset;
  }
}

TEST(MyConnection, SslOptionsReachTheSessionAndAnUnknownModeIsRefused) {
  TMyConnection connection;
  test_server::Configure(connection, "");
  TMySSLOptions verifying;
  verifying.Mode = "verify-identity";
  verifying.CA = test_server::TlsSettings().Dir + "/ca.pem";
  connection.SetSSLOptions(verifying);
  connection.Connect();
  EXPECT_EQ(connection.SecurityDescription().rfind("TLS 1.", 0), 0u) << connection.SecurityDescription();
  TMySSLOptions other;
  other.Mode = "disabled";
  EXPECT_THROW(connection.SetSSLOptions(other), EDatabaseError);
  connection.Disconnect();
  EXPECT_EQ(connection.SecurityDescription(), "not encrypted");

  other.Mode = "sometimes";
  EXPECT_THROW(connection.SetSSLOptions(other), std::invalid_argument);
  EXPECT_EQ(connection.SSLOptions().Mode, "verify-identity");
}

TEST(MyConnection, TheServersPacketLimitIsReadAtConnect) {
  TMyConnection connection;
  test_server::Configure(connection, "");
  connection.Connect();
  const std::string limit = connection.MySQLConnection()->QueryFirstValue("SELECT @@max_allowed_packet");
  EXPECT_EQ(std::to_string(connection.MySQLConnection()->Session()->serverMaxAllowedPacket), limit);
}
