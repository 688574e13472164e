#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "data/MyConnection.h"
#include "data/MyQuery.h"
#include "mysql/MySQLCommand.h"
#include "mysql/MySQLConnection.h"
#include "tests/data/TestConnection.h"

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

}  // namespace

TEST(MySQLConnection, VersionDecodingAndHost) {
  int major, minor, release;
  TMySQLConnection::DecodeVersion("5.5.36-log", major, minor, release);
  EXPECT_EQ(std::tie(major, minor, release), std::make_tuple(5, 5, 36));
  TMySQLConnection::DecodeVersion("10.11.19-MariaDB-0+deb12u1", major, minor, release);
  EXPECT_EQ(std::tie(major, minor, release), std::make_tuple(10, 11, 19));
  EXPECT_THROW(TMySQLConnection::DecodeVersion("x.1.2", major, minor, release), EConvertError);

  TMySQLConnection connection;
  EXPECT_EQ(connection.HostName(), "localhost");
  connection.SetServer("db.example,shared");
  EXPECT_EQ(connection.HostName(), "db.example");
  EXPECT_EQ(connection.ClientFlags(), 0x10002u);
  connection.SetProp(prCompress, true);
  connection.SetProp(prInteractive, true);
  EXPECT_EQ(connection.ClientFlags(), 0x10002u | 0x20u | 0x400u);
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
  EXPECT_EQ(connection.MySQLConnection()->QueryFirstValue("SELECT @@character_set_client"), "utf8mb3");

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
  EXPECT_EQ(log.Events, (std::vector<std::string>{"BeforeConnect", "AfterConnect",
                                                  "BeforeDisconnect", "AfterDisconnect"}));
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

TEST(MyConnection, OnErrorCanTurnAFailureIntoASilentAbort) {
  TMyConnection connection;
  test_server::Configure(connection, "");
  connection.OnError = [](TCustomDAConnection&, const EDAError& e, bool& fail) {
    fail = e.ErrorCode != 1146;
  };
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

TEST(MySQLCommand, MultipleResultsAreWalkedAndAffectedRowsCounted) {
  TMyConnection connection;
  test_server::Configure(connection, "");
  connection.Connect();
  TMySQLConnection& session = *connection.MySQLConnection();
  session.ExecStatement("SELECT 1; SELECT 2; DO 3");
  EXPECT_EQ(session.QueryFirstValue("DO 1; SELECT 'second'"), "second");
  EXPECT_EQ(session.QueryFirstValue("SELECT 'after'"), "after");
}

TEST(MyConnection, TheServersPacketLimitIsReadAtConnect) {
  TMyConnection connection;
  test_server::Configure(connection, "");
  connection.Connect();
  const std::string limit = connection.MySQLConnection()->QueryFirstValue("SELECT @@max_allowed_packet");
  EXPECT_EQ(std::to_string(connection.MySQLConnection()->Session()->serverMaxAllowedPacket), limit);
}
