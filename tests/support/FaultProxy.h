#pragma once
// A TCP proxy on loopback that forwards to a server and breaks connections in chosen ways, for tests
// of how the client takes broken connections. Two triggers: a fault at a byte count meets the first
// connection only (later ones pass untouched, as a reconnect needs); an armed marker cuts whichever
// connection next carries it from the client.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
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

// Where a marked statement's connection is cut: before the server sees it, or after the server ran
// it and answered (the client never hears the answer).
enum class TMarkerCut { BeforeServer, AfterReply };

class TFaultProxy {
 public:
  explicit TFaultProxy(int serverPort, TFault fault = {});
  ~TFaultProxy();
  TFaultProxy(const TFaultProxy&) = delete;
  TFaultProxy& operator=(const TFaultProxy&) = delete;

  int Port() const { return FPort; }
  // Bytes the first connection carried so far in each direction.
  std::size_t BytesToServer() const { return FCarried[0]; }
  std::size_t BytesToClient() const { return FCarried[1]; }

  // The next client bytes that hold the marker cut their connection in the given way.
  void Arm(const std::string& marker, TMarkerCut cut);
  bool HasCut() const { return FMarkerCutDone; }

 private:
  void AcceptLoop();
  void Carry(int client, bool first);
  // The armed cut when these client bytes hold the marker; disarms it.
  std::optional<TMarkerCut> TakeMarker(const std::uint8_t* bytes, std::size_t count);

  int FServerPort;
  TFault FFault;
  int FListener = -1;
  int FPort = 0;
  std::atomic<bool> FStop{false};
  std::atomic<std::size_t> FCarried[2]{0, 0};
  std::mutex FMarkerLock;
  std::string FMarker;
  TMarkerCut FMarkerCut = TMarkerCut::BeforeServer;
  std::atomic<bool> FMarkerCutDone{false};
  std::thread FAcceptor;
  std::mutex FLock;
  std::vector<std::thread> FConnections;
};
