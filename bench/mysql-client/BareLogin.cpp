// The least a client can do for one login and logout with the socket calls the connection
// component makes: no library, no session object, one buffer. What this costs the process is the
// floor under the login figure of any client on the machine it runs on.
#include "bench/mysql-client/BenchShared.h"
#include "wire/MySqlConsts.h"
#include "wire/MySqlPassword.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

void SetOption(int socket, int level, int name, int value) {
  setsockopt(socket, level, name, &value, sizeof value);
}

int ConnectedSocket(const TServer& s) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(s.Port));
  if (inet_pton(AF_INET, s.Host.c_str(), &address.sin_addr) != 1) Die("bare login: an IPv4 address is needed");
  const int sd = socket(AF_INET, SOCK_STREAM, 0);
  SetOption(sd, SOL_SOCKET, SO_KEEPALIVE, 1);
  SetOption(sd, IPPROTO_TCP, TCP_KEEPIDLE, 15);
  SetOption(sd, IPPROTO_TCP, TCP_KEEPINTVL, 1);
  if (connect(sd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) Die("bare login: no connection");
  SetOption(sd, IPPROTO_TCP, TCP_NODELAY, 1);
  const timeval noLimit{};
  setsockopt(sd, SOL_SOCKET, SO_RCVTIMEO, &noLimit, sizeof noLimit);
  return sd;
}

// The 20 bytes of the greeting's scramble: 8 after the version text and the thread id, 12 more
// after the fixed fields.
std::array<std::uint8_t, 20> GreetingScramble(const std::uint8_t* packet, std::size_t length) {
  const std::uint8_t* end = packet + length;
  const std::uint8_t* versionEnd = std::find(packet + 5, end, 0);
  if (end - versionEnd < 1 + 4 + 8 + 1 + 2 + 1 + 2 + 2 + 1 + 10 + 12) Die("bare login: a short greeting");
  const std::uint8_t* p = versionEnd + 1 + 4;
  std::array<std::uint8_t, 20> scramble{};
  std::memcpy(scramble.data(), p, 8);
  std::memcpy(scramble.data() + 8, p + 8 + 1 + 2 + 1 + 2 + 2 + 1 + 10, 12);
  return scramble;
}

std::vector<std::uint8_t> HandshakeResponse(const TServer& s, std::span<const std::uint8_t, 20> scramble) {
  const std::uint32_t flags = CLIENT_LONG_PASSWORD | CLIENT_CONNECT_WITH_DB | CLIENT_PROTOCOL_41 |
                              CLIENT_SECURE_CONNECTION | CLIENT_PLUGIN_AUTH;
  std::vector<std::uint8_t> packet(4 + 4 + 4 + 1 + 23);
  std::memcpy(packet.data() + 4, &flags, 4);
  packet[8 + 3] = 1;  // largest packet: 16 MB
  packet[12] = 45;    // utf8mb4
  auto text = [&](const std::string& value) {
    packet.insert(packet.end(), value.c_str(), value.c_str() + value.size() + 1);
  };
  text(s.User);
  const TSHA1Digest token = Scramble41(s.Password, scramble);
  packet.push_back(static_cast<std::uint8_t>(token.size()));
  packet.insert(packet.end(), token.begin(), token.end());
  text(s.Database);
  text("mysql_native_password");
  const std::size_t body = packet.size() - 4;
  packet[0] = static_cast<std::uint8_t>(body);
  packet[1] = static_cast<std::uint8_t>(body >> 8);
  packet[2] = static_cast<std::uint8_t>(body >> 16);
  packet[3] = 1;
  return packet;
}

}  // namespace

TSink LoginBare(const TServer& s) {
  TSink sink;
  std::uint8_t reply[4096];
  for (int i = 0; i < BenchLogins; ++i) {
    const int sd = ConnectedSocket(s);
    const ssize_t greeting = recv(sd, reply, sizeof reply, 0);
    if (greeting < 5 || reply[4] != 10) Die("bare login: no greeting");
    const std::vector<std::uint8_t> response =
        HandshakeResponse(s, GreetingScramble(reply, static_cast<std::size_t>(greeting)));
    send(sd, response.data(), response.size(), 0);
    const ssize_t answer = recv(sd, reply, sizeof reply, 0);
    if (answer < 5 || reply[4] != 0) Die("bare login: the server did not accept the login");
    sink.Values += 1;
    const std::uint8_t quit[] = {1, 0, 0, 0, static_cast<std::uint8_t>(TServerCommand::scQuit)};
    send(sd, quit, sizeof quit, MSG_MORE);
    shutdown(sd, SHUT_RDWR);
    close(sd);
  }
  return sink;
}
