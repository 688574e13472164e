#include "tests/support/FaultProxy.h"

#include <stdexcept>
#include <string_view>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int PollMilliseconds = 50;

int Loopback(int port, bool listen) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  const auto* where = reinterpret_cast<const sockaddr*>(&address);
  const bool ok =
      listen ? bind(fd, where, sizeof address) == 0 && ::listen(fd, 8) == 0 : connect(fd, where, sizeof address) == 0;
  if (!ok) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void CloseSocket(int fd, bool reset) {
  if (reset) {
    const linger abort{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  } else {
    shutdown(fd, SHUT_RDWR);
  }
  ::close(fd);
}

bool SendAll(int fd, const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t n = send(fd, bytes, count, MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes += n;
    count -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

TFaultProxy::TFaultProxy(int serverPort, TFault fault) : FServerPort(serverPort), FFault(fault) {
  FListener = Loopback(0, true);
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (FListener < 0 || getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw std::runtime_error("fault proxy: cannot listen");
  FPort = ntohs(address.sin_port);
  FAcceptor = std::thread([this] { AcceptLoop(); });
}

TFaultProxy::~TFaultProxy() {
  FStop = true;
  FAcceptor.join();
  std::lock_guard lock(FLock);
  for (std::thread& connection : FConnections) connection.join();
  ::close(FListener);
}

void TFaultProxy::AcceptLoop() {
  bool first = true;
  while (!FStop) {
    pollfd listener{FListener, POLLIN, 0};
    if (poll(&listener, 1, PollMilliseconds) <= 0) continue;
    const int client = accept(FListener, nullptr, nullptr);
    if (client < 0) continue;
    std::lock_guard lock(FLock);
    FConnections.emplace_back([this, client, first] { Carry(client, first); });
    first = false;
  }
}

void TFaultProxy::Arm(const std::string& marker, TMarkerCut cut) {
  std::lock_guard lock(FMarkerLock);
  FMarker = marker;
  FMarkerCut = cut;
}

std::optional<TMarkerCut> TFaultProxy::TakeMarker(const std::uint8_t* bytes, std::size_t count) {
  std::lock_guard lock(FMarkerLock);
  const std::string_view seen(reinterpret_cast<const char*>(bytes), count);
  if (FMarker.empty() || seen.find(FMarker) == std::string_view::npos) return std::nullopt;
  FMarker.clear();
  return FMarkerCut;
}

// Forwards both ways until either side ends or the proxy stops; the first connection meets the fault,
// every connection an armed marker.
void TFaultProxy::Carry(int client, bool first) {
  const int server = Loopback(FServerPort, false);
  if (server < 0) {
    ::close(client);
    return;
  }
  const TFault fault = first ? FFault : TFault{};
  const int faulty = fault.Direction == TFaultDirection::ToServer ? 0 : 1;
  const int from[2] = {client, server};
  const int to[2] = {server, client};
  std::size_t carried[2] = {0, 0};
  bool stalled = false;
  bool awaitingReply = false;  // the marked bytes went to the server; its answer ends the connection
  std::uint8_t buffer[65536];
  while (!FStop) {
    // A stalled direction is not read at all; only its end is noticed.
    pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    if (stalled) ends[faulty].events = 0;
    if (poll(ends, 2, PollMilliseconds) <= 0) continue;
    bool open = true;
    for (int way = 0; way < 2 && open; ++way) {
      if (!(ends[way].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      if (way == faulty && stalled) {
        open = false;
        break;
      }
      const ssize_t got = recv(from[way], buffer, sizeof buffer, 0);
      if (got <= 0) {
        open = false;
        break;
      }
      std::size_t count = static_cast<std::size_t>(got);
      const std::optional<TMarkerCut> marked = way == 0 ? TakeMarker(buffer, count) : std::nullopt;
      if ((marked && *marked == TMarkerCut::BeforeServer) || (way == 1 && awaitingReply)) {
        FMarkerCutDone = true;
        open = false;
        break;
      }
      awaitingReply = awaitingReply || marked.has_value();
      const bool faultHere = way == faulty && fault.Kind != TFaultKind::None && carried[way] + count > fault.AtByte &&
                             carried[way] <= fault.AtByte;
      if (faultHere) {
        const std::size_t before = fault.AtByte - carried[way];
        if (fault.Kind == TFaultKind::Flip) {
          buffer[before] = static_cast<std::uint8_t>(~buffer[before]);
        } else {
          carried[way] += before;
          if (first) FCarried[way] = carried[way];
          SendAll(to[way], buffer, before);
          if (fault.Kind == TFaultKind::Stall) {
            stalled = true;
            continue;
          }
          CloseSocket(client, fault.Kind == TFaultKind::Reset);
          CloseSocket(server, fault.Kind == TFaultKind::Reset);
          return;
        }
      }
      // Counted before they pass, so that a count read after the peer got them includes them.
      carried[way] += count;
      if (first) FCarried[way] = carried[way];
      if (!SendAll(to[way], buffer, count)) {
        open = false;
        break;
      }
    }
    if (!open) break;
  }
  CloseSocket(client, false);
  CloseSocket(server, false);
}
