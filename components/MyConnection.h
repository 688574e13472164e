#pragma once
// The MySQL connection component with its options and encryption settings.
#include "components/DAConnection.h"

#include <memory>
#include <string>

class TMySQLConnection;
class TWaitBreaker;
class TMyConnection;

enum TMyIsolationLevel { ilReadCommitted, ilReadUnCommitted, ilRepeatableRead, ilSerializable };
enum TMyProtocol { mpDefault, mpTCP, mpSocket, mpPipe, mpMemory, mpSSL, mpHttp };
// ivIPBoth: whichever family the host's addresses have, each tried in turn.
enum TIPVersionOption { ivIPv4, ivIPv6, ivIPBoth };

// The rarely changed switches of a MySQL connection. Those that shape the session cannot change
// while it is open.
class TMyConnectionOptions {
 public:
  explicit TMyConnectionOptions(TMyConnection& owner) : FOwner(owner) {}
  bool UseUnicode() const { return FUseUnicode; }
  const std::string& Charset() const { return FCharset; }
  bool Compress() const { return FCompress; }
  TMyProtocol Protocol() const { return FProtocol; }
  bool Direct() const { return FDirect; }
  bool Interactive() const { return FInteractive; }
  bool Embedded() const { return FEmbedded; }
  bool CheckBackslashes() const { return FCheckBackslashes; }
  bool DisconnectedMode() const;
  void SetUseUnicode(bool value);
  void SetCharset(const std::string& value);
  void SetCompress(bool value);
  void SetProtocol(TMyProtocol value);
  void SetDirect(bool value);
  void SetInteractive(bool value);
  void SetEmbedded(bool value);
  void SetCheckBackslashes(bool value);
  void SetDisconnectedMode(bool value);

  TIPVersionOption IPVersion = ivIPv4;
  bool NullForZeroBaseDate = false;
  bool OptimizedBigInt = false;
  bool EnableBCD = false;
  bool EnableFMTBCD = false;
  bool KeepDesignConnected = true;
  bool LocalFailover = false;
  bool AllowImplicitConnect = true;

 private:
  template <typename T>
  void SetSessionOption(T& field, const T& value, int prop);
  TMyConnection& FOwner;
  bool FUseUnicode = false;
  std::string FCharset;
  bool FCompress = false;
  TMyProtocol FProtocol = mpDefault;
  bool FDirect = true;
  bool FInteractive = false;
  bool FEmbedded = false;
  bool FCheckBackslashes = false;
};

// Encryption of the connection: the mode by name ("disabled", "preferred", "required", "verify-ca",
// "verify-identity") and the PEM files of the trusted CA, the client certificate and its key, and
// the server's public key for password logins without TLS. Empty files mean none.
struct TMySSLOptions {
  std::string Mode = "preferred";
  std::string CA, Cert, Key, ServerPublicKey;
  std::string CAPath;  // a folder of authorities under their hashed names, beside or instead of CA
  // Revocation lists: a PEM file, and a folder of them under their hashed names (hash.r0). A
  // verified server certificate that one of them revokes is refused.
  std::string Crl, CrlPath;
  std::string Cipher;  // ':'-separated; TLS_... names limit TLS 1.3, the others TLS 1.2
  // Let the password reach a server nobody verified: the RSA key asked over plain TCP, or the
  // password in clear for mysql_clear_password. Off unless the user says so.
  bool GetServerPublicKey = false;
  bool EnableClearText = false;
  // Let the pre-4.1 scramble, which is cracked offline in seconds, go to a server that claims the
  // 4.1 protocol without offering its scramble. Off unless the user says so.
  bool AllowOldPasswords = false;
};

// The MySQL connection component.
class TMyConnection : public TCustomDAConnection {
 public:
  TMyConnection() : Options(*this) {}

  int Port() const { return FPort; }
  void SetPort(int value);
  const std::string& Database() const { return FDatabase; }
  // Switches the default database of an open session at once.
  void SetDatabase(const std::string& value);
  int ConnectionTimeout() const { return FConnectionTimeout; }
  void SetConnectionTimeout(int value);
  TMyIsolationLevel IsolationLevel = ilReadCommitted;
  TMyConnectionOptions Options;
  const TMySSLOptions& SSLOptions() const { return FSSLOptions; }
  // Cannot change while the connection is open; an unknown mode name raises std::invalid_argument.
  void SetSSLOptions(const TMySSLOptions& value);
  // How the open connection is protected ("TLS 1.3, certificate verified for db.example.org"),
  // "not encrypted" otherwise.
  std::string SecurityDescription() const;

  // The session object; none before the first connect.
  TMySQLConnection* MySQLConnection() const;
  std::string ServerVersion() const;
  // The host of the server setting that the open session reached ("host:port"); empty when closed.
  std::string ConnectedHost() const;
  // Lets another thread end the session's waits (connect, login, a statement) as a time-out
  // would: a running statement is then ended on the server as after a time-out.
  void SetWaitBreaker(std::shared_ptr<TWaitBreaker> breaker);

 protected:
  std::unique_ptr<TCRConnection> CreateIConnection() override;
  std::string IsolationStatement() const override;

 private:
  friend class TMyConnectionOptions;
  int FPort = 3306;
  std::string FDatabase;
  int FConnectionTimeout = 15;
  TMySSLOptions FSSLOptions;
  std::shared_ptr<TWaitBreaker> FWaitBreaker;
};
