#pragma once
// The record store's internal data types and the dataset framework's field types.
#include <cstdint>
#include <string_view>

// Internal data types of the record store; the numbers are shared with the row conversion.
enum TDataType : std::uint16_t {
  dtUnknown = 0,
  dtString = 1,
  dtInt8 = 2,
  dtInt16 = 3,
  dtInt32 = 4,
  dtFloat = 5,
  dtDate = 6,
  dtTime = 7,
  dtDateTime = 8,
  dtUInt16 = 9,
  dtBoolean = 10,
  dtInt64 = 11,
  dtCurrency = 12,
  dtBlob = 13,
  dtMemo = 14,
  dtObject = 15,
  dtReference = 16,
  dtArray = 17,
  dtTable = 18,
  dtVariant = 19,
  dtExtString = 20,
  dtBytes = 21,
  dtVarBytes = 22,
  dtExtVarBytes = 23,
  dtUInt32 = 24,
  dtWideString = 25,
  dtExtWideString = 26,
  dtBCD = 27,
  dtFMTBCD = 28,
  dtGuid = 29,
  dtWideMemo = 30,
  dtSQLTimeStamp = 31,
  dtCursor = 32,
  dtSingle = 33,
  dtUInt8 = 34,
  dtUInt64 = 35,
  dtSmallint = dtInt16,
  dtInteger = dtInt32,
  dtWord = dtUInt16,
  dtLargeint = dtInt64,
  dtLongWord = dtUInt32,
};

// Field types of the dataset framework.
enum class TFieldType {
  ftUnknown,
  ftString,
  ftWideString,
  ftShortint,
  ftByte,
  ftSmallint,
  ftWord,
  ftInteger,
  ftLongWord,
  ftLargeint,
  ftFloat,
  ftBCD,
  ftFMTBcd,
  ftBoolean,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftBlob,
  ftMemo,
  ftWideMemo,
};

std::string_view FieldTypeName(TFieldType type);

// The dataset field type of an internal data type, or ftUnknown when there is none.
TFieldType FieldTypeOf(TDataType type);

// Asked for every value fetched or read, hence inline.
inline bool IsBlobType(TDataType type) {  // large objects: blob, memo, wide memo
  return type == dtBlob || type == dtMemo || type == dtWideMemo;
}
inline bool IsOutOfLineType(TDataType type) {  // values kept in the string heap
  return type == dtExtString || type == dtExtWideString || type == dtExtVarBytes;
}
inline bool IsDateTimeType(TDataType type) {
  return type == dtDate || type == dtTime || type == dtDateTime || type == dtSQLTimeStamp;
}
