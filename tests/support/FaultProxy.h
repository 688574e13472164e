#pragma once
// A TCP proxy on loopback that forwards to a server and breaks the first connection it carries in
// one chosen way, for tests of how the client takes broken connections. Later connections pass
// untouched (a reconnect reaches the server).
#include <atomic>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

enum class TFaultKind {
  None,
  Cut,    // both sides closed in order once the byte at AtByte would pass
  Reset,  // both sides reset (RST) there
  Stall,  // nothing more passes in that direction; the connection stays open
  Flip,   // the byte at AtByte passes with its bits inverted
};

enum class TFaultDirection { ToServer, ToClient };

struct TFault {
  TFaultKind Kind = TFaultKind::None;
  TFaultDirection Direction = TFaultDirection::ToServer;
  std::size_t AtByte = 0;  // counted from the first byte of the direction, 0-based
};

class TFaultProxy {
 public:
  TFaultProxy(int serverPort, TFault fault);
  ~TFaultProxy();
  TFaultProxy(const TFaultProxy&) = delete;
  TFaultProxy& operator=(const TFaultProxy&) = delete;

  int Port() const { return FPort; }
  // Bytes the first connection carried so far in each direction.
  std::size_t BytesToServer() const { return FCarried[0]; }
  std::size_t BytesToClient() const { return FCarried[1]; }

 private:
  void AcceptLoop();
  void Carry(int client, bool first);

  int FServerPort;
  TFault FFault;
  int FListener = -1;
  int FPort = 0;
  std::atomic<bool> FStop{false};
  std::atomic<std::size_t> FCarried[2]{0, 0};
  std::thread FAcceptor;
  std::mutex FLock;
  std::vector<std::thread> FConnections;
};
