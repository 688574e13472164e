#pragma once

#include <cstdint>
#include <string>

#include "data/CRAccess.h"
#include "mysql/MySqlApiDirect.h"

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

  // A new connection object with the same login settings (for cancelling a statement).
  void AssignLogin(const TMySQLConnection& source);
  void Ping();
  bool CheckIsValid();
  void SetDatabase(const std::string& name);
  std::string GetServerVersion() const;
  const std::string& GetServerVersionFull() const { return FServerVer; }
  static std::string GetClientVersion() { return TMySQLAPIDirect::ClientVersion; }
  std::uint32_t GetThreadId() const;
  bool GetIsClient41() const { return true; }
  bool GetIsServer41() const override;
  bool UseUnicode() const { return FUseUnicode; }
  bool NeedBackslashes() const { return FNeedBackslashes; }
  int ConnectionTimeout() const { return FConnectionTimeout; }
  // The client flags the next login sends (the session adds its fixed set).
  std::uint32_t ClientFlags() const;
  // The host part of the server setting: up to the first ",", "localhost" when empty.
  std::string HostName() const;

  // Runs a statement without rows with the connection's time-out.
  void ExecStatement(const std::string& text) override;
  // Runs a query and returns its first value (empty for none or NULL).
  std::string QueryFirstValue(const std::string& text);

  // Raises the error kept by the call interface as EMyError, through the error callback.
  [[noreturn]] void MySQLError(TComponent* component);
  void Check(int status, TComponent* component) {
    if (status != 0) MySQLError(component);
  }
  // Tells the session's error callback, reconnecting when it asks for it, then raises.
  [[noreturn]] void ProcessError(EMyError& error);

  TMySqlSession* Session() const { return FMySQL; }
  static TMySQLAPIDirect& API();

  // Decodes "5.5.36-log" into 5, 5 and 36; a part that is not a number raises EConvertError.
  static void DecodeVersion(const std::string& text, int& major, int& minor, int& release);

 private:
  void ApplyCharset();
  void CheckNoBackslashEscapesMode();
  // So that a statement the server would refuse is refused before it is sent.
  void ReadMaxAllowedPacket();
  void Reconnect();

  std::string FServer, FUsername, FPassword, FDatabase, FCharset;
  int FPort = 3306;
  int FConnectionTimeout = 15;
  bool FUseUnicode = false;
  bool FUseUnicodeSetting = false;  // as set; an old server turns FUseUnicode off for a session
  bool FCompress = false;
  bool FInteractive = false;
  int FProtocol = 0;
  int FIPVersion = 0;
  bool FDirect = true;
  bool FCheckBackslashes = false;
  bool FNeedBackslashes = true;
  bool FNullForZeroBaseDate = false;
  std::string FServerVer;
  int FServerPrimaryVer = 0, FServerMinorVer = 0, FServerReleaseVer = 0;
  TMySqlSession* FMySQL = nullptr;
  bool FConnected = false;
  bool FNativeConnection = false;
  bool FInErrorProcessing = false;
};
