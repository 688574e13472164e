#include "components/MyConnection.h"

#include "driver/MySQLConnection.h"

template <typename T>
void TMyConnectionOptions::SetSessionOption(T& field, const T& value, int prop) {
  if (field == value) return;
  FOwner.CheckInactive();
  field = value;
  if (TCRConnection* session = FOwner.IConnection()) {
    if constexpr (std::is_enum_v<T>)
      session->SetProp(prop, static_cast<int>(value));
    else
      session->SetProp(prop, value);
  }
}

void TMyConnectionOptions::SetUseUnicode(bool value) {
  SetSessionOption(FUseUnicode, value, prUseUnicode);
}
void TMyConnectionOptions::SetCharset(const std::string& value) {
  SetSessionOption(FCharset, value, prCharset);
}
void TMyConnectionOptions::SetCompress(bool value) {
  SetSessionOption(FCompress, value, prCompress);
}
void TMyConnectionOptions::SetProtocol(TMyProtocol value) {
  SetSessionOption(FProtocol, value, prProtocol);
}
void TMyConnectionOptions::SetDirect(bool value) {
  SetSessionOption(FDirect, value, prDirect);
}
void TMyConnectionOptions::SetInteractive(bool value) {
  SetSessionOption(FInteractive, value, prInteractive);
}
void TMyConnectionOptions::SetEmbedded(bool value) {
  SetSessionOption(FEmbedded, value, prEmbedded);
}

void TMyConnectionOptions::SetCheckBackslashes(bool value) {
  FCheckBackslashes = value;
  if (TCRConnection* session = FOwner.IConnection()) session->SetProp(prCheckBackslashes, value);
}

bool TMyConnectionOptions::DisconnectedMode() const {
  return FOwner.DisconnectedMode;
}

void TMyConnectionOptions::SetDisconnectedMode(bool value) {
  if (value == FOwner.DisconnectedMode) return;
  FOwner.Disconnect();
  FOwner.DisconnectedMode = value;
}

void TMyConnection::SetPort(int value) {
  if (value == FPort) return;
  Disconnect();
  FPort = value;
  if (TCRConnection* session = IConnection()) session->SetProp(prPort, value);
}

void TMyConnection::SetDatabase(const std::string& value) {
  if (value == FDatabase) return;
  FDatabase = value;
  if (TCRConnection* session = IConnection()) session->SetProp(prDatabase, value);
}

void TMyConnection::SetConnectionTimeout(int value) {
  FConnectionTimeout = value;
  if (TCRConnection* session = IConnection()) session->SetProp(prConnectionTimeout, value);
}

namespace {

void ApplySSLOptions(TCRConnection& session, const TMySSLOptions& options) {
  session.SetProp(prSslMode, options.Mode);
  session.SetProp(prSSL_CA, options.CA);
  session.SetProp(prSSL_CAPath, options.CAPath);
  session.SetProp(prSSL_Crl, options.Crl);
  session.SetProp(prSSL_CrlPath, options.CrlPath);
  session.SetProp(prSSL_Cipher, options.Cipher);
  session.SetProp(prSSL_Cert, options.Cert);
  session.SetProp(prSSL_Key, options.Key);
  session.SetProp(prServerPublicKey, options.ServerPublicKey);
  session.SetProp(prGetServerPublicKey, options.GetServerPublicKey);
  session.SetProp(prEnableClearText, options.EnableClearText);
  session.SetProp(prAllowOldPasswords, options.AllowOldPasswords);
}

}  // namespace

void TMyConnection::SetSSLOptions(const TMySSLOptions& value) {
  CheckInactive();
  if (TCRConnection* session = IConnection()) ApplySSLOptions(*session, value);
  FSSLOptions = value;
}

std::string TMyConnection::SecurityDescription() const {
  TMySQLConnection* session = MySQLConnection();
  return session ? session->SecurityDescription() : "not encrypted";
}

TMySQLConnection* TMyConnection::MySQLConnection() const {
  return static_cast<TMySQLConnection*>(IConnection());
}

std::string TMyConnection::ServerVersion() const {
  TMySQLConnection* session = MySQLConnection();
  return session ? session->GetServerVersionFull() : std::string();
}

std::string TMyConnection::ConnectedHost() const {
  TMySQLConnection* session = MySQLConnection();
  return session ? session->ConnectedHost() : std::string();
}

void TMyConnection::SetWaitBreaker(std::shared_ptr<TWaitBreaker> breaker) {
  FWaitBreaker = std::move(breaker);
  if (TMySQLConnection* session = MySQLConnection()) session->SetWaitBreaker(FWaitBreaker);
}

std::unique_ptr<TCRConnection> TMyConnection::CreateIConnection() {
  auto session = std::make_unique<TMySQLConnection>();
  session->SetWaitBreaker(FWaitBreaker);
  session->SetProp(prDatabase, FDatabase);
  session->SetProp(prConnectionTimeout, FConnectionTimeout);
  session->SetProp(prUseUnicode, Options.UseUnicode());
  session->SetProp(prCharset, Options.Charset());
  session->SetProp(prPort, FPort);
  session->SetProp(prEmbedded, Options.Embedded());
  session->SetProp(prDirect, Options.Direct());
  session->SetProp(prIPVersion, static_cast<int>(Options.IPVersion));
  session->SetProp(prCompress, Options.Compress());
  session->SetProp(prProtocol, static_cast<int>(Options.Protocol()));
  session->SetProp(prCheckBackslashes, Options.CheckBackslashes());
  session->SetProp(prInteractive, Options.Interactive());
  session->SetProp(prEnableBCD, Options.EnableBCD);
  session->SetProp(prEnableFmtBCD, Options.EnableFMTBCD);
  session->SetProp(prAutoCommit, true);
  session->SetProp(prConvertEOL, false);
  session->SetProp(prOptimizedBigInt, Options.OptimizedBigInt);
  session->SetProp(prNullForZeroBaseDate, Options.NullForZeroBaseDate);
  ApplySSLOptions(*session, FSSLOptions);
  return session;
}

std::string TMyConnection::IsolationStatement() const {
  switch (IsolationLevel) {
    case ilReadUnCommitted:
      return "SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED";
    case ilRepeatableRead:
      return "SET TRANSACTION ISOLATION LEVEL REPEATABLE READ";
    case ilSerializable:
      return "SET TRANSACTION ISOLATION LEVEL SERIALIZABLE";
    default:
      return "SET TRANSACTION ISOLATION LEVEL READ COMMITTED";
  }
}
