#pragma once
// The interface through which the connection components drive a database session.
#include <functional>
#include <string>
#include <variant>

class EMyError;

// Settings passed to a session object by number.
using TPropValue = std::variant<bool, int, std::string>;

enum TSessionProp {
  prConnectionTimeout = 5,
  prAutoCommit = 6,
  prConvertEOL = 28,
  prDisconnectedMode = 31,
  prDatabase = 38,
  prPort = 39,
  prEnableBCD = 41,
  prEnableFmtBCD = 42,
  prDefaultSortType = 48,
  prHttpUrl = 57,
  prHttpUsername = 58,
  prHttpPassword = 59,
  prProxyHostname = 60,
  prProxyPort = 61,
  prProxyUsername = 62,
  prProxyPassword = 63,
  prIPVersion = 64,
  prCompress = 1007,
  prCharset = 1009,
  prProtocol = 1011,
  prUseUnicode = 1018,
  prSSL_Cipher = 1020,
  prSSL_CA = 1021,
  prSSL_Key = 1022,
  prSSL_Cert = 1023,
  prEmbedded = 1030,
  prDirect = 1031,
  prOptimizedBigInt = 1033,
  prCheckBackslashes = 1035,
  prNullForZeroBaseDate = 1041,
  prInteractive = 1042,
  prSslMode = 1050,
  prServerPublicKey = 1051,
  prGetServerPublicKey = 1052,
  prEnableClearText = 1053,
  prSSL_CAPath = 1054,
  prAllowOldPasswords = 1055,
  prSSL_Crl = 1056,
  prSSL_CrlPath = 1057,
};

// The session side of a connection, as the connection component drives it.
class TCRConnection {
 public:
  virtual ~TCRConnection() = default;
  virtual void SetProp(int prop, const TPropValue& value) = 0;
  virtual TPropValue GetProp(int prop) const = 0;
  virtual void SetUsername(const std::string& value) = 0;
  virtual void SetPassword(const std::string& value) = 0;
  virtual void SetServer(const std::string& value) = 0;
  virtual void Connect(const std::string& connectString) = 0;
  virtual void Disconnect() = 0;
  virtual bool GetConnected() const = 0;
  // Runs a statement without rows.
  virtual void ExecStatement(const std::string& text) = 0;
  // Ends the session's transaction without its changes.
  virtual void Rollback() { ExecStatement("ROLLBACK"); }
  virtual bool GetIsServer41() const = 0;
  // The server last reported an open transaction (begun by any statement) or autocommit off.
  virtual bool GetInTransaction() const = 0;
  bool IsValid = true;

  // Installed by the connection component. OnError is asked with the failure, whether it is to
  // be raised (Fail) and the attempt number; it answers whether the session is to reconnect.
  std::function<bool(EMyError& error, bool& fail, int attempt)> OnError;
  std::function<void()> OnReconnectError;
  std::function<void()> OnReconnectSuccess;
  // Installed by the connection component: whether the session may be replaced by one on another
  // host without losing anything (no transaction of the component's, no rows pending).
  std::function<bool()> MayMoveToAnotherHost;
};
