#pragma once
// Builders of the server's messages, as bytes, for tests.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using TBytes = std::vector<std::uint8_t>;

class TBytesWriter {
 public:
  TBytesWriter& Byte(std::uint8_t value);
  TBytesWriter& Int(std::uint64_t value, int bytes);
  TBytesWriter& Raw(std::span<const std::uint8_t> bytes);
  TBytesWriter& Raw(std::string_view text);
  TBytesWriter& ZeroString(std::string_view text);
  TBytesWriter& FieldLength(std::uint64_t n);
  TBytesWriter& LengthString(std::string_view text);
  TBytes Bytes() const { return FBytes; }

 private:
  TBytes FBytes;
};

TBytes BytesOf(std::string_view text);

// A packet as the wire carries it: 3-byte length, sequence number, payload.
TBytes WirePacket(std::uint8_t sequence, const TBytes& payload);
// One frame of the compressed protocol, its body deflated when compress is set.
TBytes WireFrame(std::uint8_t sequence, std::span<const std::uint8_t> bytes, bool compress);
// The little-endian 3-byte length that heads packets and frames.
std::size_t Int24(const std::uint8_t* bytes);

constexpr std::array<std::uint8_t, 20> TestScramble = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j',
                                                       'k', 'l', 'm', 'n', 'o', 'p', 'q', 'r', 's', 't'};

// Greeting of a 4.1 server with the given 16-bit capabilities and a 20-byte scramble.
TBytes Greeting41(std::uint16_t capabilities, std::uint8_t protocolVersion = 10);
// Greeting of a server that names its login method (CLIENT_PLUGIN_AUTH is added to capabilities).
TBytes GreetingWithMethod(std::uint32_t capabilities, std::string_view method);
// Greeting of a pre-4.1 server: it ends after the 8 scramble bytes, filler and capabilities.
TBytes GreetingPre41(std::uint16_t capabilities);

TBytes OkPacket(std::uint64_t affectedRows = 0, std::uint64_t insertId = 0, std::uint16_t status = 2,
                std::uint16_t warnings = 0, std::string_view info = {});
TBytes ErrorPacket(std::uint16_t code, std::string_view text);
TBytes EndPacket(std::uint16_t warnings = 0, std::uint16_t status = 2);
TBytes ColumnDefinition41(std::string_view name, std::uint8_t type = 253, std::uint32_t length = 64,
                          std::uint16_t flags = 0, std::string_view table = "t");
TBytes TextRow(const std::vector<std::optional<std::string>>& values);
