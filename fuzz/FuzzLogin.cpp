// The server's side of a login through a memory transport: the greeting, the scrambles made from
// it, and the reply to the handshake (OK, error, old-password request or the 4.1.0 exchange).
#include "tests/support/MemoryVio.h"
#include "wire/MySqlConsts.h"
#include "wire/MySqlErrors.h"
#include "wire/MySqlMessages.h"
#include "wire/MySqlNet.h"
#include "wire/MySqlPassword.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMySqlNet net;
  net.SetVio(std::make_unique<TMemoryVio>(TBytes(data, data + size)));
  net.NewCommand();
  try {
    net.ReceiveRow();
    TMySqlGreeting greeting = ParseGreeting(net.GetRow());
    (void)Scramble41("secret", greeting.Scramble);
    (void)ScrambleOld("secret", std::span(greeting.Scramble).first(8));
    net.SendEmpty();
    net.ReceiveRow();
    const auto reply = net.GetRow();
    if (reply.size() == 24 && reply[0] != 0) {
      std::array<std::uint8_t, 24> message;
      std::copy(reply.begin(), reply.end(), message.begin());
      (void)Scramble410("secret", message);
    } else if (!reply.empty() && reply[0] == 0) {
      TMySqlReader reader(reply, 1);
      (void)ParseOkPacket(reader, greeting.ServerCapabilities & CLIENT_PROTOCOL_41, true);
    }
  } catch (const EMySqlException&) {
  }
  return 0;
}
