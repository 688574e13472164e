#include "wire/CRVioTcp.h"

#include "wire/HostLookup.h"
#include "wire/MessageFormat.h"

#include <cstring>
#include <memory>

#ifdef _WIN32
#include <mstcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#endif

namespace {

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

}  // namespace

TCRVioTcp::TCRVioTcp(std::string hostname, TIPVersion ipVersion, int port)
    : FHostname(std::move(hostname)), FPort(port), FIPVersion(ipVersion) {}

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

bool TCRVioTcp::Open(const std::chrono::steady_clock::time_point* deadline) {
  if (FHostname.empty()) FHostname = "localhost";
  addrinfo hints{};
  hints.ai_family = AddressFamily(FIPVersion);
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  auto timedOut = [this] {
    SetLastError(0, FormatTemplate("Cannot connect to server on host '%s': Connection timed out", {FHostname}));
    return false;
  };
  const THostLookup lookup =
      LookupHost(FHostname, hints, deadline ? *deadline - std::chrono::steady_clock::now() : std::chrono::seconds(0));
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
    switch (ConnectTo(*address, deadline)) {
      case TAttempt::Connected:
        SocketKeepalive(FSd);
        SocketFastsend(FSd);
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

TCRVioTcp::TAttempt TCRVioTcp::ConnectTo(const addrinfo& address,
                                         const std::chrono::steady_clock::time_point* deadline) {
  sockaddr_storage target{};
  std::memcpy(&target, address.ai_addr, address.ai_addrlen);
  const auto port = htons(static_cast<std::uint16_t>(FPort));
  if (address.ai_family == AF_INET6)
    reinterpret_cast<sockaddr_in6*>(&target)->sin6_port = port;
  else
    reinterpret_cast<sockaddr_in*>(&target)->sin_port = port;

  using TResult = TSocketAttempt::TResult;
  const TSocketAttempt attempt =
      ConnectStreamSocket(reinterpret_cast<const sockaddr*>(&target), static_cast<TSockLen>(address.ai_addrlen),
                          IPPROTO_TCP, deadline, [this](TSocketHandle socket) { return Watch(socket); });
  const int code = attempt.Code;
  if (attempt.Result == TResult::NoSocket) {
    SetLastError(code, SocketErrorText("Cannot create TCP/IP socket", SystemMessage(code), code));
    return TAttempt::Failed;
  }
  FSd = attempt.Socket;
  if (attempt.Result == TResult::TimedOut) return TAttempt::TimedOut;
  FResetAfterAccept = IsConnectionReset(code);
  if (FResetAfterAccept) {
    SetLastError(code, TransferErrorText("Error on data reading from the connection", code, GetReceiveTimeout()));
    return TAttempt::Failed;
  }
  if (attempt.Result == TResult::Failed) {
    SetLastError(code, FormatTemplate("Cannot connect to server on host '%s':\r\n%s.\r\nSocket Error Code: %d($%X)",
                                      {FHostname, SystemMessage(code), std::int64_t{code}, std::int64_t{code}}));
    return TAttempt::Failed;
  }
  return TAttempt::Connected;
}
