#include "wire/MySqlSession.h"

#include "wire/CRVioUnixSocket.h"
#include "wire/MySqlErrors.h"
#include "wire/MySqlPassword.h"
#include "wire/MySqlResultSet.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <system_error>

namespace {

constexpr int DefaultPort = 3306;
// Where the database's packages put the server's local socket.
constexpr const char* DefaultSocketPath = "/run/mysqld/mysqld.sock";
// A login takes a handful of messages; a server that keeps asking is not logging anyone in.
constexpr int MaxLoginMessages = 16;
constexpr std::string_view NativeMethod = "mysql_native_password";
// Column counts beyond this are not a real result set.
constexpr std::uint64_t MaxColumns = 65535;

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string Text(std::span<const std::uint8_t> bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

TMySqlSession::~TMySqlSession() {
  if (FResultSet) FResultSet->Detach();
}

bool TMySqlSession::Getprotocol41() const {
  return (serverCapabilities & CLIENT_PROTOCOL_41) && (FclientFlag & CLIENT_PROTOCOL_41);
}

std::string TMySqlSession::SecurityDescription() const {
  const auto* transport = dynamic_cast<const TCRVioTls*>(net.GetVio());
  return transport ? transport->Description() : "not encrypted";
}

// ---- login ----

void TMySqlSession::SetDeadline(const TDeadline& deadline) {
  FDeadline = deadline;
  if (TCRVio* transport = net.GetVio()) transport->SetDeadline(deadline);
}

void TMySqlSession::Connect(const std::string& hostArg, const std::string& userArg, const std::string& passwordArg,
                            const std::string& databaseArg, int portArg, const std::string& socketArg,
                            std::uint32_t clientFlags) {
  std::string useHost = hostArg.empty() ? host : hostArg;
  const std::string& useUser = userArg.empty() ? user : userArg;
  const std::string& usePassword = passwordArg.empty() ? password : passwordArg;
  const std::string& useDatabase = databaseArg.empty() ? database : databaseArg;
  int usePort = portArg != 0 ? portArg : port;
  if (usePort == 0) usePort = DefaultPort;
  if (useHost.empty()) useHost = "localhost";
  std::string useSocket = socketArg.empty() ? socketPath : socketArg;
  if (useSocket.empty()) useSocket = DefaultSocketPath;
  serverStatus = SERVER_STATUS_AUTOCOMMIT;
  transactionOpen = false;

  // A local socket reaches this machine's server, whatever the host says.
  if (protocolType == MYSQL_PROTOCOL_SOCKET) useHost = "localhost";
  std::unique_ptr<TCRVio> plain = OpenTransport(useHost, usePort, useSocket);
  TTlsContext tlsContext = PrepareTls();
  // However the server trickles its messages, the connect and the whole login end within the time-out.
  const TDeadline loginDeadline = FDeadline.IsSet() ? FDeadline : TDeadline::In(connectTimeout);
  auto transport = std::make_unique<TCRVioTls>(std::move(plain), useHost);
  TCRVioTls& tcp = *transport;
  net.SetVio(std::move(transport));

  try {
    tcp.SetTimeout(connectTimeout);
    tcp.SetDeadline(loginDeadline);
    try {
      tcp.Connect();
    } catch (const std::exception&) {
      const auto* overTcp = dynamic_cast<const TCRVioTcp*>(&tcp.Plain());
      if (!overTcp) throw EMySqlException(CR_CONNECTION_ERROR, tcp.LastError());
      if (overTcp->ResetAfterAccept()) throw EMySqlException(CR_SERVER_LOST, tcp.LastError());
      throw EMySqlException(CR_CONN_HOST_ERROR, {useHost, std::int64_t{10061}}, tcp.LastError());
    }
    net.NewCommand();
    ReadGreeting();
    RefuseWeakScramble();
    host = useHost;
    port = usePort;
    if (protocolType == MYSQL_PROTOCOL_SOCKET) socketPath = useSocket;
    FclientFlag = ResponseFlags(clientFlags);
    StartEncryption(tcp, std::move(tlsContext));
    TLogin login{{.Password = usePassword,
                  .Encrypted = tcp.IsEncrypted(),
                  .Verified = tcp.IsEncrypted() && VerifiesCertificate(security.Mode),
                  .ServerPublicKeyFile = security.ServerPublicKey,
                  .GetServerPublicKey = security.GetServerPublicKey,
                  .EnableClearText = security.EnableClearText},
                 nullptr};
    SendHandshakeResponse(useUser, usePassword, useDatabase, login);
    Authenticate(usePassword, login);
    KeepLoginStatus();
    net.SetCompress((FclientFlag & CLIENT_COMPRESS) != 0);
    tcp.SetDeadline(FDeadline);
  } catch (...) {
    net.Close();
    throw;
  }
}

std::unique_ptr<TCRVio> TMySqlSession::OpenTransport(const std::string& useHost, int usePort,
                                                     const std::string& useSocket) {
  switch (protocolType) {
    case MYSQL_PROTOCOL_DEFAULT:
    case MYSQL_PROTOCOL_TCP: {
      hostInfo = useHost + " via TCP/IP";
      auto transport = std::make_unique<TCRVioTcp>(useHost, FIPVersion, usePort);
      transport->SetWaitBreaker(waitBreaker);
      return transport;
    }
    case MYSQL_PROTOCOL_SOCKET: {
      hostInfo = std::string(GetError(CR_LOCALHOST_CONNECTION));
      auto transport = std::make_unique<TCRVioUnixSocket>(useSocket);
      transport->SetWaitBreaker(waitBreaker);
      return transport;
    }
    default:
      throw EMySqlException(CR_WRONG_PROTOCOL);
  }
}

void TMySqlSession::ReadGreeting() {
  net.ReceiveRow();
  const TMySqlGreeting greeting = ParseGreeting(net.GetRow());
  serverVersion = greeting.ServerVersion;
  threadId = greeting.ThreadId;
  FscrambleBuff = greeting.Scramble;
  FscrambleComplete = greeting.ScrambleComplete;
  serverCapabilities = greeting.ServerCapabilities;
  FserverLanguage = greeting.ServerLanguage;
  FauthPluginName = greeting.AuthPluginName;
  if (greeting.HasStatus) KeepServerStatus(greeting.ServerStatus);
}

void TMySqlSession::RefuseWeakScramble() const {
  if (!(serverCapabilities & CLIENT_PROTOCOL_41) || (serverCapabilities & CLIENT_SECURE_CONNECTION) ||
      security.AllowOldPasswords)
    return;
  throw EMySqlException(CR_SERVER_HANDSHAKE_ERR,
                        "The server claims the 4.1 protocol but offers only the pre-4.1 password scramble, which "
                        "is cracked offline in seconds; nothing was sent (old passwords are not allowed)");
}

std::uint32_t TMySqlSession::ResponseFlags(std::uint32_t clientFlags) const {
  std::uint32_t flags = clientFlags;
  if (flags & CLIENT_MULTI_STATEMENTS) flags |= CLIENT_MULTI_RESULTS;
  flags |= FclientFlag | CLIENT_FIXED_FLAGS | CLIENT_CONNECT_WITH_DB | CLIENT_PLUGIN_AUTH |
           CLIENT_PLUGIN_AUTH_LENENC_CLIENT_DATA;
  // The flag promises the TLS handshake that follows the SSL request, so it goes only with that.
  if (security.Mode == TSslMode::Disabled)
    flags &= ~CLIENT_SSL;
  else
    flags |= CLIENT_SSL;
  const std::uint32_t negotiated =
      CLIENT_COMPRESS | CLIENT_PROTOCOL_41 | CLIENT_SSL | CLIENT_PLUGIN_AUTH | CLIENT_PLUGIN_AUTH_LENENC_CLIENT_DATA;
  flags &= ~(negotiated & ~serverCapabilities);
  // The SSL request and named login methods exist only in the 4.1 exchange with a full scramble.
  if (!(flags & CLIENT_PROTOCOL_41) || !(serverCapabilities & CLIENT_SECURE_CONNECTION))
    flags &= ~(CLIENT_SSL | CLIENT_PLUGIN_AUTH | CLIENT_PLUGIN_AUTH_LENENC_CLIENT_DATA);
  return flags;
}

TTlsContext TMySqlSession::PrepareTls() const {
  if (security.Mode == TSslMode::Disabled) return nullptr;
  if (const std::string problem = SslSettingsProblem(security); !problem.empty())
    throw EMySqlException(CR_SSL_CONNECTION_ERROR, problem);
  try {
    return CreateTlsContext(security);
  } catch (const ETlsSettingsError& e) {
    throw EMySqlException(CR_SSL_CONNECTION_ERROR, e.what());
  }
}

void TMySqlSession::StartEncryption(TCRVioTls& transport, TTlsContext context) {
  if (security.Mode == TSslMode::Disabled) return;
  if (!(FclientFlag & CLIENT_SSL)) {
    if (security.Mode == TSslMode::Preferred) return;
    throw EMySqlException(CR_SSL_CONNECTION_ERROR, "The server does not offer encryption, which ssl mode '" +
                                                       std::string(SslModeName(security.Mode)) + "' requires");
  }
  net.Clear();
  WriteResponseHeader();
  net.Send();
  try {
    transport.StartTls(security, std::move(context));
  } catch (const SocketException&) {
    throw EMySqlException(CR_SSL_CONNECTION_ERROR, transport.LastError());
  }
}

// The fields the SSL request and the handshake response begin with.
void TMySqlSession::WriteResponseHeader() {
  if (FclientFlag & CLIENT_PROTOCOL_41) {
    // client_flag [4 bytes]: the capability flags of the client
    net.WriteInt32(FclientFlag);
    // max_packet_size [4 bytes]
    net.WriteInt32(static_cast<std::uint32_t>(MAX_ALLOWED_PACKET));
    // character_set [1 byte]: the collation the session starts with
    net.WriteByte(charset == "utf8mb4" ? CHARSET_UTF8MB4_GENERAL_CI
                  : charset == "utf8"  ? CHARSET_UTF8_GENERAL_CI
                                       : CHARSET_LATIN1_SWEDISH_CI);
    // filler [23 bytes]
    net.Fill(0, 23);
  } else {
    // The pre-4.1 response. client_flag [2 bytes]: the lower half of the capability flags
    net.WriteInt16(static_cast<std::uint16_t>(FclientFlag));
    // max_packet_size [3 bytes]
    net.WriteInt24(MAX_ALLOWED_PACKET & 0xFFFF);
  }
}

void TMySqlSession::SendHandshakeResponse(const std::string& useUser, const std::string& usePassword,
                                          const std::string& useDatabase, TLogin& login) {
  net.Clear();
  WriteResponseHeader();
  // username [zero-terminated]
  net.WriteString(useUser);
  // auth_response, in the form the agreed flags call for
  if (FclientFlag & CLIENT_PLUGIN_AUTH) {
    WriteMethodAnswer(login);
  } else if (usePassword.empty()) {
    // auth_response_length [1 byte]: 0, no password (for a pre-4.1 server an empty zero-terminated text)
    net.WriteByte(0);
  } else if (!(serverCapabilities & CLIENT_SECURE_CONNECTION)) {
    // auth-response [zero-terminated]: the pre-4.1 scramble
    net.WriteString(ScrambleOld(usePassword, FscrambleBuff));
  } else if (FscrambleComplete) {
    // auth_response_length [1 byte], auth_response [20 bytes]
    net.WriteByte(20);
    net.WriteBytes(Scramble41(usePassword, FscrambleBuff));
  } else {
    // auth-response [zero-terminated]: a stand-in, as the greeting held no whole scramble; the server
    // answers with the scramble to use (AnswerOldServer)
    net.WriteString("xxxxxxxx");
  }
  if (serverCapabilities & CLIENT_CONNECT_WITH_DB) {
    // database [zero-terminated]
    net.WriteString(useDatabase);
    database = useDatabase;
  }
  // client_plugin_name [zero-terminated]
  if (FclientFlag & CLIENT_PLUGIN_AUTH) net.WriteString(HandshakeMethod());
  net.Send();
}

std::string_view TMySqlSession::HandshakeMethod() const {
  return AnswersInHandshake(FauthPluginName) ? std::string_view(FauthPluginName) : NativeMethod;
}

void TMySqlSession::WriteMethodAnswer(TLogin& login) {
  login.Method = CreateAuthPlugin(HandshakeMethod(), login.Context);
  const TAuthBytes answer = login.Method->Start(FscrambleBuff);
  if (FclientFlag & CLIENT_PLUGIN_AUTH_LENENC_CLIENT_DATA) {
    // auth_response [length-encoded]: its length
    net.WriteFieldLength(answer.size());
  } else if (answer.size() <= 255) {
    // auth_response_length [1 byte]
    net.WriteByte(static_cast<std::uint8_t>(answer.size()));
  } else {
    throw EMySqlException(CR_AUTH_PLUGIN_ERR, "The login answer is too long for this server");
  }
  // auth_response [that many bytes]: what the login method answers the scramble
  net.WriteBytes(answer);
}

void TMySqlSession::Authenticate(const std::string& usePassword, TLogin& login) {
  net.ReceiveRow();
  if (FclientFlag & CLIENT_PLUGIN_AUTH) {
    AuthenticateByMethods(login);
    return;
  }
  if (serverCapabilities & CLIENT_SECURE_CONNECTION) AnswerOldServer(usePassword);
  // Carrying on after a switch the client never agreed to would pass an unfinished login as done.
  const auto reply = net.GetRow();
  if (reply.size() > 1 && reply[0] == 254)
    throw EMySqlException(CR_MALFORMED_PACKET,
                          "The server asked for another login method, but this client did not tell it that it knows "
                          "login methods");
}

void TMySqlSession::AuthenticateByMethods(TLogin& login) {
  for (int message = 0; message < MaxLoginMessages; ++message) {
    const auto reply = net.GetRow();
    if (!reply.empty() && reply[0] == 0) return;
    std::optional<TAuthBytes> answer;
    if (reply.size() == 1 && reply[0] == 254) {
      // The short form of the switch: the pre-4.1 method over the greeting's scramble.
      login.Method = CreateAuthPlugin("mysql_old_password", login.Context);
      answer = login.Method->Start(FscrambleBuff);
    } else if (!reply.empty() && reply[0] == 254) {
      const TMySqlAuthSwitch request = ParseAuthSwitch(reply);
      login.Method = CreateAuthPlugin(request.PluginName, login.Context);
      answer = login.Method->Start(request.Data);
    } else if (!reply.empty() && reply[0] == 1) {
      answer = login.Method->Continue(reply.subspan(1));
    } else {
      throw EMySqlException(CR_MALFORMED_PACKET, "Unexpected message during the login");
    }
    if (answer) {
      net.Clear();
      net.WriteBytes(*answer);
      net.Send();
    }
    net.ReceiveRow();
  }
  throw EMySqlException(CR_MALFORMED_PACKET, "The login did not end");
}

void TMySqlSession::AnswerOldServer(const std::string& usePassword) {
  const auto reply = net.GetRow();
  if (reply.size() == 1 && reply[0] == 254) {
    // The account has a pre-4.1 password.
    net.Clear();
    net.WriteString(ScrambleOld(usePassword, FscrambleBuff));
    net.Send();
    net.ReceiveRow();
  } else if (reply.size() == 24 && reply[0] != 0) {
    // Transitional exchange of 4.1.0 servers; the reply is copied before the buffer is reused.
    std::array<std::uint8_t, 24> message;
    std::copy(reply.begin(), reply.end(), message.begin());
    net.Clear();
    if (message[0] == '*') {
      std::copy(message.begin() + 4, message.end(), FscrambleBuff.begin());
      net.WriteString(ScrambleOld(usePassword, FscrambleBuff));
    } else {
      net.WriteBytes(Scramble410(usePassword, message));
    }
    net.Send();
    net.ReceiveRow();
  }
}

void TMySqlSession::KeepLoginStatus() {
  const auto reply = net.GetRow();
  if (reply.empty() || reply[0] != 0) return;
  TMySqlReader reader(reply);
  reader.ReadFieldLength();
  const bool withStatus = Getprotocol41() || (serverCapabilities & CLIENT_TRANSACTIONS);
  const TMySqlOkPacket ok = ParseOkPacket(reader, Getprotocol41(), withStatus);
  if (ok.HasStatus) KeepServerStatus(ok.ServerStatus);
}

void TMySqlSession::Logout() {
  if (!FIsClosed) {
    FIsClosed = true;
    status = msReady;
    if (net.GetVio()) {
      try {
        net.NewCommand();
        net.WriteByte(static_cast<std::uint8_t>(TServerCommand::scQuit));
        // The close follows at once: the quit can leave with the end of the connection.
        net.GetVio()->HoldLastWriteForClose();
        net.Send();
      } catch (const EMySqlException&) {
      }
    }
  }
  try {
    net.Close();
  } catch (const std::exception&) {
  }
  if (FResultSet) {
    FResultSet->Detach();
    FResultSet = nullptr;
  }
}

// ---- commands ----

void TMySqlSession::WriteCommand(TServerCommand command) {
  if (status != msReady) throw EMySqlException(CR_COMMANDS_OUT_OF_SYNC);
  commandSent = false;
  info.clear();
  affectedRows = 0;
  net.NewCommand();
  net.WriteByte(static_cast<std::uint8_t>(command));
}

void TMySqlSession::SimpleCommand(TServerCommand command, std::span<const std::uint8_t> argument, bool skipReply) {
  commandSent = false;
  // The server counts the command byte with the text.
  if (serverMaxAllowedPacket > 0 && argument.size() + 1 >= serverMaxAllowedPacket)
    throw EMySqlException(
        CR_NET_PACKET_TOO_LARGE,
        FormatTemplate(
            "The statement takes %d bytes with its command byte; the server accepts fewer than %d "
            "(max_allowed_packet).",
            {static_cast<std::int64_t>(argument.size() + 1), static_cast<std::int64_t>(serverMaxAllowedPacket)}));
  if (TCRVio* vio = net.GetVio()) {
    try {
      vio->SetTimeout(commandTimeout);
    } catch (const SocketException& e) {
      // A socket that refuses its options is no longer usable.
      throw EMySqlException(CR_SERVER_LOST, e.what());
    }
  }
  WriteCommand(command);
  if (!argument.empty()) net.WriteOrSendBytes(argument.data(), argument.size());
  net.Send();
  commandSent = true;
  if (!skipReply) net.ReceiveRow();
}

void TMySqlSession::ReadQueryResult() {
  serverStatus = SERVER_STATUS_AUTOCOMMIT;
  net.ReceiveRow();
  for (;;) {
    TMySqlReader reader(net.GetRow());
    const std::int64_t count = reader.ReadFieldLength();
    if (count == 0) {
      const bool withStatus = Getprotocol41() || (serverCapabilities & CLIENT_TRANSACTIONS);
      const TMySqlOkPacket ok = ParseOkPacket(reader, Getprotocol41(), withStatus);
      fieldCount = 0;
      affectedRows = static_cast<std::int64_t>(ok.AffectedRows);
      insertId = ok.InsertId;
      if (ok.HasStatus) KeepServerStatus(ok.ServerStatus);
      warningCount = ok.WarningCount;
      info = ok.Info;
      return;
    }
    if (count == NULL_LENGTH) {
      SendFileToServer(reader.ReadString(reader.Remaining()));
      continue;
    }
    if (count < 0 || static_cast<std::uint64_t>(count) > MaxColumns) throw EMySqlException(CR_MALFORMED_PACKET);
    fieldCount = static_cast<std::uint64_t>(count);
    if (reader.Remaining() > 0) extraInfo = static_cast<std::uint64_t>(reader.ReadFieldLength());
    fields = TMySqlResultSet::ReadFieldsInfo(*this, fieldCount);
    status = msGetResult;
    warningCount = 0;
    return;
  }
}

void TMySqlSession::SendFileToServer(const std::string& fileName) {
  net.Clear();
  // A server may ask for any file; only a session that allows it sends one, and only the file
  // its statement named when it says which.
  if (!localInfile || (!localInfileName.empty() && fileName != localInfileName)) {
    net.SendEmpty();
    net.ReceiveRow();
    throw EMySqlException(CR_LOAD_DATA_LOCAL_INFILE_REJECTED,
                          "The server asked for the local file '" + fileName +
                              (localInfile ? "', which the statement does not name"
                                           : "', but sending local files is switched off for this session"));
  }
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(fileName.c_str(), "rb"));
  const int openError = file ? 0 : errno;
  if (file) {
    // Pieces of BUFFER_LENGTH - 16 rounded up to a multiple of 4096.
    constexpr std::size_t PieceSize = (BUFFER_LENGTH - 16 + 4095) / 4096 * 4096;
    std::array<std::uint8_t, PieceSize> piece;
    std::size_t got;
    while ((got = std::fread(piece.data(), 1, piece.size(), file.get())) > 0) {
      net.WriteBytes(piece.data(), got);
      net.Send();
    }
  }
  net.SendEmpty();
  net.ReceiveRow();
  if (openError != 0)
    throw EMySqlException(CR_UNKNOWN_ERROR, "Cannot open file '" + fileName + "': " + std::strerror(openError));
}

void TMySqlSession::KeepEndStatus(const TMySqlEndPacket& end) {
  warningCount = end.WarningCount;
  if (end.HasStatus) KeepServerStatus(end.ServerStatus);
}

void TMySqlSession::KeepServerStatus(int status) {
  serverStatus = status;
  noBackslashEscapes = (status & SERVER_STATUS_NO_BACKSLASH_ESCAPES) != 0;
  transactionOpen = (status & SERVER_STATUS_IN_TRANS) != 0 || (status & SERVER_STATUS_AUTOCOMMIT) == 0;
}

void TMySqlSession::FreeQuery() {
  if (status == msReady) return;
  struct TBackToReady {
    TMySqlStatus& status;
    ~TBackToReady() { status = msReady; }
  } backToReady{status};
  if (net.GetCompress()) {
    do net.ReceiveRow();
    while (!IsEndPacket(net.GetRow()));
  } else {
    std::uint8_t first = 0;
    std::size_t length;
    do length = net.SkipRow(first);
    while (!(first == 254 && length <= 8));
  }
  KeepEndStatus(ParseEndPacket(net.GetRow()));
}

void TMySqlSession::SelectDb(const std::string& name) {
  SimpleCommand(TServerCommand::scInitDb, Bytes(name), false);
  database = name;
}

std::string TMySqlSession::Statistics() {
  SimpleCommand(TServerCommand::scStatistics, {}, false);
  return Text(net.GetRow());
}

void TMySqlSession::Ping() {
  SimpleCommand(TServerCommand::scPing, {}, false);
}

void TMySqlSession::ProcessKill(std::uint32_t id) {
  const std::array<std::uint8_t, 4> argument{static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
                                             static_cast<std::uint8_t>(id >> 16), static_cast<std::uint8_t>(id >> 24)};
  SimpleCommand(TServerCommand::scProcessKill, argument, false);
}
