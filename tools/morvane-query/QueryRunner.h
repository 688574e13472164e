#pragma once
// Runs statements over the call interface and prints every result set in batch format.
#include "tools/morvane-query/BatchOutput.h"
#include "wire/HostFailover.h"
#include "wire/MySqlApiDirect.h"

#include <cstdint>
#include <string>

struct TQueryLogin {
  std::string Host;
  int Port = 0;
  std::string User;
  std::string Password;
  std::string Database;
  bool Compress = false;
  int TimeoutSeconds = 0;
  TSslSettings Security;
};

struct TQueryError {
  int Code = 0;
  std::string Message;  // without the leading line break of server messages
};

class TQueryRunner {
 public:
  TQueryRunner();
  ~TQueryRunner();
  TQueryRunner(const TQueryRunner&) = delete;
  TQueryRunner& operator=(const TQueryRunner&) = delete;

  // Logs in to the first host of the login's host list that takes it and switches the session to
  // UTF-8; false with LastError() set on failure.
  bool Connect(const TQueryLogin& login);
  // "host:port" of the host reached.
  const std::string& ConnectedHost() const { return FConnectedHost; }
  // Runs one statement text (possibly several statements) and prints its result sets; without an
  // output they are read and dropped.
  bool Run(const std::string& sql, TBatchOutput* output);
  const TQueryError& LastError() const { return FError; }

 private:
  bool Fail();
  std::optional<THostFailure> LogIn(const TQueryLogin& login, const THostAddress& host, bool checkReady);
  bool PrintResult(TMySqlResultSet* result, TBatchOutput& output);

  TMySQLAPIDirect FApi;
  TMySqlSession* FSession = nullptr;
  TQueryError FError;
  std::string FConnectedHost;
};

// Tells on stderr which host of the list the login reached ("Connected to host:port").
void ReportHost(const std::string& host);
