#include "tests/support/ProtocolBytes.h"

#include <zlib.h>

TBytesWriter& TBytesWriter::Byte(std::uint8_t value) {
  FBytes.push_back(value);
  return *this;
}

TBytesWriter& TBytesWriter::Int(std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) FBytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  return *this;
}

TBytesWriter& TBytesWriter::Raw(std::span<const std::uint8_t> bytes) {
  FBytes.insert(FBytes.end(), bytes.begin(), bytes.end());
  return *this;
}

TBytesWriter& TBytesWriter::Raw(std::string_view text) {
  FBytes.insert(FBytes.end(), text.begin(), text.end());
  return *this;
}

TBytesWriter& TBytesWriter::ZeroString(std::string_view text) {
  return Raw(text).Byte(0);
}

TBytesWriter& TBytesWriter::FieldLength(std::uint64_t n) {
  if (n <= 250) return Byte(static_cast<std::uint8_t>(n));
  if (n <= 0xFFFF) return Byte(252).Int(n, 2);
  if (n <= 0xFFFFFF) return Byte(253).Int(n, 3);
  return Byte(254).Int(n, 8);
}

TBytesWriter& TBytesWriter::LengthString(std::string_view text) {
  return FieldLength(text.size()).Raw(text);
}

TBytes BytesOf(std::string_view text) {
  return TBytes(text.begin(), text.end());
}

TBytes WirePacket(std::uint8_t sequence, const TBytes& payload) {
  return TBytesWriter().Int(payload.size(), 3).Byte(sequence).Raw(payload).Bytes();
}

TBytes WireFrame(std::uint8_t sequence, std::span<const std::uint8_t> bytes, bool compress) {
  TBytes body(bytes.begin(), bytes.end());
  std::size_t uncompressed = 0;
  if (compress) {
    uLongf length = compressBound(bytes.size());
    body.resize(length);
    compress2(body.data(), &length, bytes.data(), bytes.size(), Z_DEFAULT_COMPRESSION);
    body.resize(length);
    uncompressed = bytes.size();
  }
  return TBytesWriter().Int(body.size(), 3).Byte(sequence).Int(uncompressed, 3).Raw(body).Bytes();
}

std::size_t Int24(const std::uint8_t* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16;
}

TBytes Greeting41(std::uint16_t capabilities, std::uint8_t protocolVersion) {
  return TBytesWriter()
      .Byte(protocolVersion)
      .ZeroString("5.5.36-fake")
      .Int(77, 4)
      .Raw(std::span(TestScramble).first(8))
      .Byte(0)
      .Int(capabilities, 2)
      .Byte(8)
      .Int(2, 2)
      .Raw(TBytes(13, 0))
      .Raw(std::span(TestScramble).subspan(8))
      .Byte(0)
      .Bytes();
}

TBytes GreetingWithMethod(std::uint32_t capabilities, std::string_view method) {
  capabilities |= 0x80000;
  return TBytesWriter()
      .Byte(10)
      .ZeroString("8.4.0-fake")
      .Int(79, 4)
      .Raw(std::span(TestScramble).first(8))
      .Byte(0)
      .Int(capabilities & 0xFFFF, 2)
      .Byte(45)
      .Int(2, 2)
      .Int(capabilities >> 16, 2)
      .Byte(21)
      .Raw(TBytes(10, 0))
      .Raw(std::span(TestScramble).subspan(8))
      .Byte(0)
      .ZeroString(method)
      .Bytes();
}

TBytes GreetingPre41(std::uint16_t capabilities) {
  return TBytesWriter()
      .Byte(10)
      .ZeroString("4.0.27-fake")
      .Int(78, 4)
      .Raw(std::span(TestScramble).first(8))
      .Byte(0)
      .Int(capabilities, 2)
      .Bytes();
}

TBytes OkPacket(std::uint64_t affectedRows, std::uint64_t insertId, std::uint16_t status, std::uint16_t warnings,
                std::string_view info) {
  return TBytesWriter()
      .Byte(0)
      .FieldLength(affectedRows)
      .FieldLength(insertId)
      .Int(status, 2)
      .Int(warnings, 2)
      .LengthString(info)
      .Bytes();
}

TBytes ErrorPacket(std::uint16_t code, std::string_view text) {
  return TBytesWriter().Byte(255).Int(code, 2).Raw(text).Bytes();
}

TBytes EndPacket(std::uint16_t warnings, std::uint16_t status) {
  return TBytesWriter().Byte(254).Int(warnings, 2).Int(status, 2).Bytes();
}

TBytes ColumnDefinition41(std::string_view name, std::uint8_t type, std::uint32_t length, std::uint16_t flags,
                          std::string_view table) {
  return TBytesWriter()
      .LengthString("def")
      .LengthString("kova")
      .LengthString(table)
      .LengthString(table)
      .LengthString(name)
      .LengthString(name)
      .Byte(12)
      .Int(33, 2)
      .Int(length, 4)
      .Byte(type)
      .Int(flags, 2)
      .Byte(0)
      .Int(0, 2)
      .Bytes();
}

TBytes TextRow(const std::vector<std::optional<std::string>>& values) {
  TBytesWriter row;
  for (const auto& value : values) {
    if (value)
      row.LengthString(*value);
    else
      row.Byte(251);
  }
  return row.Bytes();
}
