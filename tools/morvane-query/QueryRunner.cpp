#include "tools/morvane-query/QueryRunner.h"

#include "tools/morvane-query/LocalFiles.h"
#include "wire/MySqlErrors.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int DefaultPort = 3306;
constexpr int ER_UNKNOWN_CHARACTER_SET = 1115;
constexpr int CR_CANT_READ_CHARSET = 2019;

// The character sets the login itself can ask for; others are set with SET NAMES after it.
bool HandshakeKnows(const std::string& characterSet) {
  return characterSet == "utf8mb4" || characterSet == "utf8" || characterSet == "latin1";
}

// The reference client's choice: the local socket for localhost unless TCP was asked for, TCP for
// any other host (--protocol=socket included); a pipe, which fails, as asked.
MYSQL_PROTOCOL_TYPE Transport(const TQueryLogin& login, const std::string& host) {
  if (login.Protocol == MYSQL_PROTOCOL_PIPE) return MYSQL_PROTOCOL_PIPE;
  return host == "localhost" && login.Protocol != MYSQL_PROTOCOL_TCP ? MYSQL_PROTOCOL_SOCKET : MYSQL_PROTOCOL_TCP;
}

// A column of bytes without a character set, which --binary-as-hex shows in hexadecimal.
bool HoldsBytes(const TMySqlFieldInfo& field) {
  constexpr int BinaryCharset = 63;
  switch (field.MyType) {
    case MYSQL_TYPE_BIT:
    case MYSQL_TYPE_GEOMETRY:
      return true;
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
      return field.CharsetNr == BinaryCharset;
    default:
      return false;
  }
}

// "0x" and the bytes in upper-case hexadecimal, written into scratch.
std::string_view HexText(std::string_view bytes, std::string& scratch) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  scratch.assign("0x");
  for (unsigned char byte : bytes) {
    scratch += Digits[byte >> 4];
    scratch += Digits[byte & 15];
  }
  return scratch;
}

}  // namespace

TQueryError QueryErrorFrom(int code, std::string message) {
  TQueryError error;
  error.Code = code;
  if (message.rfind("\r\n", 0) == 0) message.erase(0, 2);
  // Server messages start with '#' and the five characters of their SQL state.
  if (message.size() >= 6 && message[0] == '#') {
    error.SqlState = message.substr(1, 5);
    message.erase(0, 6);
  }
  error.Message = std::move(message);
  return error;
}

TQueryRunner::TQueryRunner() {
  FApi.CheckMySQLLib();
  FSession = FApi.mysql_init();
}

TQueryRunner::~TQueryRunner() {
  FApi.mysql_close(FSession);
}

bool TQueryRunner::Fail() {
  FError = QueryErrorFrom(FApi.mysql_errno(FSession), FApi.mysql_error(FSession));
  FLost = FLost || FError.Code == CR_SERVER_LOST || FError.Code == CR_SERVER_GONE_ERROR;
  return false;
}

bool TQueryRunner::Gone() {
  if (!FLost) return false;
  // As the reference client words it for every statement after the connection was lost.
  FError = {CR_SERVER_GONE_ERROR, "HY000", "Server has gone away"};
  return true;
}

std::optional<THostFailure> TQueryRunner::LogIn(const TQueryLogin& login, const THostAddress& host, int timeoutSeconds,
                                                bool checkReady) {
  FApi.mysql_close(FSession);
  FSession = FApi.mysql_init();
  FSession->FIPVersion = TIPVersion::ivIPBoth;
  FApi.mysql_options(FSession, MYSQL_OPT_CONNECT_TIMEOUT, timeoutSeconds);
  if (HandshakeKnows(login.CharacterSet)) FApi.mysql_options(FSession, MYSQL_SET_CHARSET_NAME, login.CharacterSet);
  FApi.SetSecurity(FSession, login.Security);
  FApi.mysql_options(FSession, MYSQL_OPT_PROTOCOL, Transport(login, host.Host));
  // Without CLIENT_FOUND_ROWS, as the reference client: an UPDATE counts the rows it changed.
  std::uint32_t flags = CLIENT_MULTI_STATEMENTS;
  if (login.Compress) flags |= CLIENT_COMPRESS;
  // A host that trickles its login, or takes it and then never answers, is left for the next
  // within the time-out: one deadline bounds the connect, the login and the readiness question.
  // The statements that follow have no limit, as the reference client's.
  FApi.SetDeadline(FSession, TDeadline::In(timeoutSeconds));
  if (!FApi.mysql_real_connect(FSession, host.Host, login.User, login.Password, login.Database, host.Port, login.Socket,
                               flags))
    return THostFailure{FApi.mysql_errno(FSession), FApi.mysql_error(FSession)};
  std::optional<THostFailure> notReady = checkReady ? NodeNotReady(FApi, FSession) : std::nullopt;
  FApi.SetDeadline(FSession, TDeadline());
  return notReady;
}

bool TQueryRunner::Connect(const TQueryLogin& login) {
  THostList hosts;
  try {
    hosts = ParseHostList(login.Host, login.Port != 0 ? login.Port : DefaultPort);
  } catch (const EMySqlException& e) {
    FError = QueryErrorFrom(e.ErrorCode(), e.what());
    return false;
  }
  // A list only makes sense if a silent host gives way to the next: it has a time-out even when none was given.
  const int timeoutSeconds =
      login.TimeoutSeconds == 0 && hosts.size() > 1 ? HostListConnectTimeout : login.TimeoutSeconds;
  const THostChoice choice = TryHostsPassingOverSilentOnes(
      hosts, 0, timeoutSeconds,
      [&](const THostAddress& host, int timeout) { return LogIn(login, host, timeout, hosts.size() > 1); });
  if (choice.Index < 0) {
    FError = QueryErrorFrom(choice.Failure.Code, choice.Failure.Message);
    return false;
  }
  FLost = false;
  FConnectedHost = FSession->protocolType == MYSQL_PROTOCOL_SOCKET
                       ? FSession->socketPath
                       : hosts[static_cast<std::size_t>(choice.Index)].Text();
  if (!HandshakeKnows(login.CharacterSet) && !Run("SET NAMES " + login.CharacterSet, nullptr)) {
    // In the reference client's number and words, which scripts test.
    if (FError.Code == ER_UNKNOWN_CHARACTER_SET)
      FError = {CR_CANT_READ_CHARSET, "00000",
                "Can't initialize character set " + login.CharacterSet + " (path: compiled_in)"};
    return false;
  }
  for (const std::string& statement : login.AfterLogin)
    if (!Run(statement, nullptr)) return false;
  return true;
}

std::optional<std::uint64_t> TQueryRunner::ReadResult(TMySqlResultSet* result, TResultSink& sink) {
  std::vector<TResultColumn> columns;
  std::vector<bool> asHex;
  for (const TMySqlFieldInfo& field : result->Fields()) {
    asHex.push_back(FBinaryAsHex && HoldsBytes(field));
    columns.push_back({.Name = field.Name,
                       .Type = field.MyType,
                       .NotNull = (field.Flags & NOT_NULL_FLAG) != 0,
                       .DeclaredLength = field.Length,
                       .Hex = asHex.back()});
  }
  const std::size_t count = columns.size();
  if (FStreamRows) sink.StartResult(std::move(columns));
  FHeld.Clear();
  std::uint64_t rows = 0;
  while (const TMySqlBinds* row = FApi.mysql_fetch_row(result)) {
    ++rows;
    for (std::size_t i = 0; i < row->Slots.size(); ++i) {
      auto value = row->Slots[i].IsNull ? std::nullopt : std::optional<std::string_view>(row->Value(i));
      if (value && asHex[i]) value = HexText(*value, FHex);
      if (FStreamRows)
        sink.Value(value);
      else
        FHeld.Add(value);
    }
    if (FStreamRows) sink.EndRow();
  }
  const bool ok = FApi.mysql_errno(FSession) == 0;
  if (!ok) {
    FFailedInRows = true;
    sink.Flush();
    Fail();
  }
  FApi.mysql_free_result(result);
  if (!ok) {
    // What was streamed is closed as a whole result set is.
    if (FStreamRows) sink.EndResult();
    return std::nullopt;
  }
  if (!FStreamRows) {
    sink.StartResult(std::move(columns));
    std::size_t column = 0;
    FHeld.ForEach([&](std::optional<std::string_view> value) {
      sink.Value(value);
      if (++column == count) {
        sink.EndRow();
        column = 0;
      }
    });
  }
  sink.EndResult();
  return rows;
}

bool TQueryRunner::Run(const std::string& sql, TResultSink* sink, const TOutcomeReport& report) {
  FFailedInRows = false;
  if (Gone()) return false;
  const std::optional<std::string> localFile = FAllowLocalFiles ? LocalFileNamed(sql) : std::nullopt;
  FApi.mysql_options(FSession, MYSQL_OPT_LOCAL_INFILE, localFile ? 1 : 0);
  FSession->localInfileName = localFile.value_or("");
  if (FApi.mysql_real_query(FSession, sql) != 0) return Fail();
  for (;;) {
    TResultOutcome outcome;
    TMySqlResultSet* result = FApi.mysql_use_result(FSession);
    if (result && sink) {
      const std::optional<std::uint64_t> rows = ReadResult(result, *sink);
      if (!rows) return false;
      outcome.ResultSet = true;
      outcome.Rows = *rows;
    } else if (result) {
      FApi.mysql_free_result(result);
    } else if (FApi.mysql_errno(FSession) != 0) {
      return Fail();
    } else {
      outcome.AffectedRows = FApi.mysql_affected_rows(FSession);
      outcome.Info = FApi.mysql_info(FSession);
    }
    if (report) {
      outcome.Warnings = FSession->warningCount;
      report(outcome);
    }
    const int next = FApi.mysql_next_result(FSession);
    if (next == -1) return true;
    if (next != 0) return Fail();
  }
}

TSessionFacts TQueryRunner::SessionFacts() const {
  return {.ConnectionId = FApi.mysql_thread_id(FSession),
          .ServerVersion = FApi.mysql_get_server_info(FSession),
          .HostInfo = FApi.mysql_get_host_info(FSession),
          .OverSocket = FSession->protocolType == MYSQL_PROTOCOL_SOCKET,
          .SocketPath = FSession->socketPath,
          .Port = FSession->port,
          .InsertId = FApi.mysql_insert_id(FSession)};
}

std::string TQueryRunner::Statistics() {
  return Gone() ? std::string() : FApi.mysql_stat(FSession);
}

bool TQueryRunner::SelectDatabase(const std::string& name) {
  return !Gone() && (FApi.mysql_select_db(FSession, name) == 0 || Fail());
}

void ReportHost(const std::string& host) {
  std::fprintf(stderr, "Connected to %s\n", host.c_str());
}
