#pragma once
// Bounds-checked reading of a received message. A read past the end and a malformed length-encoded
// value raise 2027 "Malformed packet".
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

constexpr std::int64_t NULL_LENGTH = -1;

class TMySqlReader {
 public:
  explicit TMySqlReader(std::span<const std::uint8_t> message, std::size_t position = 0);

  std::uint8_t ReadByte();
  std::int16_t ReadInt16();
  std::uint16_t ReadUInt16();
  std::int32_t ReadInt24();
  std::int32_t ReadInt32();
  std::int64_t ReadInt64();
  void ReadBytes(void* dest, std::size_t count);
  std::span<const std::uint8_t> ReadSpan(std::size_t count);
  std::string ReadString(std::size_t length);
  // Up to the first zero byte (then skipped), or the rest of the message without one.
  std::string ReadString();
  // A length or count, length-encoded: 251 gives NULL_LENGTH; 2^63 and more are malformed.
  std::int64_t ReadFieldLength();
  // A length-encoded number of the full unsigned 64-bit range (affected rows, insert id).
  std::uint64_t ReadLengthEncodedInteger();
  // A length-encoded byte string; NULL gives an empty one.
  std::string ReadLengthString();
  void Skip(std::size_t count);

  std::size_t Position() const { return FPos; }
  void SetPosition(std::size_t position);
  std::size_t Length() const { return FMessage.size(); }
  std::size_t Remaining() const { return FMessage.size() - FPos; }

 private:
  std::uint64_t ReadLengthEncodedRest(std::uint8_t first);
  const std::uint8_t* Take(std::size_t count);

  std::span<const std::uint8_t> FMessage;
  std::size_t FPos;
};
