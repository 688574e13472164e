#include "dataset/DataTypes.h"

#include <array>

std::string_view FieldTypeName(TFieldType type) {
  static constexpr std::array<std::string_view, 22> names = {
      "ftUnknown",  "ftString",   "ftWideString", "ftShortint", "ftByte",   "ftSmallint", "ftWord", "ftInteger",
      "ftLongWord", "ftLargeint", "ftFloat",      "ftBCD",      "ftFMTBcd", "ftBoolean",  "ftDate", "ftTime",
      "ftDateTime", "ftBytes",    "ftVarBytes",   "ftBlob",     "ftMemo",   "ftWideMemo"};
  return names.at(static_cast<std::size_t>(type));
}

TFieldType FieldTypeOf(TDataType type) {
  using enum TFieldType;
  switch (type) {
    case dtString:
    case dtExtString:
      return ftString;
    case dtWideString:
    case dtExtWideString:
      return ftWideString;
    case dtInt8:
      return ftShortint;
    case dtUInt8:
      return ftByte;
    case dtInt16:
      return ftSmallint;
    case dtUInt16:
      return ftWord;
    case dtInt32:
      return ftInteger;
    case dtUInt32:
      return ftLongWord;
    case dtInt64:
      return ftLargeint;
    case dtFloat:
      return ftFloat;
    case dtBCD:
      return ftBCD;
    case dtFMTBCD:
      return ftFMTBcd;
    case dtBoolean:
      return ftBoolean;
    case dtDate:
      return ftDate;
    case dtTime:
      return ftTime;
    case dtDateTime:
      return ftDateTime;
    case dtBytes:
      return ftBytes;
    case dtVarBytes:
    case dtExtVarBytes:
      return ftVarBytes;
    case dtBlob:
      return ftBlob;
    case dtMemo:
      return ftMemo;
    case dtWideMemo:
      return ftWideMemo;
    default:
      return ftUnknown;
  }
}
