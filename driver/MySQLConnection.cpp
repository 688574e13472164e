#include "driver/MySQLConnection.h"

#include "dataset/DAError.h"
#include "driver/MySQLCommand.h"
#include "platform/AnsiText.h"
#include "wire/MySqlErrors.h"
#include "wire/RestoreOnExit.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <tuple>
#include <vector>

namespace {

int ToInt(const TPropValue& value) {
  if (auto* i = std::get_if<int>(&value)) return *i;
  if (auto* b = std::get_if<bool>(&value)) return *b ? 1 : 0;
  return 0;
}

bool ToBool(const TPropValue& value) {
  return ToInt(value) != 0;
}

std::string ToText(const TPropValue& value) {
  if (auto* s = std::get_if<std::string>(&value)) return *s;
  return {};
}

constexpr int UnknownCharacterSet = 1115;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

int VersionPart(std::string_view text) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty())
    throw EConvertError(FormatMessage("'%s' is not a valid integer value", std::string(text).c_str()));
  return value;
}

std::size_t DigitRun(std::string_view text, std::size_t from) {
  std::size_t end = from;
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
  return end;
}

// An unknown name is refused rather than read as a weaker mode.
TSslMode SslModeOf(const std::string& name) {
  if (const auto mode = ParseSslMode(name)) return *mode;
  throw std::invalid_argument("Unknown encryption mode '" + name + "'");
}

}  // namespace

std::string TMySQLConnection::SecurityDescription() const {
  return FConnected ? API().mysql_get_ssl_description(FMySQL) : "not encrypted";
}

TMySQLAPIDirect& TMySQLConnection::API() {
  static TMySQLAPIDirect api;
  return api;
}

TMySQLConnection::~TMySQLConnection() {
  Disconnect();
}

void TMySQLConnection::SetProp(int prop, const TPropValue& value) {
  switch (prop) {
    case prConnectionTimeout:
      FConnectionTimeout = ToInt(value);
      break;
    case prDatabase:
      SetDatabase(ToText(value));
      break;
    case prPort:
      FPort = ToInt(value);
      break;
    case prUseUnicode:
      FUseUnicode = FUseUnicodeSetting = ToBool(value);
      break;
    case prCharset:
      FCharset = ToText(value);
      break;
    case prCompress:
      FCompress = ToBool(value);
      break;
    case prInteractive:
      FInteractive = ToBool(value);
      break;
    case prProtocol:
      FProtocol = ToInt(value);
      break;
    case prIPVersion:
      FIPVersion = ToInt(value);
      break;
    case prDirect:
      FDirect = ToBool(value);
      break;
    case prCheckBackslashes:
      FCheckBackslashes = ToBool(value);
      break;
    case prNullForZeroBaseDate:
      FNullForZeroBaseDate = ToBool(value);
      break;
    case prSslMode:
      FSecurity.Mode = SslModeOf(ToText(value));
      break;
    case prSSL_CA:
      FSecurity.Ca = ToText(value);
      break;
    case prSSL_CAPath:
      FSecurity.CaPath = ToText(value);
      break;
    case prSSL_Crl:
      FSecurity.Crl = ToText(value);
      break;
    case prSSL_CrlPath:
      FSecurity.CrlPath = ToText(value);
      break;
    case prSSL_Cipher:
      FSecurity.Cipher = ToText(value);
      break;
    case prSSL_Cert:
      FSecurity.Cert = ToText(value);
      break;
    case prSSL_Key:
      FSecurity.Key = ToText(value);
      break;
    case prServerPublicKey:
      FSecurity.ServerPublicKey = ToText(value);
      break;
    case prGetServerPublicKey:
      FSecurity.GetServerPublicKey = ToBool(value);
      break;
    case prEnableClearText:
      FSecurity.EnableClearText = ToBool(value);
      break;
    case prAllowOldPasswords:
      FSecurity.AllowOldPasswords = ToBool(value);
      break;
    default:
      break;  // settings of modes this client does not have
  }
}

TPropValue TMySQLConnection::GetProp(int prop) const {
  switch (prop) {
    case prConnectionTimeout:
      return FConnectionTimeout;
    case prDatabase:
      return FDatabase;
    case prPort:
      return FPort;
    case prUseUnicode:
      return FUseUnicode;
    case prCharset:
      return FCharset;
    case prCompress:
      return FCompress;
    case prInteractive:
      return FInteractive;
    case prProtocol:
      return FProtocol;
    case prIPVersion:
      return FIPVersion;
    case prDirect:
      return FDirect;
    case prCheckBackslashes:
      return FCheckBackslashes;
    case prNullForZeroBaseDate:
      return FNullForZeroBaseDate;
    case prSslMode:
      return std::string(SslModeName(FSecurity.Mode));
    case prSSL_CA:
      return FSecurity.Ca;
    case prSSL_CAPath:
      return FSecurity.CaPath;
    case prSSL_Crl:
      return FSecurity.Crl;
    case prSSL_CrlPath:
      return FSecurity.CrlPath;
    case prSSL_Cipher:
      return FSecurity.Cipher;
    case prSSL_Cert:
      return FSecurity.Cert;
    case prSSL_Key:
      return FSecurity.Key;
    case prServerPublicKey:
      return FSecurity.ServerPublicKey;
    case prGetServerPublicKey:
      return FSecurity.GetServerPublicKey;
    case prEnableClearText:
      return FSecurity.EnableClearText;
    case prAllowOldPasswords:
      return FSecurity.AllowOldPasswords;
    default:
      return false;
  }
}

void TMySQLConnection::AssignLogin(const TMySQLConnection& source) {
  // A statement is cancelled on the node that runs it.
  FServer = source.FConnected ? source.FConnectedHost.Text() : source.FServer;
  FUsername = source.FUsername;
  FPassword = source.FPassword;
  FDatabase = source.FDatabase;
  FCharset = source.FCharset;
  FPort = source.FPort;
  // A node that no longer answers must not hold the statement's end for the whole connect time-out.
  constexpr int CancelConnectTimeout = 3;
  FConnectionTimeout =
      source.FConnectionTimeout > 0 ? std::min(source.FConnectionTimeout, CancelConnectTimeout) : CancelConnectTimeout;
  FUseUnicode = FUseUnicodeSetting = source.FUseUnicodeSetting;
  FCompress = source.FCompress;
  FIPVersion = source.FIPVersion;
  FSecurity = source.FSecurity;
}

std::uint32_t TMySQLConnection::ClientFlags() const {
  std::uint32_t flags = CLIENT_FOUND_ROWS | CLIENT_MULTI_STATEMENTS;
  if (FCompress) flags |= CLIENT_COMPRESS;
  if (FInteractive) flags |= CLIENT_INTERACTIVE;
  return flags;
}

void TMySQLConnection::Connect(const std::string&) {
  if (FConnected) return;
  ConnectFrom(0);
}

std::optional<THostFailure> TMySQLConnection::LogIn(const THostAddress& host, bool checkReady, int timeout) {
  TMySQLAPIDirect& api = API();
  Disconnect();
  FUseUnicode = FUseUnicodeSetting;  // an old server of the list may have turned it off
  FMySQL = api.mysql_init();
  FMySQL->waitBreaker = FWaitBreaker;
  FNativeConnection = true;
  api.mysql_options(FMySQL, MYSQL_OPT_CONNECT_TIMEOUT, timeout);
  // Texts are UTF-8 in memory, so the login data is UTF-8 whichever way the connection speaks.
  if (FUseUnicode)
    api.mysql_options(FMySQL, MYSQL_SET_CHARSET_NAME, std::string("utf8mb4"));
  else if (Lower(FCharset) == "utf8")
    api.mysql_options(FMySQL, MYSQL_SET_CHARSET_NAME, std::string("utf8"));
  FMySQL->FIPVersion = FIPVersion == 1   ? TIPVersion::ivIPv6
                       : FIPVersion == 2 ? TIPVersion::ivIPBoth
                                         : TIPVersion::ivIPv4;
  if (FProtocol != 0) api.mysql_options(FMySQL, MYSQL_OPT_PROTOCOL, FProtocol);
  api.SetSecurity(FMySQL, FSecurity);
  // A host that trickles its login or takes it and then never answers must not hold the connect
  // beyond its time-out, nor keep the next host of the list from being tried: one deadline bounds
  // the connect, the login and the steps after it.
  const TDeadline deadline = TDeadline::In(timeout);
  api.SetDeadline(FMySQL, deadline);
  if (!api.mysql_real_connect(FMySQL, host.Host, FUsername, FPassword, FDatabase, host.Port, {}, ClientFlags()))
    return THostFailure{api.mysql_errno(FMySQL), api.mysql_error(FMySQL)};
  TRestoreOnExit endLogin(FLoggingIn, false);
  TRestoreOnExit endDeadline(FLoginDeadline, TDeadline());
  FLoggingIn = true;
  FLoginDeadline = deadline;
  try {
    PrepareSession(checkReady);
  } catch (const EMyError& error) {
    Disconnect();
    return THostFailure{error.ErrorCode, error.what()};
  }
  api.SetDeadline(FMySQL, TDeadline());
  return std::nullopt;
}

void TMySQLConnection::PrepareSession(bool checkReady) {
  // With one host there is nothing to skip to, so a single server is used as it answers.
  if (checkReady) {
    API().SetTimeout(FMySQL, StepTimeout());
    if (std::optional<THostFailure> notReady = NodeNotReady(API(), FMySQL))
      throw EMyError(notReady->Code, notReady->Message, nullptr);
  }
  FConnected = true;
  FCurrentDatabase = FDatabase;
  FSessionStateUnsure = false;
  FSessionAsLoggedIn = true;
  FServerVer = API().mysql_get_server_info(FMySQL);
  DecodeVersion(FServerVer, FServerPrimaryVer, FServerMinorVer, FServerReleaseVer);
  FTakesStatementSettings = HasStatementSettings(FServerVer);
  ApplyCharset();
  ReadMaxAllowedPacket();
}

int TMySQLConnection::StepTimeout() const {
  if (!FLoginDeadline.IsSet()) return FConnectionTimeout;
  const auto left = std::chrono::ceil<std::chrono::seconds>(FLoginDeadline.Left());
  return std::max(1, static_cast<int>(left.count()));
}

void TMySQLConnection::ConnectFrom(std::size_t first) {
  try {
    FServerVer.clear();
    FServerPrimaryVer = FServerMinorVer = FServerReleaseVer = 0;
    API().CheckMySQLLib();
    Disconnect();
    RefuseUnknownCharset();
    THostList hosts;
    try {
      hosts = Hosts();
    } catch (const EMySqlException& e) {
      EMyError error(e.ErrorCode(), e.what(), nullptr);
      ProcessError(error);
    }
    const THostChoice choice = LogInToOneOf(hosts, first);
    if (choice.Index < 0) {
      EMyError error(choice.Failure.Code, choice.Failure.Message, nullptr);
      ProcessError(error);
    }
    FConnectedHostIndex = static_cast<std::size_t>(choice.Index);
    FConnectedHost = hosts[FConnectedHostIndex];
  } catch (...) {
    try {
      Disconnect();
    } catch (...) {
    }
    throw;
  }
}

THostChoice TMySQLConnection::LogInToOneOf(const THostList& hosts, std::size_t first) {
  const bool checkReady = hosts.size() > 1;
  return TryHostsPassingOverSilentOnes(hosts, first, FConnectionTimeout, [&](const THostAddress& host, int timeout) {
    return LogIn(host, checkReady, timeout);
  });
}

void TMySQLConnection::Disconnect() {
  if (FMySQL && FNativeConnection) API().mysql_close(FMySQL);
  FMySQL = nullptr;
  FConnected = false;
}

void TMySQLConnection::DecodeVersion(const std::string& text, int& major, int& minor, int& release) {
  std::size_t dot = text.find('.');
  major = VersionPart(std::string_view(text).substr(0, dot));
  std::size_t minorStart = dot == std::string::npos ? text.size() : dot + 1;
  std::size_t minorEnd = DigitRun(text, minorStart);
  minor = VersionPart(std::string_view(text).substr(minorStart, minorEnd - minorStart));
  std::size_t releaseStart = std::min(minorEnd + 1, text.size());
  std::size_t releaseEnd = DigitRun(text, releaseStart);
  release = VersionPart(std::string_view(text).substr(releaseStart, releaseEnd - releaseStart));
}

bool TMySQLConnection::SpeaksAnsi() const {
  return !FUseUnicode && (FCharset.empty() || Lower(FCharset) == "latin1");
}

std::string TMySQLConnection::WireCharset() const {
  if (FUseUnicode) return FUtf8mb4 ? "utf8mb4" : "utf8";
  return FCharset.empty() ? "latin1" : Lower(FCharset);
}

bool TMySQLConnection::GetInTransaction() const {
  return FMySQL && FMySQL->transactionOpen;
}

bool TMySQLConnection::GetIsServer41() const {
  return FServerPrimaryVer > 4 || (FServerPrimaryVer == 4 && FServerMinorVer > 0);
}

std::string TMySQLConnection::GetServerVersion() const {
  return std::to_string(FServerPrimaryVer) + "." + std::to_string(FServerMinorVer) + "." +
         std::to_string(FServerReleaseVer);
}

std::uint32_t TMySQLConnection::GetThreadId() const {
  return FMySQL ? API().mysql_thread_id(FMySQL) : 0;
}

void TMySQLConnection::ApplyCharset() {
  FUtf8mb4 = false;
  if (!GetIsServer41()) {
    FUseUnicode = false;
    return;
  }
  if (FUseUnicode) {
    // utf8mb4 holds every character; servers before 5.5.3 know only the three-byte utf8.
    bool knowsUtf8mb4 = std::tie(FServerPrimaryVer, FServerMinorVer, FServerReleaseVer) >= std::make_tuple(5, 5, 3);
    if (knowsUtf8mb4) {
      API().SetTimeout(FMySQL, StepTimeout());
      int status = API().mysql_real_query(FMySQL, "SET NAMES utf8mb4");
      FUtf8mb4 = status == 0;
      if (status != 0 && status != UnknownCharacterSet) MySQLError(nullptr);
    }
    if (!FUtf8mb4) ExecStatement("SET NAMES utf8");
  } else if (!FCharset.empty()) {
    ExecStatement("SET NAMES " + FCharset);
  }
}

void TMySQLConnection::RefuseUnknownCharset() {
  if (FUseUnicodeSetting || FCharset.empty()) return;
  const std::string name = Lower(FCharset);
  if (name == "latin1" || name == "utf8" || name == "utf8mb3" || name == "utf8mb4") return;
  constexpr int CantReadCharset = 2019;
  EMyError error(CantReadCharset,
                 "Can't initialize character set " + FCharset +
                     ": texts cross the connection as UTF-8 or Windows-1252 only (Charset utf8, utf8mb4 or latin1)",
                 nullptr);
  ProcessError(error);
}

bool TMySQLConnection::HasStatementSettings(std::string_view version) {
  if (version.find("MariaDB") == std::string_view::npos) return false;
  if (version.starts_with("5.5.5-")) version.remove_prefix(6);
  int major = 0, minor = 0, release = 0;
  try {
    TMySQLConnection::DecodeVersion(std::string(version), major, minor, release);
  } catch (const EConvertError&) {
    return false;
  }
  return std::tie(major, minor, release) >= std::make_tuple(10, 1, 2);
}

std::string TMySQLConnection::WithoutClusterWait(const std::string& query) const {
  return FTakesStatementSettings ? "SET STATEMENT wsrep_sync_wait=0 FOR " + query : query;
}

void TMySQLConnection::ReadMaxAllowedPacket() {
  // The limit only lets a statement be refused before it is sent, so a server that cannot tell
  // it is used without one.
  std::string value;
  try {
    value = QueryFirstValue(WithoutClusterWait("SELECT @@max_allowed_packet"));
  } catch (const EDAError& error) {
    if (error.IsFatalError()) throw;
    return;
  }
  std::size_t bytes = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), bytes);
  if (error == std::errc() && end == value.data() + value.size()) FMySQL->serverMaxAllowedPacket = bytes;
}

void TMySQLConnection::ExecStatement(const std::string& text) {
  TMySQLCommand command(*this);
  command.SQL = text;
  command.OwnStatement = true;
  command.CommandTimeout = StepTimeout();
  command.Execute();
}

std::string TMySQLConnection::QueryFirstValue(const std::string& text) {
  return QueryFirstValue(text, StepTimeout());
}

std::string TMySQLConnection::QueryFirstValue(const std::string& text, int commandTimeout) {
  TMySQLCommand command(*this);
  command.SQL = text;
  command.OwnStatement = true;
  command.CommandTimeout = commandTimeout;
  command.RequestResultset = true;
  command.Execute();
  std::string value;
  if (TMySqlResultSet* result = command.SQLResult()) {
    if (const TMySqlBinds* row = API().mysql_fetch_row(result); row && !row->Slots.empty() && !row->Slots[0].IsNull)
      value = std::string(row->Value(0));
    command.FreeResult();
  }
  return value;
}

void TMySQLConnection::SetDatabase(const std::string& name) {
  if (name == FDatabase) return;
  FDatabase = name;
  if (FConnected && !name.empty()) {
    Check(API().mysql_select_db(FMySQL, name), nullptr);
    FCurrentDatabase = name;
  }
}

void TMySQLConnection::LearnSessionStateIfUnsure(int commandTimeout) {
  if (!FSessionStateUnsure || !FConnected) return;
  // The reply's status tells the session's own sql_mode again, the value its database.
  FCurrentDatabase = QueryFirstValue(WithoutClusterWait("SELECT DATABASE()"), commandTimeout);
  FSessionStateUnsure = false;
}

void TMySQLConnection::Ping() {
  API().SetTimeout(FMySQL, FConnectionTimeout);
  Check(API().mysql_ping(FMySQL), nullptr);
}

bool TMySQLConnection::CheckIsValid() {
  IsValid = FMySQL && API().mysql_ping(FMySQL) == 0 && API().mysql_ping(FMySQL) == 0;
  return IsValid;
}

void TMySQLConnection::MySQLError(TComponent* component) {
  int code = FMySQL ? API().mysql_errno(FMySQL) : 2000;
  std::string message = FMySQL ? API().mysql_error(FMySQL) : "Unknown MySQL error";
  if (SpeaksAnsi()) message = AnsiToUtf8(message);
  EMyError error(code, message, component);
  error.RefusedBeforeSending = FMySQL && !FMySQL->commandSent && code == CR_NET_PACKET_TOO_LARGE;
  // A commit-time failure (a cluster node that left the primary component while replicating)
  // leaves the statement's fate open, as a lost reply does: its row may be on every node.
  constexpr int ErrorDuringCommit = 1180;
  error.StatementMayHaveRun =
      FMySQL && FMySQL->commandSent && (error.IsFatalError() || error.ErrorCode == ErrorDuringCommit);
  const TCRVio* vio = FMySQL ? FMySQL->net.GetVio() : nullptr;
  // A login's own statements change nothing; its session is dropped when one fails.
  if (error.StatementMayHaveRun && vio && vio->TimedOut() && !FLoggingIn) {
    error.TimedOut = true;
    error.StatementMayStillRun = !EndAbandonedStatement();
  }
  ProcessError(error);
}

bool TMySQLConnection::EndAbandonedStatement() {
  constexpr int UnknownThread = 1094;
  const std::string id = std::to_string(GetThreadId());
  try {
    TMySQLConnection killer;
    killer.AssignLogin(*this);
    killer.Connect({});
    try {
      killer.ExecStatement("KILL " + id);
    } catch (const EMyError& error) {
      if (error.ErrorCode != UnknownThread) throw;
    }
    // The kill takes effect when the statement next looks; a few seconds are enough.
    for (int wait = 0; wait < 50; ++wait) {
      if (killer.QueryFirstValue("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE ID = " + id) == "0")
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  } catch (const std::exception&) {
    // The server cannot be reached for it: the statement's fate stays open.
  }
  return false;
}

bool TMySQLConnection::LeavesSessionAsItWas(std::string_view statement) {
  const std::string text = Lower(std::string(statement));
  const std::size_t start = text.find_first_not_of(" \t\r\n(");
  if (start == std::string::npos) return true;
  const std::string_view rest = std::string_view(text).substr(start);
  const bool reads =
      rest.starts_with("select") || rest.starts_with("show") || rest.starts_with("desc") || rest.starts_with("explain");
  // A variable, a second statement, a named lock or a value the session keeps for later may leave
  // state behind.
  if (!reads || rest.find_first_of("@;") != std::string_view::npos) return false;
  for (std::string_view keeps : {"get_lock", "last_insert_id", "nextval", "setval"})
    if (rest.find(keeps) != std::string_view::npos) return false;
  return true;
}

void TMySQLConnection::Rollback() {
  try {
    ExecStatement("ROLLBACK");
  } catch (const EMyError& error) {
    if (error.ErrorCode != ER_NODE_NOT_READY) throw;
    ReconnectAndTell();
  }
}

bool TMySQLConnection::MovedOffNodeNotReady() {
  if (!FMySQL || FLoggingIn || API().mysql_errno(FMySQL) != ER_NODE_NOT_READY || GetInTransaction()) return false;
  if (Hosts().size() < 2 || (MayMoveToAnotherHost && !MayMoveToAnotherHost())) return false;
  ReconnectAndTell();
  return true;
}

void TMySQLConnection::Reconnect() {
  Disconnect();
  // The host that was lost is the last one to try again.
  ConnectFrom(FConnectedHostIndex + 1);
}

void TMySQLConnection::ReconnectAndTell() {
  try {
    Reconnect();
  } catch (...) {
    if (OnReconnectError) OnReconnectError();
    throw;
  }
  if (OnReconnectSuccess) OnReconnectSuccess();
}

void TMySQLConnection::ProcessError(EMyError& error) {
  bool fail = true;
  if (OnError && !FInErrorProcessing && !FLoggingIn) {
    FInErrorProcessing = true;
    TRestoreOnExit reset(FInErrorProcessing, false);
    if (OnError(error, fail, 0)) {
      bool reconnected = true;
      try {
        Reconnect();
      } catch (...) {
        reconnected = false;
      }
      if (reconnected) {
        if (OnReconnectSuccess) OnReconnectSuccess();
      } else {
        OnError(error, fail, 1);
        if (OnReconnectError) OnReconnectError();
      }
    }
  }
  if (fail) throw error;
  throw EAbort();
}
