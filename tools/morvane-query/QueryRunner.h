#pragma once
// Runs statements over the call interface and hands every result set to a sink.
#include "tools/morvane-query/ResultSink.h"
#include "wire/HostFailover.h"
#include "wire/MySqlApiDirect.h"

#include <cstdint>
#include <string>

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
};

struct TQueryError {
  int Code = 0;
  std::string SqlState = "HY000";  // the server's, or the general one for the client's own errors
  std::string Message;             // without the leading line break and the state of server messages
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
  bool Run(const std::string& sql, TResultSink* sink);
  // Makes the database the session's default ("use").
  bool SelectDatabase(const std::string& name);
  const TQueryError& LastError() const { return FError; }

 private:
  bool Fail();
  std::optional<THostFailure> LogIn(const TQueryLogin& login, const THostAddress& host, int timeoutSeconds,
                                    bool checkReady);
  bool ReadResult(TMySqlResultSet* result, TResultSink& sink);

  TMySQLAPIDirect FApi;
  TMySqlSession* FSession = nullptr;
  TQueryError FError;
  std::string FConnectedHost;
};

// Tells on stderr which host of the list the login reached ("Connected to host:port").
void ReportHost(const std::string& host);
