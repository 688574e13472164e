#pragma once
// Runs statements over the call interface and hands every result set to a sink.
#include "tools/morvane-query/ResultSink.h"
#include "tools/morvane-query/RowBuffer.h"
#include "wire/HostFailover.h"
#include "wire/MySqlApiDirect.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TQueryLogin {
  std::string Host;
  int Port = 0;
  // The server's local socket; empty: the usual place. Taken for the host localhost (or none)
  // unless the protocol is TCP, as the reference client does.
  std::string Socket;
  MYSQL_PROTOCOL_TYPE Protocol = MYSQL_PROTOCOL_DEFAULT;
  std::string User;
  std::string Password;
  std::string Database;
  bool Compress = false;
  // For the connection only; statements may run as long as they take. 0: none for a single host,
  // HostListConnectTimeout for a host list.
  int TimeoutSeconds = 0;
  std::string CharacterSet = "utf8mb4";
  TSslSettings Security;
  // Run after every login (--safe-updates' limits, --init-command); a failure fails the login.
  std::vector<std::string> AfterLogin;
};

struct TQueryError {
  int Code = 0;
  std::string SqlState = "HY000";  // the server's, or the general one for the client's own errors
  std::string Message;             // without the leading line break and the state of server messages
};

// What one result of a statement came to, for the reference client's "-vv" lines.
struct TResultOutcome {
  bool ResultSet = false;
  std::uint64_t Rows = 0;         // of a result set
  std::int64_t AffectedRows = 0;  // of any other result
  std::string Info;               // "Records: 2  Duplicates: 0  Warnings: 0" and the like
  int Warnings = 0;
};
using TOutcomeReport = std::function<void(const TResultOutcome&)>;

// What the "status" command tells of the session, as the login and the last reply left it.
struct TSessionFacts {
  std::uint32_t ConnectionId = 0;
  std::string ServerVersion;
  std::string HostInfo;  // "127.0.0.1 via TCP/IP", "Localhost via UNIX socket"
  bool OverSocket = false;
  std::string SocketPath;
  int Port = 0;
  std::uint64_t InsertId = 0;  // of the last statement that set one
};

// The error from a code and a message as the session keeps them.
TQueryError QueryErrorFrom(int code, std::string message);

class TQueryRunner {
 public:
  TQueryRunner();
  ~TQueryRunner();
  TQueryRunner(const TQueryRunner&) = delete;
  TQueryRunner& operator=(const TQueryRunner&) = delete;

  // Logs in to the first host of the login's host list that takes it, asking for the login's
  // character set; false with LastError() set on failure.
  bool Connect(const TQueryLogin& login);
  // "host:port" of the host reached, or the path of the local socket.
  const std::string& ConnectedHost() const { return FConnectedHost; }
  // Runs one statement text (possibly several statements) and hands its result sets to the sink;
  // without one they are read and dropped.
  // Each result's outcome goes to the report when one is given.
  bool Run(const std::string& sql, TResultSink* sink, const TOutcomeReport& report = {});
  // How many warnings the last statement left, as its last reply said.
  int WarningCount() const { return FSession->warningCount; }
  TSessionFacts SessionFacts() const;
  // The server's statistics ("Uptime: 59  Threads: 1  Questions: ..."); empty after a failure.
  std::string Statistics();
  // Makes the database the session's default ("use").
  bool SelectDatabase(const std::string& name);
  const TQueryError& LastError() const { return FError; }
  // Whether the last failure came while the rows of a result set were read.
  bool FailedInRows() const { return FFailedInRows; }

  // By default a result set goes to its sink only once it has arrived whole, so that a statement
  // that fails half-way prints none of it; streamed (--quick), each row goes as it arrives, in
  // constant memory.
  void StreamRows(bool stream) { FStreamRows = stream; }
  // --local-infile: a LOAD DATA LOCAL INFILE statement may send its file; off, no statement may.
  void AllowLocalFiles(bool allow) { FAllowLocalFiles = allow; }
  bool StreamsRows() const { return FStreamRows; }
  // --binary-as-hex: values of binary string, BIT and geometry columns are shown as 0x and their
  // bytes in hexadecimal.
  void ShowBinaryAsHex(bool hex) { FBinaryAsHex = hex; }

 private:
  bool Fail();
  // After a lost connection: the error for a statement that is not sent.
  bool Gone();
  std::optional<THostFailure> LogIn(const TQueryLogin& login, const THostAddress& host, int timeoutSeconds,
                                    bool checkReady);
  // The rows read, or nothing after a failure.
  std::optional<std::uint64_t> ReadResult(TMySqlResultSet* result, TResultSink& sink);

  TMySQLAPIDirect FApi;
  TMySqlSession* FSession = nullptr;
  TQueryError FError;
  std::string FConnectedHost;
  bool FStreamRows = false;
  bool FFailedInRows = false;
  bool FLost = false;  // the connection was lost: nothing more is sent on it
  bool FAllowLocalFiles = false;
  bool FBinaryAsHex = false;
  TRowBuffer FHeld;  // the values of the result set being read, when not streamed
  std::string FHex;  // a binary value shown in hexadecimal
};

// Tells on stderr which host of the list the login reached ("Connected to host:port").
void ReportHost(const std::string& host);
