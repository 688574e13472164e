#include "wire/CRVioTcp.h"

#include "wire/HostLookup.h"
#include "wire/MessageFormat.h"
#include "wire/RestoreOnExit.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>
#else
#include <cerrno>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
using TSockLen = int;
constexpr int WouldBlock = WSAEWOULDBLOCK;
constexpr int ConnectionReset = WSAECONNRESET;
// What a blocking call reports when the socket's time-out passed.
bool IsTimeout(int code) {
  return code == WSAETIMEDOUT;
}
int GetSocketError() {
  return WSAGetLastError();
}
int SocketClose(TSocketHandle s) {
  return closesocket(s);
}
std::string SystemMessage(int code) {
  char text[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(code), 0, text,
                 sizeof text, nullptr);
  std::string s(text);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == '.')) s.pop_back();
  return s;
}
constexpr int SendFlags = 0;

std::mutex StartupLock;
bool Started = false;
// The socket library is started once per process, on the first connect attempt.
int Startup() {
  std::lock_guard<std::mutex> lock(StartupLock);
  if (Started) return 0;
  WSADATA data;
  const int rc = WSAStartup(MAKEWORD(2, 2), &data);
  if (rc == 0) Started = true;
  return rc;
}
#else
using TSockLen = socklen_t;
constexpr int WouldBlock = EWOULDBLOCK;
constexpr int ConnectionReset = ECONNRESET;
bool IsTimeout(int code) {
  return code == EAGAIN || code == EWOULDBLOCK;
}
int GetSocketError() {
  return errno;
}
int SocketClose(TSocketHandle s) {
  return ::close(s);
}
std::string SystemMessage(int code) {
  return std::strerror(code);
}
constexpr int SendFlags = MSG_NOSIGNAL;
int Startup() {
  return 0;
}
#endif

std::string SocketErrorText(const char* head, const std::string& what, int code) {
  return FormatTemplate("%s:\r\n%s.\r\nSocket Error Code: %d($%X)",
                        {std::string(head), what, std::int64_t{code}, std::int64_t{code}});
}

// A failed read or write; a passed time-out says so rather than "Resource temporarily unavailable".
std::string TransferErrorText(const char* head, int code, int timeoutSeconds) {
  if (IsTimeout(code))
    return FormatTemplate("%s:\r\nThe time-out of %d seconds passed.",
                          {std::string(head), std::int64_t{timeoutSeconds}});
  return SocketErrorText(head, SystemMessage(code), code);
}

struct TAddrInfoDeleter {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using TAddrInfoList = std::unique_ptr<addrinfo, TAddrInfoDeleter>;

int AddressFamily(TIPVersion version) {
  switch (version) {
    case TIPVersion::ivIPv4:
      return AF_INET;
    case TIPVersion::ivIPv6:
      return AF_INET6;
    case TIPVersion::ivIPBoth:
      break;
  }
  return AF_UNSPEC;
}

// Keep-alive probes after 15 s of idleness, then every second; refusals are not fatal.
void SocketKeepalive(TSocketHandle s) {
  int on = 1;
  setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
#ifdef _WIN32
  tcp_keepalive settings{1, 15000, 1000};
  DWORD returned = 0;
  WSAIoctl(s, SIO_KEEPALIVE_VALS, &settings, sizeof settings, nullptr, 0, &returned, nullptr, nullptr);
#else
  int idle = 15;
  int interval = 1;
  setsockopt(s, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  setsockopt(s, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
#endif
}

void SocketFastsend(TSocketHandle s) {
  int on = 1;
  setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

void SetSocketTimeout(TSocketHandle s, int option, int seconds) {
#ifdef _WIN32
  const DWORD value = static_cast<DWORD>(seconds) * 1000;
#else
  timeval value{};
  value.tv_sec = seconds;
#endif
  if (setsockopt(s, SOL_SOCKET, option, reinterpret_cast<const char*>(&value), sizeof value) != 0) {
    const int code = GetSocketError();
    throw SocketException(SystemMessage(code));
  }
}

void SetBlocking(TSocketHandle s, bool blocking) {
#ifdef _WIN32
  u_long nonBlocking = blocking ? 0 : 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
#else
  const int flags = fcntl(s, F_GETFL, 0);
  fcntl(s, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
#endif
}

// Result of a readiness wait: >0 ready, 0 timed out, <0 failed (error in GetSocketError()).
int SocketWait(TSocketHandle s, short events, int milliseconds) {
#ifdef _WIN32
  WSAPOLLFD fd{s, events, 0};
  return WSAPoll(&fd, 1, milliseconds);
#else
  pollfd fd{s, events, 0};
  int rc;
  do {
    rc = poll(&fd, 1, milliseconds);
  } while (rc < 0 && errno == EINTR);
  return rc;
#endif
}

// A connect still in progress (non-blocking) finishes within the time limit or fails.
int WaitForConnect(TSocketHandle s, int milliseconds, bool& timedOut) {
  timedOut = false;
  const int rc = SocketWait(s, POLLOUT, milliseconds);
  if (rc == 0) {
    timedOut = true;
    return 0;
  }
  if (rc < 0) return GetSocketError();
  int error = 0;
  TSockLen length = sizeof error;
  getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
  return error;
}

bool IsConnectInProgress(int code) {
#ifdef _WIN32
  return code == WSAEWOULDBLOCK;
#else
  return code == EINPROGRESS;
#endif
}

}  // namespace

TCRVioTcp::TCRVioTcp(std::string hostname, TIPVersion ipVersion, int port)
    : FHostname(std::move(hostname)), FPort(port), FIPVersion(ipVersion) {}

TCRVioTcp::~TCRVioTcp() {
  Close();
}

void TCRVioTcp::CheckInactive(const char* message) {
  if (FSd == InvalidSocket) return;
  SetLastError(0, message);
  throw SocketException(message);
}

void TCRVioTcp::SetHost(const std::string& hostname) {
  CheckInactive("Cannot change host for the active connection");
  FHostname = hostname;
}

void TCRVioTcp::SetPort(int port) {
  CheckInactive("Cannot change port for the active connection");
  FPort = port;
}

void TCRVioTcp::SetIPVersion(TIPVersion version) {
  CheckInactive("Cannot change TCP/IP version for the active connection");
  FIPVersion = version;
}

void TCRVioTcp::SetTimeout(int seconds) {
  SetReceiveTimeout(seconds);
  FConnectionTimeout = seconds;
}

void TCRVioTcp::SetSendTimeout(int seconds) {
  if (seconds == FSendTimeout) return;
  FSendTimeout = seconds;
  // Below 1 the socket keeps the limit it has: no limit unless one was applied before.
  if (FSd != InvalidSocket && seconds >= 1) SetSocketTimeout(FSd, SO_SNDTIMEO, seconds);
}

void TCRVioTcp::SetReceiveTimeout(int seconds) {
  if (seconds == FReceiveTimeout) return;
  FReceiveTimeout = seconds;
  if (FSd != InvalidSocket) SetSocketTimeout(FSd, SO_RCVTIMEO, seconds < 0 ? 0 : seconds);
}

void TCRVioTcp::ApplyStoredTimeout(int& field, void (TCRVioTcp::*setter)(int)) {
  const int stored = field;
  TRestoreOnExit restore(field, stored);
  field = -1;
  (this->*setter)(stored);
}

bool TCRVioTcp::InternalConnect() {
  addrinfo hints{};
  hints.ai_family = AddressFamily(FIPVersion);
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  // The time-out bounds the whole connect, the lookup of the host name included.
  const bool limited = FConnectionTimeout > 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(FConnectionTimeout);
  auto timedOut = [this] {
    SetLastError(0, FormatTemplate("Cannot connect to server on host '%s': Connection timed out", {FHostname}));
    return false;
  };
  const THostLookup lookup =
      LookupHost(FHostname, hints, limited ? deadline - std::chrono::steady_clock::now() : std::chrono::seconds(0));
  if (lookup.TimedOut) return timedOut();
  const int resolveError = lookup.Error;
  addrinfo* found = lookup.Found;
  if (resolveError != 0 || !found) {
    // Resolver failures have codes of their own; they are reported as positive numbers.
    const int code = resolveError < 0 ? -resolveError : resolveError;
    SetLastError(code, FormatTemplate("Unknown host '%s'.\r\nSocket Error Code: %d($%X)",
                                      {FHostname, std::int64_t{code}, std::int64_t{code}}));
    return false;
  }
  TAddrInfoList addresses(found);
  // A name may have addresses of both families (localhost: ::1 and 127.0.0.1) of which only one
  // listens, so each is tried in the resolver's order while the time-out lasts.
  for (const addrinfo* address = addresses.get(); address; address = address->ai_next) {
    switch (ConnectTo(*address, limited, deadline)) {
      case TAttempt::Connected:
        return true;
      case TAttempt::TimedOut:
        return timedOut();
      case TAttempt::Failed:
        Close();
        break;
    }
  }
  return false;
}

TCRVioTcp::TAttempt TCRVioTcp::ConnectTo(const addrinfo& address, bool limited,
                                         std::chrono::steady_clock::time_point deadline) {
  const TSocketHandle s = socket(address.ai_family, address.ai_socktype, address.ai_protocol);
  if (s == InvalidSocket) {
    const int code = GetSocketError();
    SetLastError(code, SocketErrorText("Cannot create TCP/IP socket", SystemMessage(code), code));
    return TAttempt::Failed;
  }
  FSd = s;
  SocketKeepalive(s);

  sockaddr_storage target{};
  std::memcpy(&target, address.ai_addr, address.ai_addrlen);
  const auto port = htons(static_cast<std::uint16_t>(FPort));
  if (address.ai_family == AF_INET6)
    reinterpret_cast<sockaddr_in6*>(&target)->sin6_port = port;
  else
    reinterpret_cast<sockaddr_in*>(&target)->sin_port = port;

  // A time limit of our own needs a non-blocking connect and a readiness wait.
  if (limited) SetBlocking(s, false);
  int code = 0;
  if (connect(s, reinterpret_cast<const sockaddr*>(&target), static_cast<TSockLen>(address.ai_addrlen)) != 0) {
    code = GetSocketError();
    if (limited && IsConnectInProgress(code)) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return TAttempt::TimedOut;
      bool waitTimedOut = false;
      code = WaitForConnect(s, static_cast<int>(left.count()), waitTimedOut);
      if (waitTimedOut) return TAttempt::TimedOut;
    } else if (code == WouldBlock) {
      code = 0;
    }
  }
  if (limited) SetBlocking(s, true);
  FResetAfterAccept = code == ConnectionReset;
  if (FResetAfterAccept) {
    SetLastError(code, TransferErrorText("Error on data reading from the connection", code, FReceiveTimeout));
    return TAttempt::Failed;
  }
  if (code != 0) {
    SetLastError(code, FormatTemplate("Cannot connect to server on host '%s':\r\n%s.\r\nSocket Error Code: %d($%X)",
                                      {FHostname, SystemMessage(code), std::int64_t{code}, std::int64_t{code}}));
    return TAttempt::Failed;
  }
  return TAttempt::Connected;
}

bool TCRVioTcp::TryConnect() {
  if (FSd != InvalidSocket) return false;
  TCRVio::TryConnect();
  ClearLastError();
  if (FHostname.empty()) FHostname = "localhost";

  bool connected = false;
  const int startError = Startup();
  if (startError != 0) {
    SetLastError(startError, FormatTemplate("WSAStartup failed.\r\nSocket Error Code: %d", {std::int64_t{startError}}));
  } else {
    connected = InternalConnect();
  }
  if (connected) {
    SocketFastsend(FSd);
    try {
      ApplyStoredTimeout(FReceiveTimeout, &TCRVioTcp::SetReceiveTimeout);
      ApplyStoredTimeout(FSendTimeout, &TCRVioTcp::SetSendTimeout);
    } catch (const SocketException& e) {
      SetLastError(GetSocketError(), e.what());
      connected = false;
    }
  }
  if (!connected) Close();
  return connected;
}

void TCRVioTcp::Connect() {
  if (!TryConnect()) throw SocketException(FLastError.empty() ? "Unknown socket error" : FLastError);
}

void TCRVioTcp::Close() {
  if (FSd == InvalidSocket) return;
#ifdef _WIN32
  shutdown(FSd, SD_BOTH);
#else
  shutdown(FSd, SHUT_RDWR);
#endif
  SocketClose(FSd);
  FSd = InvalidSocket;
}

std::size_t TCRVioTcp::ReadNoWait(void* buffer, std::size_t count) {
  ClearLastError();
  for (;;) {
    const auto got = recv(FSd, static_cast<char*>(buffer), static_cast<int>(count), 0);
    if (got >= 0) return static_cast<std::size_t>(got);
    const int code = GetSocketError();
#ifndef _WIN32
    if (code == EINTR) continue;
#endif
    SetLastError(code, TransferErrorText("Error on data reading from the connection", code, FReceiveTimeout));
    FTimedOut = IsTimeout(code);
    return 0;
  }
}

std::size_t TCRVioTcp::WriteNoWait(const void* buffer, std::size_t count) {
  ClearLastError();
  for (;;) {
    const auto sent = send(FSd, static_cast<const char*>(buffer), static_cast<int>(count), SendFlags);
    if (sent >= 0) return static_cast<std::size_t>(sent);
    const int code = GetSocketError();
#ifndef _WIN32
    if (code == EINTR) continue;
#endif
    SetLastError(code, TransferErrorText("Error on data writing to the connection", code, FSendTimeout));
    FTimedOut = IsTimeout(code);
    return 0;
  }
}

std::size_t TCRVioTcp::Write(const void* buffer, std::size_t count) {
  if (FSd == InvalidSocket) {
    SetLastError(0, "Error on data writing to the connection: Invalid socket");
    return 0;
  }
  return TCRVio::Write(buffer, count);
}

bool TCRVioTcp::WaitForData(int seconds) {
  ClearLastError();
  const int rc = SocketWait(FSd, POLLIN, seconds < 0 ? -1 : seconds * 1000);
  if (rc < 0) {
    const int code = GetSocketError();
    SetLastError(code, SocketErrorText("Error on data waiting from the connection", SystemMessage(code), code));
    throw SocketException(FLastError);
  }
  return rc > 0;
}
