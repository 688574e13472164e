#include "dataset/Field.h"

#include "dataset/DataSet.h"
#include "dataset/Exceptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

enum class TNativeKind { Text, Integer, Float, Boolean, Date };

TNativeKind NativeKindOf(TFieldType type) {
  using enum TFieldType;
  switch (type) {
    case ftShortint:
    case ftByte:
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftLongWord:
    case ftLargeint:
      return TNativeKind::Integer;
    case ftFloat:
    case ftBCD:
      return TNativeKind::Float;
    case ftBoolean:
      return TNativeKind::Boolean;
    case ftDate:
    case ftTime:
    case ftDateTime:
      return TNativeKind::Date;
    default:
      return TNativeKind::Text;
  }
}

std::string IntegerText(std::int64_t value) {
  char text[24];
  auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

std::string FloatText(double value) {
  char text[32];
  auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

std::int64_t ParseInteger(const std::string& text) {
  std::int64_t value = 0;
  const char* begin = text.data();
  if (!text.empty() && text.front() == '+') ++begin;
  auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty())
    throw EConvertError(FormatMessage("'%s' is not a valid integer value", text.c_str()));
  return value;
}

// Values above the signed range stay unsigned (BIGINT UNSIGNED reaches 2^64 - 1); the record
// refuses them for a signed column.
TValue ParseIntegerValue(const std::string& text) {
  std::uint64_t big = 0;
  const char* begin = text.data() + (!text.empty() && text.front() == '+' ? 1 : 0);
  auto [end, error] = std::from_chars(begin, text.data() + text.size(), big);
  if (error == std::errc() && end == text.data() + text.size() &&
      big > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
    return big;
  return ParseInteger(text);
}

double ParseFloat(const std::string& text) {
  double value = 0;
  const char* begin = text.data();
  if (!text.empty() && text.front() == '+') ++begin;
  auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty())
    throw EConvertError(FormatMessage("'%s' is not a valid floating point value", text.c_str()));
  return value;
}

bool ParseBoolean(const std::string& text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "1" || lower == "true") return true;
  if (lower == "0" || lower == "false") return false;
  throw EConvertError(FormatMessage("'%s' is not a valid boolean value", text.c_str()));
}

double ParseDateTime(const std::string& text) {
  TDateTime value;
  if (!TryParseDateTime(text, value))
    throw EConvertError(FormatMessage("'%s' is not a valid date and time", text.c_str()));
  return value;
}

}  // namespace

TField::TField(TDataSet& dataSet, std::string name, TFieldType type, TDataType dataType, int size, int fieldNo)
    : FDataSet(dataSet),
      FFieldName(std::move(name)),
      FType(type),
      FInternalType(dataType),
      FSize(size),
      FFieldNo(fieldNo) {}

TValue TField::Value() const {
  return FDataSet.GetFieldValue(*this);
}

bool TField::IsNull() const {
  return IsNullValue(Value());
}

std::string TField::AsString() const {
  std::string text;
  GetText(text);
  return text;
}

std::string TField::AsStringAt(std::size_t recordIndex) const {
  std::string text;
  GetTextAt(recordIndex, text);
  return text;
}

void TField::GetText(std::string& out) const {
  if (!FDataSet.GetFieldText(*this, out)) FormatValueText(out);
}

// Out of line, so that the value's construction stays off the path of the usual texts.
[[gnu::noinline]] void TField::FormatValueText(std::string& out) const {
  TextOf(Value(), out);
}

void TField::GetTextAt(std::size_t recordIndex, std::string& out) const {
  if (!FDataSet.GetFieldTextAt(*this, recordIndex, out)) TextOf(FDataSet.GetFieldValueAt(*this, recordIndex), out);
}

void TField::TextOf(TValue value, std::string& out) const {
  char text[std::max<std::size_t>(DateTimeTextCapacity, 32)];
  char* end = text;
  switch (value.index()) {
    case 0:
      break;
    case 1:
      *end++ = std::get<bool>(value) ? '1' : '0';
      break;
    case 2:
      end = std::to_chars(text, text + sizeof text, std::get<std::int64_t>(value)).ptr;
      break;
    case 3:
      end = std::to_chars(text, text + sizeof text, std::get<std::uint64_t>(value)).ptr;
      break;
    case 4: {
      double number = std::get<double>(value);
      switch (FType) {
        case TFieldType::ftDate:
          end = WriteDate(text, number);
          break;
        case TFieldType::ftTime:
          end = WriteTime(text, number);
          break;
        case TFieldType::ftDateTime:
          end = WriteDateTime(text, number);
          break;
        default:
          end = std::to_chars(text, text + sizeof text, number).ptr;
          break;
      }
      break;
    }
    default:
      out = std::get<std::string>(std::move(value));
      return;
  }
  out.assign(text, end);
}

std::int64_t TField::AsLargeInt() const {
  TValue value = Value();
  switch (value.index()) {
    case 0:
      return 0;
    case 1:
      return std::get<bool>(value) ? 1 : 0;
    case 2:
      return std::get<std::int64_t>(value);
    case 3:
      return static_cast<std::int64_t>(std::get<std::uint64_t>(value));
    case 4:
      return std::llround(std::get<double>(value));
    default:
      return ParseInteger(std::get<std::string>(value));
  }
}

int TField::AsInteger() const {
  return static_cast<int>(AsLargeInt());
}

double TField::AsFloat() const {
  TValue value = Value();
  switch (value.index()) {
    case 0:
      return 0;
    case 1:
      return std::get<bool>(value) ? 1 : 0;
    case 2:
      return static_cast<double>(std::get<std::int64_t>(value));
    case 3:
      return static_cast<double>(std::get<std::uint64_t>(value));
    case 4:
      return std::get<double>(value);
    default:
      return ParseFloat(std::get<std::string>(value));
  }
}

TDateTime TField::AsDateTime() const {
  TValue value = Value();
  if (auto* text = std::get_if<std::string>(&value)) return ParseDateTime(*text);
  return AsFloat();
}

bool TField::AsBoolean() const {
  TValue value = Value();
  if (auto* text = std::get_if<std::string>(&value)) return ParseBoolean(*text);
  return AsLargeInt() != 0;
}

TValue TField::ToNative(TValue value) const {
  if (IsNullValue(value)) return value;
  const auto* text = std::get_if<std::string>(&value);
  if (text && text->empty() && NativeKindOf(FType) != TNativeKind::Text) return TValue{};
  switch (NativeKindOf(FType)) {
    case TNativeKind::Integer: {
      if (auto* f = std::get_if<double>(&value)) return std::int64_t{std::llround(*f)};
      if (auto* b = std::get_if<bool>(&value)) return std::int64_t{*b ? 1 : 0};
      TValue integer = text ? ParseIntegerValue(*text) : value;
      if (auto* u = std::get_if<std::uint64_t>(&integer)) {
        if (*u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
          return static_cast<std::int64_t>(*u);
        if (FType != TFieldType::ftLargeint)  // only a large integer reaches that far
          throw EConvertError(FormatMessage("'%s' is not a valid integer value", std::to_string(*u).c_str()));
      }
      return integer;
    }
    case TNativeKind::Float:
    case TNativeKind::Date: {
      if (text) return NativeKindOf(FType) == TNativeKind::Date ? ParseDateTime(*text) : ParseFloat(*text);
      if (auto* i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
      if (auto* u = std::get_if<std::uint64_t>(&value)) return static_cast<double>(*u);
      if (auto* b = std::get_if<bool>(&value)) return *b ? 1.0 : 0.0;
      return value;
    }
    case TNativeKind::Boolean:
      if (text) return ParseBoolean(*text);
      if (auto* i = std::get_if<std::int64_t>(&value)) return *i != 0;
      if (auto* u = std::get_if<std::uint64_t>(&value)) return *u != 0;
      if (auto* f = std::get_if<double>(&value)) return *f != 0;
      return value;
    case TNativeKind::Text:
      if (text) return value;
      if (auto* b = std::get_if<bool>(&value)) return std::string(*b ? "1" : "0");
      if (auto* i = std::get_if<std::int64_t>(&value)) return IntegerText(*i);
      if (auto* u = std::get_if<std::uint64_t>(&value)) return std::to_string(*u);
      return FloatText(std::get<double>(value));
  }
  return value;
}

void TField::SetValue(TValue value) {
  FDataSet.SetFieldValue(*this, ToNative(std::move(value)));
}

void TField::SetAsString(std::string_view value) {
  SetValue(std::string(value));
}
