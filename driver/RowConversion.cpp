// Speed-critical: timed by bench/DatasetBench.cpp (bench/run.sh); tests/driver/RowConversionTest.cpp guards its
// shortcuts.
#include "driver/RowConversion.h"

#include "dataset/Blob.h"
#include "dataset/DateTime.h"
#include "dataset/Exceptions.h"
#include "dataset/RecordValues.h"
#include "driver/Utf8ToWs.h"
#include "platform/AnsiText.h"
#include "wire/MySqlField.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

namespace {

template <typename T>
void StoreAt(char* record, const TFieldDesc& desc, T value) {
  std::memcpy(record + desc.Offset, &value, sizeof value);
}

// A decimal number read without checks, as the server always sends one; in 64 bits for
// 8-byte fields and unsigned 32-bit ones, else in 32.
std::uint64_t ParseInteger(std::string_view text, bool wide) {
  bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  std::uint64_t value = 0;
  for (char c : text) value = value * 10 + static_cast<std::uint64_t>(static_cast<unsigned char>(c) - '0');
  if (negative) value = 0 - value;
  return wide ? value : static_cast<std::uint32_t>(value);
}

std::uint64_t BigEndian(std::string_view bytes) {
  std::uint64_t value = 0;
  for (char c : bytes) value = value << 8 | static_cast<unsigned char>(c);
  return value;
}

int FullYear(int twoDigits) {
  return twoDigits < 70 ? 2000 + twoDigits : 1900 + twoDigits;
}

struct TDateText {
  int Year = 0, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};

// The milliseconds of fractional seconds (".5", ".123456") at text[at]; 0 without a point. The
// record holds milliseconds, so further digits are dropped.
int MilliSecondsAt(std::string_view text, std::size_t at) {
  if (at >= text.size() || text[at] != '.') return 0;
  int ms = 0, digits = 0;
  for (std::size_t i = at + 1; i < text.size() && digits < 3 && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
    ms = ms * 10 + (text[i] - '0');
  for (; digits < 3; ++digits) ms *= 10;
  return ms;
}

// Reads the compact TIMESTAMP forms by display width; false when digits are missing.
bool ReadTimestamp(std::string_view text, int width, TDateText& d) {
  switch (width) {
    case 2:
      if (!ReadDigits(text, 0, 2, d.Year)) return false;
      d.Year = FullYear(d.Year);
      return true;
    case 4:
    case 6:
    case 10:
    case 12: {
      if (!ReadDigits(text, 0, 2, d.Year) || !ReadDigits(text, 2, 2, d.Month)) return false;
      d.Year = FullYear(d.Year);
      if (width >= 6 && !ReadDigits(text, 4, 2, d.Day)) return false;
      if (width >= 10 && (!ReadDigits(text, 6, 2, d.Hour) || !ReadDigits(text, 8, 2, d.Minute))) return false;
      return width < 12 || ReadDigits(text, 10, 2, d.Second);
    }
    case 8:
    case 14:
      if (!ReadDigits(text, 0, 4, d.Year) || !ReadDigits(text, 4, 2, d.Month) || !ReadDigits(text, 6, 2, d.Day))
        return false;
      return width == 8 ||
             (ReadDigits(text, 8, 2, d.Hour) && ReadDigits(text, 10, 2, d.Minute) && ReadDigits(text, 12, 2, d.Second));
    default:
      return false;
  }
}

// Eight characters of which those under digitMask must be digits, as their values less '0',
// or nothing. The other bytes (the server's separators) are not looked at.
inline std::optional<std::uint64_t> EightDigitValues(const char* at, std::uint64_t digitMask) {
  constexpr std::uint64_t Zeros = 0x3030303030303030;
  std::uint64_t raw;
  std::memcpy(&raw, at, sizeof raw);
  std::uint64_t x = (raw & digitMask) | (Zeros & ~digitMask);
  std::uint64_t values = x - Zeros;
  // A byte below '0' borrows and one above '9' carries into its high bit; the lowest such byte
  // is reached by no borrow or carry from below, so it always shows.
  if (((x + 0x4646464646464646) | values) & 0x8080808080808080) return std::nullopt;
  return values;
}

// Byte i of the result is the two-digit number of digit values i and i + 1.
std::uint64_t DigitPairs(std::uint64_t values) {
  return values * 10 + (values >> 8);
}

int PairAt(std::uint64_t pairs, int byte) {
  return static_cast<int>(pairs >> (8 * byte) & 0xFF);
}

// "YYYY-MM-DD" and "YYYY-MM-DD HH:MM:SS" at their fixed places, eight characters at a time,
// as every fetched date passes here. Inline, with the encoding, so that the parts stay in
// registers and the checks against negatives fall away for parts read from digits.
[[gnu::always_inline]] inline bool ReadIsoDate(std::string_view text, bool withTime, TDateText& d) {
  static_assert(std::endian::native == std::endian::little, "characters are read as bytes of a word");
  if (text.size() < (withTime ? 19u : 10u)) return false;
  auto yearMonth = EightDigitValues(text.data(), 0x00FFFF00FFFFFFFF);     // YYYY-MM-
  auto monthDay = EightDigitValues(text.data() + 2, 0xFFFF00FFFF00FFFF);  // YY-MM-DD
  if (!yearMonth || !monthDay) return false;
  std::uint64_t pairs = DigitPairs(*yearMonth);
  d.Year = PairAt(pairs, 0) * 100 + PairAt(pairs, 2);
  pairs = DigitPairs(*monthDay);
  d.Month = PairAt(pairs, 3);
  d.Day = PairAt(pairs, 6);
  if (!withTime) return true;
  auto time = EightDigitValues(text.data() + 11, 0xFFFF00FFFF00FFFF);  // HH:MM:SS
  if (!time) return false;
  pairs = DigitPairs(*time);
  d.Hour = PairAt(pairs, 0);
  d.Minute = PairAt(pairs, 3);
  d.Second = PairAt(pairs, 6);
  if (text.size() > 19) d.MilliSecond = MilliSecondsAt(text, 19);
  return true;
}

[[gnu::always_inline]] inline bool EncodeDateText(const TDateText& d, TDateTime& value) {
  return TryEncodeDateTime(d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second, value, d.MilliSecond);
}

TDateTime ParseTime(std::string_view text, const TFieldDesc& desc) {
  bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) colon = text.size();
  if (colon > 3) throw EConvertError(FormatMessage("Wrong time format at field %s", desc.Name.c_str()));
  int hours = 0, minutes = 0, seconds = 0;
  ReadDigits(text, 0, colon, hours);
  ReadDigits(text, colon + 1, 2, minutes);
  ReadDigits(text, colon + 4, 2, seconds);
  const int ms = MilliSecondsAt(text, colon + 6);
  double value = (hours * 3600000.0 + minutes * 60000.0 + seconds * 1000.0 + ms) / 86400000.0;
  return negative ? -value : value;
}

}  // namespace

double ParseFloatValue(std::string_view text) {
  std::size_t i = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
  std::size_t exponent = text.find_first_of("eE");
  std::string_view mantissa =
      text.substr(i, exponent == std::string_view::npos ? std::string_view::npos : exponent - i);
  bool badMantissa = mantissa.empty() || mantissa.find_first_not_of("0123456789.") != std::string_view::npos ||
                     mantissa.find('.') != mantissa.rfind('.') || mantissa == ".";
  if (badMantissa)
    throw EConvertError(FormatMessage("'%s' is not a valid floating point value", std::string(text).c_str()));
  if (exponent != std::string_view::npos) {
    std::string_view digits = text.substr(exponent + 1);
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) digits.remove_prefix(1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
      throw EConvertError(FormatMessage("'%s' is not a valid integer value", std::string(text).c_str()));
  }
  double value = 0;
  const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
  if (std::from_chars(begin, text.data() + text.size(), value).ec != std::errc())
    throw EConvertError(FormatMessage("'%s' is not a valid floating point value", std::string(text).c_str()));
  return value;
}

std::int64_t ParseCurrencyValue(std::string_view text, std::string_view fieldName) {
  const std::string_view original = text;
  bool negative = !text.empty() && text.front() == '-';
  if (negative || (!text.empty() && text.front() == '+')) text.remove_prefix(1);
  constexpr std::int64_t MaxWhole = std::numeric_limits<std::int64_t>::max() / 10000;
  std::int64_t whole = 0, fraction = 0;
  int fractionDigits = 0;
  bool afterPoint = false, roundUp = false, any = false, outOfRange = false;
  for (char c : text) {
    if (c == '.' && !afterPoint) {
      afterPoint = true;
      continue;
    }
    if (c < '0' || c > '9')
      throw EConvertError(FormatMessage("'%s' is not a valid BCD value", std::string(text).c_str()));
    any = true;
    if (!afterPoint) {
      whole = whole * 10 + (c - '0');
      // Stays below the point where the next digit could overflow.
      if (whole > MaxWhole) outOfRange = true, whole = MaxWhole + 1;
    } else if (fractionDigits < 4) {
      fraction = fraction * 10 + (c - '0'), ++fractionDigits;
    } else if (fractionDigits++ == 4) {
      roundUp = c >= '5';
    }
  }
  if (!any) throw EConvertError(FormatMessage("'%s' is not a valid BCD value", std::string(text).c_str()));
  while (fractionDigits < 4) fraction *= 10, ++fractionDigits;
  const std::int64_t below = fraction + (roundUp ? 1 : 0);
  if (outOfRange || whole > (std::numeric_limits<std::int64_t>::max() - below) / 10000)
    throw EConvertError(FormatMessage("Value '%s' of field '%s' is outside the currency range",
                                      std::string(original).c_str(), std::string(fieldName).c_str()));
  const std::int64_t value = whole * 10000 + below;
  return negative ? -value : value;
}

TRowConverter::TRowConverter(TMemData& data, const TRowConversionOptions& options) : FData(data), FOptions(options) {}

bool TRowConverter::ConvertValue(char* record, const TFieldDesc& desc, std::string_view text, bool isNull) {
  return isNull ? ConvertNull(record, desc) : TextConverterFor(desc)(*this, record, desc, text);
}

TRowConverter::TConvert TRowConverter::TextConverterFor(const TFieldDesc& desc) const {
  bool codePageText = (desc.DataType == dtString || desc.DataType == dtExtString || desc.DataType == dtMemo) &&
                      desc.CharsetNr != CHARSET_BINARY;
  return FOptions.AnsiText && codePageText ? &Call<&TRowConverter::ConvertAnsiText> : ConverterFor(desc);
}

bool TRowConverter::ConvertAnsiText(char* record, const TFieldDesc& desc, std::string_view text) {
  FAnsiScratch = AnsiToUtf8(text);
  return ConverterFor(desc)(*this, record, desc, FAnsiScratch);
}

TRowConverter::TConvert TRowConverter::ConverterFor(const TFieldDesc& desc) {
  switch (desc.DataType) {
    case dtBoolean:
      return &Call<&TRowConverter::ConvertBooleanOrBits>;
    case dtInt8:
    case dtInt16:
    case dtInt32:
    case dtUInt16:
    case dtInt64:
    case dtUInt32:
    case dtUInt8:
    case dtUInt64:
      if (desc.MyType == MYSQL_TYPE_BIT) return &Call<&TRowConverter::ConvertBooleanOrBits>;
      switch (desc.Size) {
        case 2:
          return &Call<&TRowConverter::ConvertDecimalInteger<std::uint16_t>>;
        case 4:
          return &Call<&TRowConverter::ConvertDecimalInteger<std::uint32_t>>;
        case 8:
          return &Call<&TRowConverter::ConvertDecimalInteger<std::uint64_t>>;
        default:
          return &Call<&TRowConverter::ConvertDecimalInteger<std::uint8_t>>;
      }
    case dtFloat:
      return &Call<&TRowConverter::ConvertFloat>;
    case dtBCD:
      return &Call<&TRowConverter::ConvertCurrency>;
    case dtFMTBCD:
      return &Call<&TRowConverter::ConvertDecimalText>;
    case dtDate:
    case dtTime:
    case dtDateTime:
      if (desc.MyType == MYSQL_TYPE_TIME) return &Call<&TRowConverter::ConvertTime>;
      if (desc.MyType == MYSQL_TYPE_TIMESTAMP) return &Call<&TRowConverter::ConvertTimestamp>;
      return &Call<&TRowConverter::ConvertIsoDate>;
    case dtString:
    case dtBytes:
      return &Call<&TRowConverter::ConvertInlineBytes>;
    case dtVarBytes:
      return &Call<&TRowConverter::ConvertVarBytes>;
    case dtWideString:
      return &Call<&TRowConverter::ConvertWide>;
    case dtExtString:
    case dtExtVarBytes:
      return &Call<&TRowConverter::ConvertExtBytes>;
    case dtExtWideString:
      return &Call<&TRowConverter::ConvertExtWide>;
    case dtBlob:
    case dtMemo:
    case dtWideMemo:
      return &Call<&TRowConverter::ConvertBlob>;
    default:
      return &Call<&TRowConverter::ConvertUnknown>;
  }
}

void TRowConverter::PlanColumns() {
  FSteps.clear();
  for (const TFieldDesc& desc : FData.Fields)
    FSteps.push_back({&desc, static_cast<std::size_t>(desc.FieldNo - 1), TextConverterFor(desc)});
}

bool TRowConverter::ConvertNull(char* record, const TFieldDesc& desc) {
  if (IsBlobType(desc.DataType))
    StoreReference(record, desc, new TBlob(desc.DataType == dtWideMemo));
  else if (IsOutOfLineType(desc.DataType))
    StoreReference(record, desc, nullptr);
  return true;
}

// Narrower fields keep the low bytes of the number, so it is read in 64 bits whatever the size.
template <typename T>
bool TRowConverter::ConvertDecimalInteger(char* record, const TFieldDesc& desc, std::string_view text) {
  StoreAt(record, desc, static_cast<T>(ParseInteger(text, true)));
  return false;
}

bool TRowConverter::ConvertBooleanOrBits(char* record, const TFieldDesc& desc, std::string_view text) {
  bool isBit = desc.MyType == MYSQL_TYPE_BIT;
  if (desc.DataType == dtBoolean) {
    bool value = isBit ? (!text.empty() && text.back() != 0) : (ParseInteger(text, false) & 0xFF) != 0;
    StoreAt(record, desc, static_cast<std::int16_t>(value ? -1 : 0));
    return false;
  }
  std::uint64_t value = BigEndian(text);
  switch (desc.Size) {
    case 2:
      StoreAt(record, desc, static_cast<std::uint16_t>(value));
      break;
    case 4:
      StoreAt(record, desc, static_cast<std::uint32_t>(value));
      break;
    case 8:
      StoreAt(record, desc, value);
      break;
    default:
      StoreAt(record, desc, static_cast<std::uint8_t>(value));
      break;
  }
  return false;
}

bool TRowConverter::ConvertFloat(char* record, const TFieldDesc& desc, std::string_view text) {
  StoreAt(record, desc, ParseFloatValue(text));
  return false;
}

bool TRowConverter::ConvertCurrency(char* record, const TFieldDesc& desc, std::string_view text) {
  StoreAt(record, desc, ParseCurrencyValue(text, desc.Name));
  return false;
}

bool TRowConverter::ConvertDecimalText(char* record, const TFieldDesc& desc, std::string_view text) {
  if (!PackDecimalText(record + desc.Offset, desc.Size, text))
    throw EConvertError(FormatMessage("'%s' is not a valid BCD value", std::string(text).c_str()));
  return false;
}

bool TRowConverter::ConvertTime(char* record, const TFieldDesc& desc, std::string_view text) {
  return StoreDate(record, desc, true, ParseTime(text, desc));
}

bool TRowConverter::ConvertTimestamp(char* record, const TFieldDesc& desc, std::string_view text) {
  // 19 is the ISO form; 21 to 26 add a point and one to six digits of fractional seconds, kept
  // to the millisecond as for DATETIME.
  bool iso = desc.Length == 19 || (desc.Length >= 21 && desc.Length <= 26);
  if (!iso && desc.Length != 2 && desc.Length != 4 && desc.Length != 6 && desc.Length != 8 && desc.Length != 10 &&
      desc.Length != 12 && desc.Length != 14)
    throw EConvertError(FormatMessage("Invalid FIELD_TYPE_TIMESTAMP Field.Length (%d)", desc.Length));
  TDateText d;
  TDateTime value = 0;
  bool valid = (iso ? ReadIsoDate(text, true, d) : ReadTimestamp(text, desc.Length, d)) && EncodeDateText(d, value);
  return StoreDate(record, desc, valid, value);
}

bool TRowConverter::ConvertIsoDate(char* record, const TFieldDesc& desc, std::string_view text) {
  TDateText d;
  TDateTime value = 0;
  bool valid = ReadIsoDate(text, desc.MyType == MYSQL_TYPE_DATETIME, d) && EncodeDateText(d, value);
  return StoreDate(record, desc, valid, value);
}

bool TRowConverter::StoreDate(char* record, const TFieldDesc& desc, bool valid, TDateTime value) {
  if (!valid) {
    if (FOptions.NullForZeroDate) return true;
    value = ZeroDate();
  } else if (value == 0 && FOptions.NullForZeroBaseDate) {
    return true;
  }
  StoreAt(record, desc, value);
  return false;
}

bool TRowConverter::ConvertInlineBytes(char* record, const TFieldDesc& desc, std::string_view text) {
  if (desc.Fixed && FOptions.TrimFixedChar && desc.DataType == dtString)
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::size_t capacity = static_cast<std::size_t>(desc.DataType == dtString ? desc.Size - 1 : desc.Length);
  std::memcpy(record + desc.Offset, text.data(), std::min(text.size(), capacity));
  return false;
}

bool TRowConverter::ConvertVarBytes(char* record, const TFieldDesc& desc, std::string_view text) {
  auto length = static_cast<std::uint16_t>(std::min<std::size_t>(text.size(), static_cast<std::size_t>(desc.Length)));
  StoreAt(record, desc, length);
  std::memcpy(record + desc.Offset + 2, text.data(), length);
  return false;
}

bool TRowConverter::ConvertExtBytes(char* record, const TFieldDesc& desc, std::string_view text) {
  if (desc.Fixed && FOptions.TrimFixedChar && desc.DataType == dtExtString && desc.CharsetNr != CHARSET_BINARY)
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  StoreReference(record, desc,
                 AllocColumnExtBytes(FData.StringHeap(), static_cast<std::size_t>(desc.FieldNo - 1), text));
  return false;
}

bool TRowConverter::ConvertExtWide(char* record, const TFieldDesc& desc, std::string_view text) {
  if (desc.Fixed && FOptions.TrimFixedChar)
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!IsAsciiText(text)) CheckWideText(text);
  StoreReference(record, desc,
                 AllocColumnExtBytes(FData.StringHeap(), static_cast<std::size_t>(desc.FieldNo - 1), text));
  return false;
}

// Decoded only to be checked: the heap keeps wide text as its UTF-8 bytes. Out of line, so that
// the usual ASCII texts need not save what the decoding uses.
[[gnu::noinline]] void TRowConverter::CheckWideText(std::string_view text) {
  if (FWideScratch.size() < text.size() + 1) FWideScratch.resize(text.size() + 1);
  Utf8ToWs(text, FWideScratch.data(), FWideScratch.size(), true);
}

// A type the conversion does not know leaves the field NULL.
bool TRowConverter::ConvertUnknown(char*, const TFieldDesc&, std::string_view) {
  return true;
}

bool TRowConverter::ConvertWide(char* record, const TFieldDesc& desc, std::string_view text) {
  if (desc.Fixed && FOptions.TrimFixedChar)
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (IsAsciiText(text)) {
    StoreAsciiWide(record, desc, text);
    return false;
  }
  auto capacity = static_cast<std::size_t>(desc.Size / 2);
  char* field = record + desc.Offset;
  if (FWideScratch.size() < capacity) FWideScratch.resize(capacity);
  std::size_t units = Utf8ToWs(text, FWideScratch.data(), capacity, true);
  std::memcpy(field, FWideScratch.data(), (units + 1) * 2);
  return false;
}

bool TRowConverter::ConvertBlob(char* record, const TFieldDesc& desc, std::string_view text) {
  bool unicode = desc.DataType == dtWideMemo;
  auto* blob = new TBlob(unicode);
  StoreReference(record, desc, blob);
  if (text.empty()) return false;
  if (unicode && FOptions.UseUnicode) {
    if (FWideScratch.size() < text.size() + 1) FWideScratch.resize(text.size() + 1);
    std::size_t units = Utf8ToWs(text, FWideScratch.data(), FWideScratch.size(), false);
    blob->Write(0, units * 2, FWideScratch.data());
  } else {
    blob->Write(0, text.size(), text.data());
  }
  blob->Commit();
  return false;
}
