#include "mysql/Utf8ToWs.h"

#include "data/Exceptions.h"

namespace {

// The last byte of a sequence: a trail byte below 0xC1.
unsigned char LastByte(unsigned char byte) {
  if (byte >= 0xC1) throw EConvertError("malformed trail byte");
  return byte;
}

}  // namespace

std::size_t Utf8ToWs(std::string_view source, char16_t* destination, std::size_t capacity,
                     bool terminate) {
  std::size_t room = terminate && capacity > 0 ? capacity - 1 : capacity;
  std::size_t written = 0, i = 0;
  while (i < source.size() && written < room) {
    auto lead = static_cast<unsigned char>(source[i]);
    char16_t unit;
    if (lead < 0x80) {
      unit = lead;
      i += 1;
    } else if (!(lead & 0x20)) {
      if (i + 1 >= source.size()) throw EConvertError("incomplete multibyte char");
      unit = static_cast<char16_t>(((lead & 0x1F) << 6) |
                                   (LastByte(static_cast<unsigned char>(source[i + 1])) & 0x3F));
      i += 2;
    } else {
      if (i + 2 >= source.size()) throw EConvertError("incomplete multibyte char");
      auto second = static_cast<unsigned char>(source[i + 1]);
      if ((second & 0xC0) != 0x80) throw EConvertError("malformed trail byte or out of range char");
      unit = static_cast<char16_t>(((lead & 0x0F) << 12) | ((second & 0x3F) << 6) |
                                   (LastByte(static_cast<unsigned char>(source[i + 2])) & 0x3F));
      i += 3;
    }
    destination[written++] = unit;
  }
  if (terminate && capacity > 0) destination[written] = 0;
  return written;
}
