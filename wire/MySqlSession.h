#pragma once
// One logged-in conversation with the server: login and logout, commands and their responses.
#include "wire/CRVioTcp.h"
#include "wire/CRVioTls.h"
#include "wire/Deadline.h"
#include "wire/MySqlAuthPlugin.h"
#include "wire/MySqlConsts.h"
#include "wire/MySqlMessages.h"
#include "wire/MySqlNet.h"
#include "wire/MySqlSecurity.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class TMySqlResultSet;

class TMySqlSession {
 public:
  TMySqlSession() = default;
  TMySqlSession(const TMySqlSession&) = delete;
  TMySqlSession& operator=(const TMySqlSession&) = delete;
  ~TMySqlSession();

  TMySqlNet net;

  // Login settings; empty login arguments are taken from here, and the values used are kept.
  std::string host;
  std::string user;
  std::string password;
  std::string database;
  int port = 0;
  // The server's local socket for MYSQL_PROTOCOL_SOCKET; empty: the usual place. After a login
  // over it, the path used.
  std::string socketPath;
  std::string charset;
  int connectTimeout = 0;
  int commandTimeout = 0;
  MYSQL_PROTOCOL_TYPE protocolType = MYSQL_PROTOCOL_DEFAULT;
  TIPVersion FIPVersion = TIPVersion::ivIPv4;
  // Whether file requests of the server (LOAD DATA LOCAL) are answered with the file. Off: the
  // request gets an empty file and the statement fails with CR_LOAD_DATA_LOCAL_INFILE_REJECTED.
  bool localInfile = false;
  // When not empty, the one file a request may name: the file the statement itself names.
  std::string localInfileName;
  // Encryption mode, certificate files and the server's public key file for the next login.
  TSslSettings security;
  // Ends the transport's waits when another thread asks; none: only time-outs end them.
  std::shared_ptr<TWaitBreaker> waitBreaker;

  // Learnt at login.
  std::string serverVersion;
  std::uint32_t threadId = 0;
  std::array<std::uint8_t, 20> FscrambleBuff{};
  bool FscrambleComplete = false;
  std::uint32_t serverCapabilities = 0;
  std::uint8_t FserverLanguage = 0;
  std::string FauthPluginName;  // the login method the greeting named
  std::uint32_t FclientFlag = 0;
  std::string hostInfo;
  // The server's max_allowed_packet when it was asked for (0: not known); a longer command is
  // refused with 2020 before anything of it is sent.
  std::size_t serverMaxAllowedPacket = 0;
  bool FIsClosed = false;

  // Kept by the call interface: the last failure, 0 and empty after a success.
  int Ferrno = 0;
  std::string Ferror;

  // State of the current command.
  TMySqlStatus status = msReady;
  std::int64_t affectedRows = 0;
  std::uint64_t insertId = 0;
  int serverStatus = 0;
  // The session's sql_mode holds NO_BACKSLASH_ESCAPES, as the last status-bearing packet said;
  // unlike serverStatus it outlives failed commands, so literals never lose track of it.
  bool noBackslashEscapes = false;
  // A transaction is open (begun by any statement, or autocommit is off), as the last
  // status-bearing packet said; it too outlives failed commands, so that what failed inside a
  // transaction is never retried alone or on a new session.
  bool transactionOpen = false;
  int warningCount = 0;
  std::string info;
  std::uint64_t extraInfo = 0;
  std::uint64_t fieldCount = 0;
  std::vector<TMySqlFieldInfo> fields;
  TMySqlResultSet* FResultSet = nullptr;
  // The whole current command was handed to the transport: if its reply is lost, the server may
  // have run it. False while it is being written (a command cut short is never run).
  bool commandSent = false;

  // While set, the connect, the login and every exchange after them end by then, until it is
  // lifted with an unset one; unset, Connect still ends within connectTimeout of its start.
  void SetDeadline(const TDeadline& deadline);

  void Connect(const std::string& host, const std::string& user, const std::string& password,
               const std::string& database, int port, const std::string& socketName, std::uint32_t clientFlags);
  // Sends COM_QUIT (once, without waiting) and closes the connection; never raises.
  void Logout();

  bool Getprotocol41() const;
  // How the connection is protected, for example "TLS 1.3, certificate verified for db.example.org"
  // or "not encrypted".
  std::string SecurityDescription() const;

  void WriteCommand(TServerCommand command);
  void SimpleCommand(TServerCommand command, std::span<const std::uint8_t> argument, bool skipReply);
  void ReadQueryResult();
  // Reads and drops what is left of the pending result; the status is ready afterwards.
  void FreeQuery();
  void SelectDb(const std::string& name);
  std::string Statistics();
  void Ping();
  void ProcessKill(std::uint32_t id);
  // Warning count and server status of an end packet.
  void KeepEndStatus(const TMySqlEndPacket& end);
  void KeepServerStatus(int status);

 private:
  // What the login exchange carries from the handshake response to its end.
  struct TLogin {
    TAuthContext Context;
    std::unique_ptr<TMySqlAuthPlugin> Method;
  };

  void ReadGreeting();
  // A 4.1 server always offers the 4.1 scramble: one that claims the protocol without it would
  // get the pre-4.1 scramble, which is cracked offline in seconds.
  void RefuseWeakScramble() const;
  std::uint32_t ResponseFlags(std::uint32_t clientFlags) const;
  // The start of the handshake response, which is also the whole SSL request.
  void WriteResponseHeader();
  // The plain transport the protocol type asks for, not yet connected; hostInfo tells it.
  std::unique_ptr<TCRVio> OpenTransport(const std::string& useHost, int usePort, const std::string& useSocket);
  // Every CA, certificate and key file given, loaded and checked before anything is sent, in every
  // mode but disabled (nothing then), so that a wrong one is reported whether or not the server
  // offers TLS this time.
  TTlsContext PrepareTls() const;
  void StartEncryption(TCRVioTls& transport, TTlsContext context);
  void SendHandshakeResponse(const std::string& user, const std::string& password, const std::string& database,
                             TLogin& login);
  // The greeting's method when the first answer can be given in it, the native one otherwise.
  std::string_view HandshakeMethod() const;
  void WriteMethodAnswer(TLogin& login);
  void Authenticate(const std::string& password, TLogin& login);
  void AnswerOldServer(const std::string& password);
  void AuthenticateByMethods(TLogin& login);
  // The login's OK reply tells the session's modes, before any statement is sent.
  void KeepLoginStatus();
  void SendFileToServer(const std::string& fileName);

  TDeadline FDeadline;
};
