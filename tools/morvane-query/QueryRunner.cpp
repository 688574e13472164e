#include "tools/morvane-query/QueryRunner.h"

#include "wire/MySqlErrors.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int DefaultPort = 3306;

}  // namespace

TQueryRunner::TQueryRunner() {
  FApi.CheckMySQLLib();
  FSession = FApi.mysql_init();
  FSession->FIPVersion = TIPVersion::ivIPBoth;
}

TQueryRunner::~TQueryRunner() {
  FApi.mysql_close(FSession);
}

bool TQueryRunner::Fail() {
  FError.Code = FApi.mysql_errno(FSession);
  FError.Message = FApi.mysql_error(FSession);
  if (FError.Message.rfind("\r\n", 0) == 0) FError.Message.erase(0, 2);
  return false;
}

std::optional<THostFailure> TQueryRunner::LogIn(const TQueryLogin& login, const THostAddress& host, bool checkReady) {
  FApi.mysql_close(FSession);
  FSession = FApi.mysql_init();
  FSession->FIPVersion = TIPVersion::ivIPBoth;
  FApi.mysql_options(FSession, MYSQL_OPT_CONNECT_TIMEOUT, login.TimeoutSeconds);
  FApi.mysql_options(FSession, MYSQL_SET_CHARSET_NAME, std::string("utf8mb4"));
  FApi.SetTimeout(FSession, login.TimeoutSeconds);
  FApi.SetSecurity(FSession, login.Security);
  std::uint32_t flags = CLIENT_FOUND_ROWS | CLIENT_MULTI_STATEMENTS;
  if (login.Compress) flags |= CLIENT_COMPRESS;
  if (!FApi.mysql_real_connect(FSession, host.Host, login.User, login.Password, login.Database, host.Port, "", flags))
    return THostFailure{FApi.mysql_errno(FSession), FApi.mysql_error(FSession)};
  return checkReady ? NodeNotReady(FApi, FSession) : std::nullopt;
}

bool TQueryRunner::Connect(const TQueryLogin& login) {
  THostList hosts;
  try {
    hosts = ParseHostList(login.Host, login.Port != 0 ? login.Port : DefaultPort);
  } catch (const EMySqlException& e) {
    FError = {e.ErrorCode(), e.what()};
    return false;
  }
  const THostChoice choice =
      TryHostsInOrder(hosts, 0, [&](const THostAddress& host) { return LogIn(login, host, hosts.size() > 1); });
  if (choice.Index < 0) {
    FError = {choice.Failure.Code, choice.Failure.Message};
    if (FError.Message.rfind("\r\n", 0) == 0) FError.Message.erase(0, 2);
    return false;
  }
  FConnectedHost = hosts[static_cast<std::size_t>(choice.Index)].Text();
  // A server without utf8mb4 (1115, unknown character set) gets the three-byte utf8.
  return Run("SET NAMES utf8mb4", nullptr) || (FError.Code == 1115 && Run("SET NAMES utf8", nullptr));
}

bool TQueryRunner::PrintResult(TMySqlResultSet* result, TBatchOutput& output) {
  // Like the reference client, a result without rows prints nothing, not even its header.
  bool headerWritten = false;
  while (const TMySqlBinds* row = FApi.mysql_fetch_row(result)) {
    if (!headerWritten) {
      std::vector<std::string> names;
      for (const TMySqlFieldInfo& field : result->Fields()) names.push_back(field.Name);
      output.WriteHeader(names);
      headerWritten = true;
    }
    for (std::size_t i = 0; i < row->Slots.size(); ++i) {
      if (row->Slots[i].IsNull)
        output.WriteNull();
      else
        output.WriteValue(row->Value(i));
    }
    output.EndRow();
  }
  const bool ok = FApi.mysql_errno(FSession) == 0;
  if (!ok) Fail();
  FApi.mysql_free_result(result);
  return ok;
}

bool TQueryRunner::Run(const std::string& sql, TBatchOutput* output) {
  if (FApi.mysql_real_query(FSession, sql) != 0) return Fail();
  for (;;) {
    TMySqlResultSet* result = FApi.mysql_use_result(FSession);
    if (result && output) {
      if (!PrintResult(result, *output)) return false;
    } else if (result) {
      FApi.mysql_free_result(result);
    } else if (FApi.mysql_errno(FSession) != 0) {
      return Fail();
    }
    const int next = FApi.mysql_next_result(FSession);
    if (next == -1) return true;
    if (next != 0) return Fail();
  }
}

void ReportHost(const std::string& host) {
  std::fprintf(stderr, "Connected to %s\n", host.c_str());
}
