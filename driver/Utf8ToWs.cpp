#include "driver/Utf8ToWs.h"

#include "dataset/Exceptions.h"

namespace {

// The last byte of a sequence: a trail byte below 0xC1.
unsigned char LastByte(unsigned char byte) {
  if (byte >= 0xC1) throw EConvertError("malformed trail byte");
  return byte;
}

unsigned char InnerByte(unsigned char byte) {
  if ((byte & 0xC0) != 0x80) throw EConvertError("malformed trail byte or out of range char");
  return byte;
}

}  // namespace

std::size_t Utf8ToWs(std::string_view source, char16_t* destination, std::size_t capacity, bool terminate) {
  std::size_t room = terminate && capacity > 0 ? capacity - 1 : capacity;
  std::size_t written = 0, i = 0;
  while (i < source.size() && written < room) {
    auto lead = static_cast<unsigned char>(source[i]);
    if (lead >= 0xF0) {
      // A character beyond the 16-bit range: a surrogate pair, never split at the end.
      if (i + 3 >= source.size()) throw EConvertError("incomplete multibyte char");
      char32_t code = ((lead & 0x07u) << 18) | ((InnerByte(static_cast<unsigned char>(source[i + 1])) & 0x3Fu) << 12) |
                      ((InnerByte(static_cast<unsigned char>(source[i + 2])) & 0x3Fu) << 6) |
                      (LastByte(static_cast<unsigned char>(source[i + 3])) & 0x3Fu);
      if (lead > 0xF4 || code < 0x10000 || code > 0x10FFFF)
        throw EConvertError("malformed trail byte or out of range char");
      if (written + 2 > room) break;
      code -= 0x10000;
      destination[written++] = static_cast<char16_t>(0xD800 | (code >> 10));
      destination[written++] = static_cast<char16_t>(0xDC00 | (code & 0x3FF));
      i += 4;
      continue;
    }
    char16_t unit;
    if (lead < 0x80) {
      unit = lead;
      i += 1;
    } else if (!(lead & 0x20)) {
      if (i + 1 >= source.size()) throw EConvertError("incomplete multibyte char");
      unit = static_cast<char16_t>(((lead & 0x1F) << 6) | (LastByte(static_cast<unsigned char>(source[i + 1])) & 0x3F));
      i += 2;
    } else {
      if (i + 2 >= source.size()) throw EConvertError("incomplete multibyte char");
      auto second = InnerByte(static_cast<unsigned char>(source[i + 1]));
      unit = static_cast<char16_t>(((lead & 0x0F) << 12) | ((second & 0x3F) << 6) |
                                   (LastByte(static_cast<unsigned char>(source[i + 2])) & 0x3F));
      i += 3;
    }
    destination[written++] = unit;
  }
  if (terminate && capacity > 0) destination[written] = 0;
  return written;
}
