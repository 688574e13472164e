#include "mysql/MySQLConnection.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "data/DAError.h"
#include "mysql/MySQLCommand.h"

namespace {

int ToInt(const TPropValue& value) {
  if (auto* i = std::get_if<int>(&value)) return *i;
  if (auto* b = std::get_if<bool>(&value)) return *b ? 1 : 0;
  return 0;
}

bool ToBool(const TPropValue& value) { return ToInt(value) != 0; }

std::string ToText(const TPropValue& value) {
  if (auto* s = std::get_if<std::string>(&value)) return *s;
  return {};
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

int VersionPart(std::string_view text) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty())
    throw EConvertError(FormatMessage("'%s' is not a valid integer value",
                                      std::string(text).c_str()));
  return value;
}

std::size_t DigitRun(std::string_view text, std::size_t from) {
  std::size_t end = from;
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
  return end;
}

}  // namespace

TMySQLAPIDirect& TMySQLConnection::API() {
  static TMySQLAPIDirect api;
  return api;
}

TMySQLConnection::~TMySQLConnection() { Disconnect(); }

void TMySQLConnection::SetProp(int prop, const TPropValue& value) {
  switch (prop) {
    case prConnectionTimeout: FConnectionTimeout = ToInt(value); break;
    case prDatabase: SetDatabase(ToText(value)); break;
    case prPort: FPort = ToInt(value); break;
    case prUseUnicode: FUseUnicode = FUseUnicodeSetting = ToBool(value); break;
    case prCharset: FCharset = ToText(value); break;
    case prCompress: FCompress = ToBool(value); break;
    case prInteractive: FInteractive = ToBool(value); break;
    case prProtocol: FProtocol = ToInt(value); break;
    case prIPVersion: FIPVersion = ToInt(value); break;
    case prDirect: FDirect = ToBool(value); break;
    case prCheckBackslashes: FCheckBackslashes = ToBool(value); break;
    case prNullForZeroBaseDate: FNullForZeroBaseDate = ToBool(value); break;
    default: break;  // settings of modes this client does not have
  }
}

TPropValue TMySQLConnection::GetProp(int prop) const {
  switch (prop) {
    case prConnectionTimeout: return FConnectionTimeout;
    case prDatabase: return FDatabase;
    case prPort: return FPort;
    case prUseUnicode: return FUseUnicode;
    case prCharset: return FCharset;
    case prCompress: return FCompress;
    case prInteractive: return FInteractive;
    case prProtocol: return FProtocol;
    case prIPVersion: return FIPVersion;
    case prDirect: return FDirect;
    case prCheckBackslashes: return FCheckBackslashes;
    case prNullForZeroBaseDate: return FNullForZeroBaseDate;
    default: return false;
  }
}

void TMySQLConnection::AssignLogin(const TMySQLConnection& source) {
  FServer = source.FServer;
  FUsername = source.FUsername;
  FPassword = source.FPassword;
  FDatabase = source.FDatabase;
  FCharset = source.FCharset;
  FPort = source.FPort;
  FConnectionTimeout = source.FConnectionTimeout;
  FUseUnicode = FUseUnicodeSetting = source.FUseUnicodeSetting;
  FCompress = source.FCompress;
  FIPVersion = source.FIPVersion;
}

std::uint32_t TMySQLConnection::ClientFlags() const {
  std::uint32_t flags = CLIENT_FOUND_ROWS | CLIENT_MULTI_STATEMENTS;
  if (FCompress) flags |= CLIENT_COMPRESS;
  if (FInteractive) flags |= CLIENT_INTERACTIVE;
  return flags;
}

std::string TMySQLConnection::HostName() const {
  std::string host = FServer.substr(0, FServer.find(','));
  return host.empty() ? "localhost" : host;
}

void TMySQLConnection::Connect(const std::string&) {
  if (FConnected) return;
  try {
    FServerVer.clear();
    FServerPrimaryVer = FServerMinorVer = FServerReleaseVer = 0;
    FUseUnicode = FUseUnicodeSetting;
    TMySQLAPIDirect& api = API();
    api.CheckMySQLLib();
    Disconnect();
    FMySQL = api.mysql_init();
    FNativeConnection = true;
    api.mysql_options(FMySQL, MYSQL_OPT_CONNECT_TIMEOUT, FConnectionTimeout);
    // Texts are UTF-8 in memory, so the login data is UTF-8 whichever way the connection speaks.
    bool utf8Login = FUseUnicode || Lower(FCharset) == "utf8";
    if (utf8Login) api.mysql_options(FMySQL, MYSQL_SET_CHARSET_NAME, std::string("utf8"));
    FMySQL->FIPVersion = FIPVersion == 1 ? TIPVersion::ivIPv6 : TIPVersion::ivIPv4;
    if (FProtocol != 0) api.mysql_options(FMySQL, MYSQL_OPT_PROTOCOL, FProtocol);
    if (!api.mysql_real_connect(FMySQL, HostName(), FUsername, FPassword, FDatabase, FPort, {},
                                ClientFlags()))
      MySQLError(nullptr);
    FConnected = true;
    FServerVer = api.mysql_get_server_info(FMySQL);
    DecodeVersion(FServerVer, FServerPrimaryVer, FServerMinorVer, FServerReleaseVer);
    ApplyCharset();
    CheckNoBackslashEscapesMode();
    ReadMaxAllowedPacket();
  } catch (...) {
    try {
      Disconnect();
    } catch (...) {
    }
    throw;
  }
}

void TMySQLConnection::Disconnect() {
  if (FMySQL && FNativeConnection) API().mysql_close(FMySQL);
  FMySQL = nullptr;
  FConnected = false;
}

void TMySQLConnection::DecodeVersion(const std::string& text, int& major, int& minor,
                                     int& release) {
  std::size_t dot = text.find('.');
  major = VersionPart(std::string_view(text).substr(0, dot));
  std::size_t minorStart = dot == std::string::npos ? text.size() : dot + 1;
  std::size_t minorEnd = DigitRun(text, minorStart);
  minor = VersionPart(std::string_view(text).substr(minorStart, minorEnd - minorStart));
  std::size_t releaseStart = std::min(minorEnd + 1, text.size());
  std::size_t releaseEnd = DigitRun(text, releaseStart);
  release = VersionPart(std::string_view(text).substr(releaseStart, releaseEnd - releaseStart));
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
  if (!GetIsServer41()) {
    FUseUnicode = false;
    return;
  }
  if (FUseUnicode) ExecStatement("SET NAMES utf8");
  else if (!FCharset.empty()) ExecStatement("SET NAMES " + FCharset);
}

void TMySQLConnection::CheckNoBackslashEscapesMode() {
  FNeedBackslashes = true;
  if (!FCheckBackslashes) return;
  std::string mode = QueryFirstValue("SELECT @@session.sql_mode");
  std::transform(mode.begin(), mode.end(), mode.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  FNeedBackslashes = mode.find("NO_BACKSLASH_ESCAPES") == std::string::npos;
}

void TMySQLConnection::ReadMaxAllowedPacket() {
  const std::string value = QueryFirstValue("SELECT @@max_allowed_packet");
  std::size_t bytes = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), bytes);
  if (error == std::errc() && end == value.data() + value.size()) FMySQL->serverMaxAllowedPacket = bytes;
}

void TMySQLConnection::ExecStatement(const std::string& text) {
  TMySQLCommand command(*this);
  command.SQL = text;
  command.CommandTimeout = FConnectionTimeout;
  command.Execute();
}

std::string TMySQLConnection::QueryFirstValue(const std::string& text) {
  TMySQLCommand command(*this);
  command.SQL = text;
  command.CommandTimeout = FConnectionTimeout;
  command.RequestResultset = true;
  command.Execute();
  std::string value;
  if (TMySqlResultSet* result = command.SQLResult()) {
    if (const TMySqlBinds* row = API().mysql_fetch_row(result); row && !row->Slots.empty() &&
                                                               !row->Slots[0].IsNull)
      value = std::string(row->Value(0));
    command.FreeResult();
  }
  return value;
}

void TMySQLConnection::SetDatabase(const std::string& name) {
  if (name == FDatabase) return;
  FDatabase = name;
  if (FConnected && !name.empty()) Check(API().mysql_select_db(FMySQL, name), nullptr);
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
  // Texts are kept as UTF-8 throughout, so the message needs no decoding here.
  int code = FMySQL ? API().mysql_errno(FMySQL) : 2000;
  std::string message = FMySQL ? API().mysql_error(FMySQL) : "Unknown MySQL error";
  EMyError error(code, message, component);
  error.StatementMayHaveRun = FMySQL && FMySQL->commandSent && error.IsFatalError();
  ProcessError(error);
}

void TMySQLConnection::Reconnect() {
  Disconnect();
  Connect({});
}

void TMySQLConnection::ProcessError(EMyError& error) {
  bool fail = true;
  if (OnError && !FInErrorProcessing) {
    FInErrorProcessing = true;
    try {
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
    } catch (...) {
      FInErrorProcessing = false;
      throw;
    }
    FInErrorProcessing = false;
  }
  if (fail) throw error;
  throw EAbort();
}
