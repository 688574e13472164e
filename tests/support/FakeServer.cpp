#include "tests/support/FakeServer.h"

#include <zlib.h>

#include <stdexcept>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

void TFakePeer::SendRaw(std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = send(FFd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) throw std::runtime_error("fake server: send failed");
    done += static_cast<std::size_t>(n);
  }
}

void TFakePeer::SendPacket(std::uint8_t sequence, const TBytes& payload) {
  SendRaw(WirePacket(sequence, payload));
}

TBytes TFakePeer::ReadRaw(std::size_t count) {
  TBytes bytes(count);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = recv(FFd, bytes.data() + done, count - done, 0);
    if (n <= 0) throw std::runtime_error("fake server: the client closed the connection");
    done += static_cast<std::size_t>(n);
  }
  return bytes;
}

TBytes TFakePeer::ReadToEnd() {
  TBytes bytes;
  std::uint8_t piece[4096];
  ssize_t n;
  while ((n = recv(FFd, piece, sizeof piece, 0)) > 0) bytes.insert(bytes.end(), piece, piece + n);
  return bytes;
}

TFakePacket TFakePeer::ReadPacket() {
  const TBytes header = ReadRaw(4);
  return {header[3], ReadRaw(Int24(header.data()))};
}

void TFakePeer::SendFrame(std::uint8_t sequence, std::span<const std::uint8_t> bytes, bool compress) {
  SendRaw(WireFrame(sequence, bytes, compress));
}

TFakePacket TFakePeer::ReadFrame() {
  const TBytes header = ReadRaw(7);
  const std::size_t uncompressed = Int24(&header[4]);
  TBytes body = ReadRaw(Int24(header.data()));
  if (uncompressed == 0) return {header[3], body};
  TBytes plain(uncompressed);
  uLongf plainLength = uncompressed;
  if (uncompress(plain.data(), &plainLength, body.data(), body.size()) != Z_OK || plainLength != uncompressed)
    throw std::runtime_error("fake server: broken compressed frame");
  return {header[3], plain};
}

bool TFakePeer::Idle(std::chrono::milliseconds length) {
  pollfd fd{FFd, POLLIN, 0};
  return poll(&fd, 1, static_cast<int>(length.count())) == 0;
}

void TFakePeer::TrickleLogin(std::uint16_t capabilities, std::chrono::milliseconds interval) {
  SendPacket(0, GreetingWithMethod(capabilities, "caching_sha2_password"));
  ReadHandshakeResponse();
  constexpr std::uint8_t MoreData = 1, FastLoginPassed = 3;
  for (std::uint8_t sequence = 2; sequence != 0 && Idle(interval); ++sequence)
    SendPacket(sequence, TBytes{MoreData, FastLoginPassed});
}

void TFakePeer::Close() {
  if (FFd < 0) return;
  shutdown(FFd, SHUT_RDWR);
  ::close(FFd);
  FFd = -1;
}

void TFakePeer::Reset() {
  if (FFd < 0) return;
  const linger abort{1, 0};
  setsockopt(FFd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  ::close(FFd);
  FFd = -1;
}

TFakeServer::TFakeServer(std::function<void(TFakePeer&)> script) {
  FListener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(FListener, 4) != 0 ||
      getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw std::runtime_error("fake server: cannot listen");
  FPort = ntohs(address.sin_port);
  FThread = std::thread([this, script = std::move(script)] {
    const int fd = accept(FListener, nullptr, nullptr);
    if (fd < 0) {
      FFailure = "fake server: accept failed";
      return;
    }
    TFakePeer peer(fd);
    try {
      script(peer);
    } catch (const std::exception& e) {
      FFailure = e.what();
    }
    peer.Close();
  });
}

std::string TFakeServer::Finish() {
  if (!FFinished) {
    FThread.join();
    FFinished = true;
  }
  return FFailure;
}

TFakeServer::~TFakeServer() {
  if (!FFinished) {
    // Unblocks an accept that never got a client.
    shutdown(FListener, SHUT_RDWR);
    FThread.join();
  }
  ::close(FListener);
}

void TFakePeer::AnswerPacketLimitQuery(std::uint64_t bytes) {
  const TFakePacket query = ReadPacket();
  if (std::string(query.Payload.begin(), query.Payload.end()) != "\x03SELECT @@max_allowed_packet")
    throw std::runtime_error("fake server: expected the packet limit query");
  std::uint8_t sequence = 1;
  SendPacket(sequence++, {1});
  SendPacket(sequence++, ColumnDefinition41("@@max_allowed_packet", 8, 20));
  SendPacket(sequence++, EndPacket());
  SendPacket(sequence++, TextRow({std::to_string(bytes)}));
  SendPacket(sequence++, EndPacket());
}
