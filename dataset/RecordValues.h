#pragma once
// Reading and writing field values in the binary form a record holds them.
#include "dataset/FieldDesc.h"
#include "dataset/MemData.h"
#include "dataset/Value.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

class TBlob;

// Reading and writing the binary form of field values in records.

// The value of a field of a record (NULL as monostate).
TValue ReadFieldValue(const TMemData& data, const char* record, const TFieldDesc& desc);
// The bytes of a field held as 8-bit text or bytes where the record holds them, for reading them
// without a copy; nullopt for NULL and for fields of other types.
std::optional<std::string_view> StoredBytesOf(const TMemData& data, const char* record, const TFieldDesc& desc);
// Writes the text of a field held as text, bytes, a date-time, an integer or a boolean into out,
// reusing out's room (NULL gives an empty text); false, with out untouched, for a field whose
// text is formatted from its value.
bool ReadFieldText(const TMemData& data, const char* record, const TFieldDesc& desc, std::string& out);
// Stores a value already in the field's native form (see TField::ToNative), or NULL.
void WriteFieldValue(TMemData& data, char* record, const TFieldDesc& desc, const TValue& value);
// True when the field of the record holds no value; a large object with data is never NULL.
bool IsFieldNull(const TMemData& data, const char* record, const TFieldDesc& desc);

// Out-of-line values: the length before the bytes, so that embedded zeros survive, and a zero
// byte after them. The length takes one byte below 255 (the usual short texts: a MAC address
// then fits a 24-byte heap buffer instead of 32), and otherwise that byte at 255 and four more.
// Wide text is kept there as UTF-8, which holds the usual texts in half the room of UTF-16 and
// hands them out without conversion.
char* AllocExtBytes(TStringHeap& heap, std::string_view bytes);
std::string_view ExtBytes(const char* buffer);
// As AllocExtBytes for a value of a fetched column: a short value equal to one of the column's
// recent ones shares its buffer.
char* AllocColumnExtBytes(TStringHeap& heap, std::size_t column, std::string_view bytes);

// Inline wide text: UTF-16 units with room for a terminator, or, when every character is ASCII,
// one byte each with a mark in the field's last byte (never set by UTF-16 text, whose last unit
// is its terminator), so that fetching and reading the usual texts is a copy. StoreAsciiWide
// takes at most desc.Length characters into a field cleared before.
void StoreAsciiWide(char* record, const TFieldDesc& desc, std::string_view ascii);

// Looked at eight bytes at a time, the tail in one overlapping look: most texts are plain ASCII.
inline bool IsAsciiText(std::string_view text) {
  auto word64 = [](const char* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
  };
  auto word32 = [](const char* at) {
    std::uint32_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
  };
  const char* data = text.data();
  std::size_t size = text.size();
  std::uint64_t high = 0;
  if (size >= 8) {
    for (std::size_t i = 0; i + 8 <= size; i += 8) high |= word64(data + i);
    high |= word64(data + size - 8);
  } else if (size >= 4) {
    high = word32(data) | word32(data + size - 4);
  } else if (size > 0) {  // indices 0, size / 2 and size - 1 cover up to three characters
    high = static_cast<unsigned char>(data[0]) | static_cast<unsigned char>(data[size / 2]) |
           static_cast<unsigned char>(data[size - 1]);
  }
  return (high & 0x8080808080808080ULL) == 0;
}

// Decimal text packed two characters a byte, for FMT-BCD fields; text that does not fit in
// the field is refused with false.
bool PackDecimalText(char* destination, int size, std::string_view text);
std::string UnpackDecimalText(const char* source, int size);

TBlob* LoadBlob(const char* record, const TFieldDesc& desc);
char* LoadReference(const char* record, const TFieldDesc& desc);
void StoreReference(char* record, const TFieldDesc& desc, const void* reference);
