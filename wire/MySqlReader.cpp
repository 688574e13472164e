#include "wire/MySqlReader.h"

#include "wire/MySqlErrors.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

std::uint64_t LittleEndian(const std::uint8_t* p, int bytes) {
  std::uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

}  // namespace

TMySqlReader::TMySqlReader(std::span<const std::uint8_t> message, std::size_t position) : FMessage(message), FPos(0) {
  SetPosition(position);
}

void TMySqlReader::SetPosition(std::size_t position) {
  if (position > FMessage.size()) throw EMySqlException(CR_MALFORMED_PACKET);
  FPos = position;
}

const std::uint8_t* TMySqlReader::Take(std::size_t count) {
  if (count > Remaining()) throw EMySqlException(CR_MALFORMED_PACKET);
  const std::uint8_t* p = FMessage.data() + FPos;
  FPos += count;
  return p;
}

std::uint8_t TMySqlReader::ReadByte() {
  return *Take(1);
}
std::int16_t TMySqlReader::ReadInt16() {
  return static_cast<std::int16_t>(LittleEndian(Take(2), 2));
}
std::uint16_t TMySqlReader::ReadUInt16() {
  return static_cast<std::uint16_t>(LittleEndian(Take(2), 2));
}
std::int32_t TMySqlReader::ReadInt24() {
  return static_cast<std::int32_t>(LittleEndian(Take(3), 3));
}
std::int32_t TMySqlReader::ReadInt32() {
  return static_cast<std::int32_t>(LittleEndian(Take(4), 4));
}

std::int64_t TMySqlReader::ReadInt64() {
  return static_cast<std::int64_t>(LittleEndian(Take(8), 8));
}

void TMySqlReader::ReadBytes(void* dest, std::size_t count) {
  const std::uint8_t* p = Take(count);
  if (count > 0) std::memcpy(dest, p, count);
}

std::span<const std::uint8_t> TMySqlReader::ReadSpan(std::size_t count) {
  return {Take(count), count};
}

std::string TMySqlReader::ReadString(std::size_t length) {
  const std::uint8_t* p = Take(length);
  return std::string(reinterpret_cast<const char*>(p), length);
}

std::string TMySqlReader::ReadString() {
  const auto rest = FMessage.subspan(FPos);
  const auto zero = std::find(rest.begin(), rest.end(), std::uint8_t{0});
  const auto length = static_cast<std::size_t>(zero - rest.begin());
  std::string text = ReadString(length);
  if (zero != rest.end()) ++FPos;
  return text;
}

std::uint64_t TMySqlReader::ReadLengthEncodedRest(std::uint8_t first) {
  switch (first) {
    case 252:
      return ReadUInt16();
    case 253:
      return static_cast<std::uint64_t>(ReadInt24());
    case 254:
      return static_cast<std::uint64_t>(ReadInt64());
    case 251:  // NULL, which only a row value may be
    case 255:
      throw EMySqlException(CR_MALFORMED_PACKET);
    default:
      return first;
  }
}

std::uint64_t TMySqlReader::ReadLengthEncodedInteger() {
  return ReadLengthEncodedRest(ReadByte());
}

std::int64_t TMySqlReader::ReadFieldLength() {
  const std::uint8_t first = ReadByte();
  if (first == 251) return NULL_LENGTH;
  // No message holds 2^63 bytes or items; a value that reads as negative is malformed.
  const std::uint64_t value = ReadLengthEncodedRest(first);
  if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
    throw EMySqlException(CR_MALFORMED_PACKET);
  return static_cast<std::int64_t>(value);
}

std::string TMySqlReader::ReadLengthString() {
  const std::int64_t length = ReadFieldLength();
  if (length <= 0) return {};
  if (static_cast<std::uint64_t>(length) > Remaining()) throw EMySqlException(CR_MALFORMED_PACKET);
  return ReadString(static_cast<std::size_t>(length));
}

void TMySqlReader::Skip(std::size_t count) {
  Take(count);
}
