#pragma once
// A scripted server on a real loopback socket, for replies a real server never sends.
#include "tests/support/ProtocolBytes.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

struct TFakePacket {
  std::uint8_t Sequence = 0;
  TBytes Payload;
};

// The accepted connection, as the script sees it. Failures raise std::runtime_error.
class TFakePeer {
 public:
  explicit TFakePeer(int fd) : FFd(fd) {}

  void SendRaw(std::span<const std::uint8_t> bytes);
  void SendPacket(std::uint8_t sequence, const TBytes& payload);
  TBytes ReadRaw(std::size_t count);
  TFakePacket ReadPacket();
  // Compressed framing: one frame, its body deflated when compress is set.
  void SendFrame(std::uint8_t sequence, std::span<const std::uint8_t> bytes, bool compress);
  TFakePacket ReadFrame();
  // The response to a greeting; fails the script unless it is there.
  TFakePacket ReadHandshakeResponse() { return ReadPacket(); }
  // The connection component's question for the server's packet limit, answered with the given one.
  void AnswerPacketLimitQuery(std::uint64_t bytes = 16 << 20);
  // Everything the client sends until it closes the connection.
  TBytes ReadToEnd();
  // Waits for the given time unless the client sends something or leaves first; true when the
  // whole time passed.
  bool Idle(std::chrono::milliseconds length);
  // A login that never ends, each message harmless: after the handshake response to a greeting of
  // caching_sha2_password, its "fast login passed" message again at every interval until the
  // client leaves (or the sequence numbers run out).
  void TrickleLogin(std::uint16_t capabilities, std::chrono::milliseconds interval);
  // The socket, for a script that runs TLS over it.
  int Handle() const { return FFd; }
  void Close();
  // Closes with a reset (RST) instead of an orderly end.
  void Reset();

 private:
  int FFd;
};

class TFakeServer {
 public:
  explicit TFakeServer(std::function<void(TFakePeer&)> script);
  ~TFakeServer();
  int Port() const { return FPort; }
  // Waits for the script; the result is its failure text, empty when it ran through.
  std::string Finish();

 private:
  int FListener = -1;
  int FPort = 0;
  std::thread FThread;
  std::string FFailure;
  bool FFinished = false;
};
