#pragma once
// The driver's MySQL connection object behind the connection component.
#include "dataset/CRAccess.h"
#include "wire/HostFailover.h"
#include "wire/MySqlApiDirect.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class TComponent;

// The session-side half of the connection component: logs in with its options, runs the
// statements that follow the login, checks liveness and turns the call interface's kept
// errors into EMyError.
class TMySQLConnection : public TCRConnection {
 public:
  TMySQLConnection() = default;
  TMySQLConnection(const TMySQLConnection&) = delete;
  TMySQLConnection& operator=(const TMySQLConnection&) = delete;
  ~TMySQLConnection() override;

  void SetProp(int prop, const TPropValue& value) override;
  TPropValue GetProp(int prop) const override;
  void SetUsername(const std::string& value) override { FUsername = value; }
  void SetPassword(const std::string& value) override { FPassword = value; }
  void SetServer(const std::string& value) override { FServer = value; }
  void Connect(const std::string& connectString) override;
  void Disconnect() override;
  bool GetConnected() const override { return FConnected; }

  // A new connection object with the same login settings (for cancelling a statement), but a
  // connect time-out of at most a few seconds and no wait breaker: it ends the statement of a
  // session whose wait was broken or timed out, and is not to be held by a server that no longer answers.
  void AssignLogin(const TMySQLConnection& source);
  // Lets another thread end this connection's socket waits (connect, login, a statement); each
  // ends as a time-out would.
  void SetWaitBreaker(std::shared_ptr<TWaitBreaker> breaker) { FWaitBreaker = std::move(breaker); }
  void Ping();
  bool CheckIsValid();
  void SetDatabase(const std::string& name);
  std::string GetServerVersion() const;
  const std::string& GetServerVersionFull() const { return FServerVer; }
  static std::string GetClientVersion() { return TMySQLAPIDirect::ClientVersion; }
  std::uint32_t GetThreadId() const;
  // How the open connection is protected ("not encrypted" when closed or plain).
  std::string SecurityDescription() const;
  bool GetIsClient41() const { return true; }
  bool GetIsServer41() const override;
  bool GetInTransaction() const override;
  bool UseUnicode() const { return FUseUnicode; }
  // The Unicode session speaks utf8mb4 (four bytes at most), not the three-byte utf8.
  bool SpeaksUtf8mb4() const { return FUtf8mb4; }
  // Without Unicode (and no other character set chosen) texts cross the wire in Windows-1252.
  bool SpeaksAnsi() const;
  // The character set's name texts cross the session in: utf8mb4, utf8, or the one chosen (latin1
  // for Windows-1252).
  std::string WireCharset() const;
  // Follows the sql_mode the server reports with every reply, so that a mode set at the server
  // or by a statement is obeyed whatever CheckBackslashes says.
  bool NeedBackslashes() const { return !(FMySQL && FMySQL->noBackslashEscapes); }
  // The database the session is in: the login's, then as last learnt.
  const std::string& CurrentDatabase() const { return FCurrentDatabase; }
  // A statement that is not the component's own may change the database (USE) or the sql_mode,
  // and under a statement-local mode (SET STATEMENT ... FOR) its reply describes that statement
  // only. Both are learnt again, once, before the next statement the component writes.
  // A statement not the component's own that may leave state in the session (see
  // LeavesSessionAsItWas) marks it as no longer the one a new login would give.
  void SessionStateMayHaveChanged(std::string_view statement) {
    FSessionStateUnsure = true;
    FSessionAsLoggedIn = FSessionAsLoggedIn && LeavesSessionAsItWas(statement);
  }
  // Nothing but the component's own statements and plain queries ran since the login: a new
  // session on another host would have the same database, variables, tables and locks.
  bool SessionAsLoggedIn() const { return FSessionAsLoggedIn; }
  // A single SELECT, SHOW, DESCRIBE or EXPLAIN that names no variable and keeps nothing in the
  // session for later (a named lock, an insert id, a sequence value).
  static bool LeavesSessionAsItWas(std::string_view statement);
  // Asks the session's database when a statement not of the component's own may have changed it;
  // the question waits as long as the statement it comes before may (commandTimeout seconds).
  void LearnSessionStateIfUnsure(int commandTimeout);
  int ConnectionTimeout() const { return FConnectionTimeout; }
  // The client flags the next login sends (the session adds its fixed set).
  std::uint32_t ClientFlags() const;
  // The hosts of the server setting, in the order a connect tries them.
  THostList Hosts() const { return ParseHostList(FServer, FPort); }
  // The host the session reached ("host:port"), empty while disconnected.
  std::string ConnectedHost() const { return FConnected ? FConnectedHost.Text() : std::string(); }

  // Runs a statement without rows with the connection's time-out. For the component's own
  // statements, which change neither the database nor the sql_mode.
  void ExecStatement(const std::string& text) override;
  // A node not ready for clients refuses even the rollback (1047): its session is closed, which
  // rolls the transaction back there, and the connection moves to the next host.
  void Rollback() override;
  // A query of the session's or the server's own state, which needs no wait for the rest of a
  // cluster: a node that reads causally would hold it until it has caught up with the others,
  // which a node cut off from them never does. MariaDB is told not to wait.
  std::string WithoutClusterWait(const std::string& query) const;
  // Runs a query and returns its first value (empty for none or NULL); as ExecStatement, or with
  // the given command time-out.
  std::string QueryFirstValue(const std::string& text);
  std::string QueryFirstValue(const std::string& text, int commandTimeout);

  // A cluster node that is not ready for clients refuses a statement before running it (1047).
  // Outside a transaction, with more hosts in the list, the session moves to the next host that
  // is ready and true is returned: the statement is to be sent once more there. Raises when no
  // other host takes the login. The caller moves only a session still as logged in.
  bool MovedOffNodeNotReady();
  // Raises the error kept by the call interface as EMyError, through the error callback.
  [[noreturn]] void MySQLError(TComponent* component);
  void Check(int status, TComponent* component) {
    if (status != 0) MySQLError(component);
  }
  // Tells the session's error callback, reconnecting when it asks for it, then raises.
  [[noreturn]] void ProcessError(EMyError& error);

  TMySqlSession* Session() const { return FMySQL; }
  static TMySQLAPIDirect& API();

  // Whether a server of this version takes statement-local settings and knows the cluster's
  // variables (MariaDB 10.1.2 and later, which greet as "5.5.5-10.x.y-MariaDB" for old clients).
  static bool HasStatementSettings(std::string_view serverVersion);
  // Decodes "5.5.36-log" into 5, 5 and 36; a part that is not a number raises EConvertError.
  static void DecodeVersion(const std::string& text, int& major, int& minor, int& release);

 private:
  // Logs in to the hosts in turn from the one at `first`, as the list allows; raises the last
  // failure when none takes the login.
  void ConnectFrom(std::size_t first);
  // Logs in to the hosts of the list from the one at `first` (see ConnectFrom).
  THostChoice LogInToOneOf(const THostList& hosts, std::size_t first);
  // One login attempt, connect and login steps bounded by `timeout` seconds (0: none).
  std::optional<THostFailure> LogIn(const THostAddress& host, bool checkReady, int timeout);
  // The steps after the handshake that make a session usable; a failure ends the login to this host.
  void PrepareSession(bool checkReady);
  // The time a step of the connection may take: while logging in, what is left of the connect
  // time-out (at least a second), else the whole connect time-out.
  int StepTimeout() const;
  // Texts are UTF-8 in memory and cross the wire as UTF-8 or as Windows-1252 (latin1): any other
  // character set would store them double-encoded, so it is refused before a login.
  void RefuseUnknownCharset();
  void ApplyCharset();
  // So that a statement the server would refuse is refused before it is sent.
  void ReadMaxAllowedPacket();
  void Reconnect();
  // Reconnects on the component's own behalf and tells the outcome through the reconnect events;
  // a failure is raised after the event.
  void ReconnectAndTell();
  // A statement whose reply did not come within the command time-out goes on running on the server
  // and may store its row after its outcome was looked up: it is ended there first, on a second
  // session, and awaited until the server no longer runs it. False when that could not be done.
  bool EndAbandonedStatement();

  std::string FServer, FUsername, FPassword, FDatabase, FCharset;
  int FPort = 3306;
  int FConnectionTimeout = 15;
  std::shared_ptr<TWaitBreaker> FWaitBreaker;
  bool FUseUnicode = false;
  bool FUseUnicodeSetting = false;  // as set; an old server turns FUseUnicode off for a session
  bool FUtf8mb4 = false;
  bool FCompress = false;
  TSslSettings FSecurity;
  bool FInteractive = false;
  int FProtocol = 0;
  int FIPVersion = 0;
  bool FDirect = true;
  bool FCheckBackslashes = false;
  bool FNullForZeroBaseDate = false;
  std::string FServerVer;
  int FServerPrimaryVer = 0, FServerMinorVer = 0, FServerReleaseVer = 0;
  bool FTakesStatementSettings = false;  // of the server logged in to, see HasStatementSettings
  THostAddress FConnectedHost;
  std::size_t FConnectedHostIndex = 0;
  TMySqlSession* FMySQL = nullptr;
  bool FConnected = false;
  std::string FCurrentDatabase;
  bool FSessionStateUnsure = false;
  bool FSessionAsLoggedIn = true;
  bool FNativeConnection = false;
  bool FInErrorProcessing = false;
  // Set while a login's steps run: their failures go to the next host, not to the error handler.
  bool FLoggingIn = false;
  TDeadline FLoginDeadline;
};
