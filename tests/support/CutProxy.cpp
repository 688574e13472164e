#include "tests/support/CutProxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int PollMilliseconds = 50;

bool SendAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

int ConnectTo(const std::string& host, int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

CutProxy::CutProxy(const std::string& host, int port) : host_(host), target_port_(port) {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listener_, 8) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw std::runtime_error("the proxy cannot listen on the loopback");
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { Accept(); });
}

CutProxy::~CutProxy() {
  stop_ = true;
  acceptor_.join();
  for (std::thread& relay : relays_) relay.join();
  ::close(listener_);
}

void CutProxy::Arm(const std::string& marker, Cut cut) {
  std::lock_guard lock(mutex_);
  marker_ = marker;
  cut_ = cut;
}

void CutProxy::Accept() {
  while (!stop_) {
    pollfd ready{listener_, POLLIN, 0};
    if (::poll(&ready, 1, PollMilliseconds) <= 0) continue;
    int client = ::accept(listener_, nullptr, nullptr);
    if (client < 0) continue;
    int server = ConnectTo(host_, target_port_);
    if (server < 0) {
      ::close(client);
      continue;
    }
    relays_.emplace_back([this, client, server] { Relay(client, server); });
  }
}

void CutProxy::Relay(int client, int server) {
  bool awaitingReply = false;  // the marked bytes went to the server; its answer is to be dropped
  char buffer[65536];
  while (!stop_) {
    pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    if (::poll(ends, 2, PollMilliseconds) <= 0) continue;
    if (ends[0].revents) {
      ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      std::string bytes(buffer, static_cast<size_t>(n));
      std::unique_lock lock(mutex_);
      if (!marker_.empty() && bytes.find(marker_) != std::string::npos) {
        marker_.clear();
        if (cut_ == Cut::BeforeServer) {
          cut_done_ = true;
          break;
        }
        awaitingReply = true;
      }
      lock.unlock();
      if (!SendAll(server, bytes.data(), bytes.size())) break;
    }
    if (ends[1].revents) {
      ssize_t n = ::recv(server, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      if (awaitingReply) {
        cut_done_ = true;
        break;
      }
      if (!SendAll(client, buffer, static_cast<size_t>(n))) break;
    }
  }
  ::close(client);
  ::close(server);
}
