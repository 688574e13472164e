// Speed-critical: timed by bench/DatasetBench.cpp (bench/run.sh); the RecordValues tests in
// tests/dataset/RecordStoreTest.cpp guard its shortcuts.
#include "dataset/RecordValues.h"

#include "dataset/Blob.h"
#include "dataset/DateTime.h"
#include "dataset/Exceptions.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

template <typename T>
T Load(const char* record, const TFieldDesc& desc) {
  T value;
  std::memcpy(&value, record + desc.Offset, sizeof value);
  return value;
}

template <typename T>
void Store(char* record, const TFieldDesc& desc, T value) {
  std::memcpy(record + desc.Offset, &value, sizeof value);
}

// Inline text ends at its last non-zero unit, so that zeros inside it are kept.
std::string_view InlineBytes(const char* record, const TFieldDesc& desc, int capacity) {
  const char* begin = record + desc.Offset;
  int length = capacity;
  while (length > 0 && begin[length - 1] == 0) --length;
  return {begin, static_cast<std::size_t>(length)};
}

constexpr char AsciiWideMark = 1;

// The first byte of an out-of-line value that holds its length, or this when four more do.
constexpr unsigned LongExtLength = 255;

// Inline wide text as UTF-8, up to its last non-zero unit; plain ASCII in UTF-16 units is
// narrowed unit by unit without an intermediate UTF-16 string.
void AssignInlineWide(const char* record, const TFieldDesc& desc, std::string& out) {
  const char* begin = record + desc.Offset;
  if (begin[desc.Size - 1] == AsciiWideMark) {
    std::string_view ascii = InlineBytes(record, desc, desc.Length);
    out.resize(ascii.size());
    std::memcpy(out.data(), ascii.data(), ascii.size());
    return;
  }
  auto unitAt = [begin](std::size_t i) {
    char16_t unit;
    std::memcpy(&unit, begin + 2 * i, sizeof unit);
    return unit;
  };
  auto length = static_cast<std::size_t>(desc.Length);
  while (length > 0 && unitAt(length - 1) == 0) --length;
  out.resize(length);
  for (std::size_t i = 0; i < length; ++i) {
    char16_t unit = unitAt(i);
    if (unit >= 0x80) {
      std::u16string wide(length, u'\0');
      std::memcpy(wide.data(), begin, length * 2);
      out = Utf16ToUtf8(wide);
      return;
    }
    out[i] = static_cast<char>(unit);
  }
}

bool IsStoredAsBytes(TDataType type) {
  switch (type) {
    case dtString:
    case dtBytes:
    case dtExtString:
    case dtExtVarBytes:
    case dtExtWideString:
    case dtVarBytes:
      return true;
    default:
      return false;
  }
}

// The bytes of a field stored as 8-bit text or bytes (IsStoredAsBytes), where they lie.
std::string_view StoredBytes(const char* record, const TFieldDesc& desc) {
  switch (desc.DataType) {
    case dtString:
      return InlineBytes(record, desc, desc.Size - 1);
    case dtBytes:
      return {record + desc.Offset, static_cast<std::size_t>(desc.Length)};
    case dtVarBytes: {
      auto length = std::min<std::uint16_t>(Load<std::uint16_t>(record, desc), static_cast<std::uint16_t>(desc.Length));
      return {record + desc.Offset + 2, length};
    }
    default: {
      const char* buffer = LoadReference(record, desc);
      return buffer ? ExtBytes(buffer) : std::string_view();
    }
  }
}

constexpr std::string_view DecimalAlphabet = "0123456789.-+eE";

// Values from SharedLengthLimit bytes on are not shared: below it the length takes one byte.
constexpr std::size_t SharedLengthLimit = 64;
static_assert(SharedLengthLimit < LongExtLength);

// Whether count bytes at a and b are the same; for the short values of a column, compared by
// words that overlap rather than through a call. Never reads outside the count bytes.
inline bool SameShortBytes(const char* a, const char* b, std::size_t count) {
  auto differ = [a, b](std::size_t at, auto word) {
    decltype(word) x, y;
    std::memcpy(&x, a + at, sizeof x);
    std::memcpy(&y, b + at, sizeof y);
    return x != y;
  };
  if (count >= 8) {
    for (std::size_t at = 0; at + 8 < count; at += 8)
      if (differ(at, std::uint64_t{})) return false;
    return !differ(count - 8, std::uint64_t{});
  }
  if (count >= 4) return !differ(0, std::uint32_t{}) && !differ(count - 4, std::uint32_t{});
  for (std::size_t i = 0; i < count; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

}  // namespace

void StoreAsciiWide(char* record, const TFieldDesc& desc, std::string_view ascii) {
  char* field = record + desc.Offset;
  std::memcpy(field, ascii.data(), std::min(ascii.size(), static_cast<std::size_t>(desc.Length)));
  field[desc.Size - 1] = AsciiWideMark;
}

TBlob* LoadBlob(const char* record, const TFieldDesc& desc) {
  return Load<TBlob*>(record, desc);
}

char* LoadReference(const char* record, const TFieldDesc& desc) {
  return Load<char*>(record, desc);
}

void StoreReference(char* record, const TFieldDesc& desc, const void* reference) {
  std::memcpy(record + desc.Offset, &reference, sizeof reference);
}

char* AllocExtBytes(TStringHeap& heap, std::string_view bytes) {
  const auto length = static_cast<std::uint32_t>(bytes.size());
  const std::size_t prefix = length < LongExtLength ? 1 : 1 + sizeof length;
  char* buffer = heap.Alloc(prefix + bytes.size() + 1);
  if (prefix == 1) {
    buffer[0] = static_cast<char>(length);
  } else {
    buffer[0] = static_cast<char>(LongExtLength);
    std::memcpy(buffer + 1, &length, sizeof length);
  }
  std::memcpy(buffer + prefix, bytes.data(), bytes.size());
  buffer[prefix + bytes.size()] = 0;
  return buffer;
}

char* AllocColumnExtBytes(TStringHeap& heap, std::size_t column, std::string_view bytes) {
  // Longer texts seldom repeat, and comparing them would cost more than it saves.
  if (bytes.size() > SharedLengthLimit) return AllocExtBytes(heap, bytes);
  auto holdsBytes = [bytes](const char* buffer) {
    return static_cast<unsigned char>(buffer[0]) == bytes.size() &&
           SameShortBytes(buffer + 1, bytes.data(), bytes.size());
  };
  if (char* shared = heap.FindRecent(column, holdsBytes)) return shared;
  char* buffer = AllocExtBytes(heap, bytes);
  heap.KeepRecent(column, buffer);
  return buffer;
}

std::string_view ExtBytes(const char* buffer) {
  const auto first = static_cast<unsigned char>(buffer[0]);
  if (first < LongExtLength) return {buffer + 1, first};
  std::uint32_t length;
  std::memcpy(&length, buffer + 1, sizeof length);
  return {buffer + 1 + sizeof length, length};
}

bool PackDecimalText(char* destination, int size, std::string_view text) {
  if (text.size() > static_cast<std::size_t>(size) * 2) return false;
  std::memset(destination, 0, static_cast<std::size_t>(size));
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::size_t code = DecimalAlphabet.find(text[i]);
    if (code == std::string_view::npos) return false;
    auto nibble = static_cast<unsigned char>(code + 1);
    destination[i / 2] = static_cast<char>(destination[i / 2] | (i % 2 ? nibble : nibble << 4));
  }
  return true;
}

std::string UnpackDecimalText(const char* source, int size) {
  std::string text;
  for (int i = 0; i < size * 2; ++i) {
    auto byte = static_cast<unsigned char>(source[i / 2]);
    unsigned nibble = i % 2 ? byte & 0x0F : byte >> 4;
    if (nibble == 0 || nibble > DecimalAlphabet.size()) break;
    text += DecimalAlphabet[nibble - 1];
  }
  return text;
}

bool IsFieldNull(const TMemData& data, const char* record, const TFieldDesc& desc) {
  if (IsBlobType(desc.DataType)) {
    const TBlob* blob = LoadBlob(record, desc);
    if (blob && !blob->IsEmpty()) return false;
  }
  return data.IsNull(record, desc);
}

std::optional<std::string_view> StoredBytesOf(const TMemData& data, const char* record, const TFieldDesc& desc) {
  if (!IsStoredAsBytes(desc.DataType) || IsFieldNull(data, record, desc)) return std::nullopt;
  return StoredBytes(record, desc);
}

TValue ReadFieldValue(const TMemData& data, const char* record, const TFieldDesc& desc) {
  if (IsFieldNull(data, record, desc)) return {};
  if (IsStoredAsBytes(desc.DataType)) return std::string(StoredBytes(record, desc));
  switch (desc.DataType) {
    case dtWideString: {
      std::string text;
      AssignInlineWide(record, desc, text);
      return text;
    }
    case dtInt8:
    case dtInt16:
      return std::int64_t{Load<std::int16_t>(record, desc)};
    case dtUInt8:
    case dtUInt16:
      return std::int64_t{Load<std::uint16_t>(record, desc)};
    case dtBoolean:
      return Load<std::int16_t>(record, desc) != 0;
    case dtInt32:
      return std::int64_t{Load<std::int32_t>(record, desc)};
    case dtUInt32:
      return std::int64_t{Load<std::uint32_t>(record, desc)};
    case dtInt64:  // BIGINT UNSIGNED and BIT(64) values reach 2^64 - 1
      if (desc.IsUnsigned) return Load<std::uint64_t>(record, desc);
      return Load<std::int64_t>(record, desc);
    case dtUInt64:
      return Load<std::uint64_t>(record, desc);
    case dtFloat:
    case dtDate:
    case dtTime:
    case dtDateTime:
    case dtSQLTimeStamp:
      return Load<double>(record, desc);
    case dtBCD:
    case dtCurrency:
      return static_cast<double>(Load<std::int64_t>(record, desc)) / 10000.0;
    case dtFMTBCD:
      return UnpackDecimalText(record + desc.Offset, desc.Size);
    case dtBlob:
    case dtMemo:
    case dtWideMemo: {
      const TBlob* blob = LoadBlob(record, desc);
      return blob ? blob->AsString() : std::string();
    }
    default:
      return {};
  }
}

namespace {

char* WriteDateText(char* out, TDataType type, double value) {
  if (type == dtDate) return WriteDate(out, value);
  return type == dtTime ? WriteTime(out, value) : WriteDateTime(out, value);
}

// The text ReadFieldValue's integer or boolean would be formatted to, written from the record.
char* WriteIntegerText(char* out, const char* record, const TFieldDesc& desc) {
  char* end = out + 24;
  switch (desc.DataType) {
    case dtInt8:
    case dtInt16:
      return std::to_chars(out, end, Load<std::int16_t>(record, desc)).ptr;
    case dtUInt8:
    case dtUInt16:
      return std::to_chars(out, end, Load<std::uint16_t>(record, desc)).ptr;
    case dtBoolean:
      *out = Load<std::int16_t>(record, desc) != 0 ? '1' : '0';
      return out + 1;
    case dtInt32:
      return std::to_chars(out, end, Load<std::int32_t>(record, desc)).ptr;
    case dtUInt32:
      return std::to_chars(out, end, Load<std::uint32_t>(record, desc)).ptr;
    case dtInt64:
      if (desc.IsUnsigned) return std::to_chars(out, end, Load<std::uint64_t>(record, desc)).ptr;
      return std::to_chars(out, end, Load<std::int64_t>(record, desc)).ptr;
    default:
      return std::to_chars(out, end, Load<std::uint64_t>(record, desc)).ptr;
  }
}

}  // namespace

bool ReadFieldText(const TMemData& data, const char* record, const TFieldDesc& desc, std::string& out) {
  // Every value of a grid passes here: one switch, the text written straight from the record
  // with no value on the way, and one assignment for all kinds so that it stays inlined.
  char buffer[std::max<std::size_t>(DateTimeTextCapacity, 24)];
  std::string_view text;
  bool isNull = data.IsNull(record, desc);
  switch (desc.DataType) {
    case dtWideString:
      if (isNull) break;
      AssignInlineWide(record, desc, out);
      return true;
    case dtString:
    case dtBytes:
    case dtVarBytes:
    case dtExtString:
    case dtExtVarBytes:
    case dtExtWideString:
      if (!isNull) text = StoredBytes(record, desc);
      break;
    case dtDate:
    case dtTime:
    case dtDateTime:
      if (!isNull) text = {buffer, WriteDateText(buffer, desc.DataType, Load<double>(record, desc))};
      break;
    case dtInt8:
    case dtInt16:
    case dtUInt8:
    case dtUInt16:
    case dtBoolean:
    case dtInt32:
    case dtUInt32:
    case dtInt64:
    case dtUInt64:
      if (!isNull) text = {buffer, WriteIntegerText(buffer, record, desc)};
      break;
    default:
      return false;
  }
  out.assign(text);
  return true;
}

void WriteFieldValue(TMemData& data, char* record, const TFieldDesc& desc, const TValue& value) {
  bool isNull = IsNullValue(value);
  TStringHeap& heap = data.StringHeap();
  if (IsOutOfLineType(desc.DataType)) {
    if (char* old = LoadReference(record, desc)) heap.DisposeBuf(old);
    StoreReference(record, desc, nullptr);
  } else if (IsBlobType(desc.DataType)) {
    // The record may share its large object with the stored row: replace it, never change it.
    if (TBlob* old = LoadBlob(record, desc)) old->Release();
    TBlob* blob = new TCompressedBlob(desc.DataType == dtWideMemo);
    StoreReference(record, desc, blob);
    if (!isNull) blob->SetAsString(std::get<std::string>(value));
    blob->Commit();
  } else {
    std::memset(record + desc.Offset, 0, static_cast<std::size_t>(desc.Size));
  }
  data.SetNullFlag(record, desc, isNull);
  if (isNull) return;

  switch (desc.DataType) {
    case dtString:
    case dtBytes: {
      const std::string& text = std::get<std::string>(value);
      std::size_t limit = static_cast<std::size_t>(desc.DataType == dtString ? desc.Size - 1 : desc.Length);
      std::memcpy(record + desc.Offset, text.data(), std::min(text.size(), limit));
      break;
    }
    case dtWideString: {
      if (IsAsciiText(std::get<std::string>(value))) {
        StoreAsciiWide(record, desc, std::get<std::string>(value));
        break;
      }
      std::u16string text = Utf8ToUtf16(std::get<std::string>(value));
      std::size_t units = std::min(text.size(), static_cast<std::size_t>(desc.Length));
      std::memcpy(record + desc.Offset, text.data(), units * 2);
      break;
    }
    case dtVarBytes: {
      const std::string& bytes = std::get<std::string>(value);
      auto length =
          static_cast<std::uint16_t>(std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(desc.Length)));
      Store(record, desc, length);
      std::memcpy(record + desc.Offset + 2, bytes.data(), length);
      break;
    }
    case dtExtString:
    case dtExtVarBytes:
    case dtExtWideString:
      StoreReference(record, desc, AllocExtBytes(heap, std::get<std::string>(value)));
      break;
    case dtInt8:
    case dtInt16:
      Store(record, desc, static_cast<std::int16_t>(std::get<std::int64_t>(value)));
      break;
    case dtUInt8:
    case dtUInt16:
      Store(record, desc, static_cast<std::uint16_t>(std::get<std::int64_t>(value)));
      break;
    case dtBoolean:
      Store(record, desc, static_cast<std::int16_t>(std::get<bool>(value) ? -1 : 0));
      break;
    case dtInt32:
      Store(record, desc, static_cast<std::int32_t>(std::get<std::int64_t>(value)));
      break;
    case dtUInt32:
      Store(record, desc, static_cast<std::uint32_t>(std::get<std::int64_t>(value)));
      break;
    case dtInt64:
      if (const auto* u = std::get_if<std::uint64_t>(&value)) {
        if (!desc.IsUnsigned && *u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
          throw EConvertError(FormatMessage("'%s' is not a valid integer value", std::to_string(*u).c_str()));
        Store(record, desc, *u);
      } else {
        Store(record, desc, std::get<std::int64_t>(value));
      }
      break;
    case dtUInt64:
      Store(record, desc, static_cast<std::uint64_t>(std::get<std::int64_t>(value)));
      break;
    case dtFloat:
    case dtDate:
    case dtTime:
    case dtDateTime:
    case dtSQLTimeStamp:
      Store(record, desc, std::get<double>(value));
      break;
    case dtBCD:
    case dtCurrency:
      Store(record, desc, static_cast<std::int64_t>(std::llround(std::get<double>(value) * 10000.0)));
      break;
    case dtFMTBCD:
      if (!PackDecimalText(record + desc.Offset, desc.Size, std::get<std::string>(value)))
        throw EConvertError(FormatMessage("'%s' is not a valid BCD value", std::get<std::string>(value).c_str()));
      break;
    default:
      break;
  }
}
