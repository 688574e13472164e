#include "dataset/FieldDescBuilder.h"

#include "dataset/Exceptions.h"

#include <algorithm>
#include <cctype>
#include <numeric>
#include <unordered_set>

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool IsTextBearing(std::uint8_t type) {
  return type == MYSQL_TYPE_NULL || type == MYSQL_TYPE_VARCHAR || type >= MYSQL_TYPE_ENUM;
}

bool IsTemporal(std::uint8_t type) {
  return type == MYSQL_TYPE_TIMESTAMP || type == MYSQL_TYPE_DATE || type == MYSQL_TYPE_TIME ||
         type == MYSQL_TYPE_DATETIME;
}

int LengthInCharacters(const TMYSQL_FIELD& column, const TFieldMapping& mapping) {
  auto length = static_cast<int>(column.LengthInBytes);
  if (mapping.UseUnicode && IsTextBearing(column.MyType) && column.CharsetNr != CHARSET_BINARY &&
      !(column.OrgTable.empty() && length == 1023))
    return length / (mapping.Utf8mb4 ? 4 : 3);
  if (IsTemporal(column.MyType) && column.CharsetNr == CHARSET_UTF8_GENERAL_CI) return length / 3;
  return length;
}

TDataType DecimalType(const TMYSQL_FIELD& column, const TFieldMapping& mapping) {
  // A double holds 15 significant digits: a wider decimal keeps the server's text. The length
  // counts the point and, unless the column is unsigned, a sign.
  const bool isUnsigned = column.Flags & UNSIGNED_FLAG;
  int digits = static_cast<int>(column.LengthInBytes) - (isUnsigned ? 0 : 1) - (column.Decimals > 0 ? 1 : 0);
  if (mapping.EnableFMTBCD || digits > 15) return dtFMTBCD;
  if (mapping.EnableBCD) return dtBCD;
  return dtFloat;
}

TDataType DataTypeOf(const TMYSQL_FIELD& column, int length, const TFieldMapping& mapping) {
  bool isUnsigned = column.Flags & UNSIGNED_FLAG;
  bool isBinary = (column.Flags & BINARY_FLAG) && column.CharsetNr == CHARSET_BINARY;
  std::uint8_t type = column.MyType;
  bool isBlob = type >= MYSQL_TYPE_TINY_BLOB && type <= MYSQL_TYPE_BLOB;
  if (mapping.FieldsAsString && !isBlob && type != MYSQL_TYPE_GEOMETRY) return dtString;
  switch (type) {
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      return DecimalType(column, mapping);
    case MYSQL_TYPE_TINY:
      if (length == 1 && mapping.EnableBoolean) return dtBoolean;
      return isUnsigned ? dtUInt8 : dtInt8;
    case MYSQL_TYPE_SHORT:
      return isUnsigned ? dtUInt16 : dtInt16;
    case MYSQL_TYPE_LONG:
      return isUnsigned ? dtUInt32 : dtInt32;
    case MYSQL_TYPE_INT24:
      return dtInt32;
    case MYSQL_TYPE_LONGLONG:
      return length < 12 && mapping.OptimizedBigInt ? dtInt32 : dtInt64;
    case MYSQL_TYPE_BIT:
      return length < 32 && mapping.OptimizedBigInt ? dtInt32 : dtInt64;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
      return dtFloat;
    case MYSQL_TYPE_NULL:
    case MYSQL_TYPE_ENUM:
    case MYSQL_TYPE_SET:
      return dtString;
    case MYSQL_TYPE_TIMESTAMP:
    case MYSQL_TYPE_DATETIME:
      return dtDateTime;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
      return dtDate;
    case MYSQL_TYPE_TIME:
      return dtTime;
    case MYSQL_TYPE_YEAR:
      return dtUInt16;
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_VAR_STRING:
      return isBinary && !mapping.BinaryAsString ? dtVarBytes : dtString;
    case MYSQL_TYPE_STRING:
      return isBinary && !mapping.BinaryAsString ? dtBytes : dtString;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_GEOMETRY:
      return (column.Flags & BINARY_FLAG) ? dtBlob : dtMemo;
    default:
      throw EDatabaseError(FormatMessage("Unknown MySQL datatype (%d)", type));
  }
}

bool IsBinaryText(const TMYSQL_FIELD& column) {
  return column.CharsetNr == CHARSET_BINARY &&
         (column.MyType == MYSQL_TYPE_VARCHAR || column.MyType == MYSQL_TYPE_VAR_STRING ||
          column.MyType == MYSQL_TYPE_STRING);
}

// Unicode and long-string forms, then out-of-line storage of long and unsized values.
TDataType StorageTypeOf(TDataType type, int length, bool binaryText, const TFieldMapping& mapping) {
  // Bytes of the binary character set are no text to decode, and out of line they keep every
  // zero byte.
  if (binaryText && type == dtString) return dtExtString;
  if (mapping.UseUnicode) {
    if (type == dtString) type = dtWideString;
    if (type == dtMemo) type = dtWideMemo;
  }
  if (!mapping.LongStrings && length > 256) {
    if (type == dtString) type = dtMemo;
    if (type == dtWideString) type = dtWideMemo;
  }
  // An inline wide string has one unit a character, too few for surrogate pairs.
  if (type == dtWideString && mapping.Utf8mb4) return dtExtWideString;
  // Kept as UTF-8, a code-page character takes up to three bytes: more than the inline room.
  if (type == dtString && mapping.AnsiText) return dtExtString;
  if (!mapping.FlatBuffers && (length == 0 || length >= 32)) {
    if (type == dtString) return dtExtString;
    if (type == dtWideString) return dtExtWideString;
    if (type == dtVarBytes) return dtExtVarBytes;
  }
  return type;
}

int TableIndexFor(const TMYSQL_FIELD& column, std::vector<TTableInfo>& tables) {
  if (column.Table.empty()) return -1;
  for (std::size_t i = 0; i < tables.size(); ++i)
    if (tables[i].TableAlias == column.Table) return static_cast<int>(i);
  TTableInfo table;
  table.TableAlias = column.Table;
  table.TableName = column.OrgTable.empty() ? column.Table : column.OrgTable;
  table.FullName = table.TableName;
  table.Database = column.Database;
  tables.push_back(table);
  return static_cast<int>(tables.size()) - 1;
}

void NoteTimestampField(const TFieldDesc& desc, int index, std::vector<TTableInfo>& tables) {
  if (desc.MyType != MYSQL_TYPE_TIMESTAMP || desc.TableIndex < 0) return;
  TTableInfo& table = tables[static_cast<std::size_t>(desc.TableIndex)];
  if (table.TimestampField < 0 || (desc.Flags & ON_UPDATE_NOW_FLAG)) table.TimestampField = index;
}

}  // namespace

TFieldDescs BuildFieldDescs(const std::vector<TMYSQL_FIELD>& columns, const TFieldMapping& mapping,
                            std::vector<TTableInfo>& tables) {
  TFieldDescs descs;
  descs.reserve(columns.size());
  for (const TMYSQL_FIELD& column : columns) {
    TFieldDesc desc;
    desc.Name = column.Name;
    desc.ActualName = column.OrgName.empty() ? column.Name : column.OrgName;
    desc.FieldNo = static_cast<int>(descs.size()) + 1;
    desc.TableIndex = TableIndexFor(column, tables);
    desc.Length = LengthInCharacters(column, mapping);
    desc.Scale = column.Decimals;
    desc.DataType = StorageTypeOf(DataTypeOf(column, desc.Length, mapping), desc.Length, IsBinaryText(column), mapping);
    desc.MyType = column.MyType;
    desc.CharsetNr = static_cast<std::uint16_t>(column.CharsetNr);
    desc.Flags = column.Flags;
    desc.Fixed = column.MyType == MYSQL_TYPE_STRING;
    desc.IsAutoIncrement = column.Flags & AUTO_INCREMENT_FLAG;
    desc.Required = (column.Flags & NOT_NULL_FLAG) && !desc.IsAutoIncrement && column.MyType != MYSQL_TYPE_TIMESTAMP;
    desc.IsPrimaryKey = column.Flags & PRI_KEY_FLAG;
    desc.IsKey = column.Flags & (PRI_KEY_FLAG | UNIQUE_KEY_FLAG | MULTIPLE_KEY_FLAG | PART_KEY_FLAG);
    desc.IsUnsigned = column.Flags & UNSIGNED_FLAG;
    desc.IsBinary = column.Flags & BINARY_FLAG;
    desc.IsTimestamp = column.Flags & TIMESTAMP_FLAG;
    desc.ReadOnly = column.MyType == MYSQL_TYPE_NULL;
    desc.DBLength = static_cast<int>(column.LengthInBytes);
    if ((column.MyType == MYSQL_TYPE_DECIMAL || column.MyType == MYSQL_TYPE_NEWDECIMAL) && column.Decimals == 0)
      --desc.DBLength;
    desc.DBScale = column.Decimals;
    NoteTimestampField(desc, static_cast<int>(descs.size()), tables);
    descs.push_back(std::move(desc));
  }
  MakeUniqueFieldNames(descs);
  return descs;
}

void MakeUniqueFieldNames(TFieldDescs& descs) {
  std::vector<std::size_t> order(descs.size());
  std::iota(order.begin(), order.end(), 0);
  std::vector<std::string> keys;
  keys.reserve(descs.size());
  for (const TFieldDesc& desc : descs) keys.push_back(Lower(desc.Name));
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  std::unordered_set<std::string> used(keys.begin(), keys.end());

  for (std::size_t begin = 0; begin < order.size();) {
    std::size_t end = begin;
    while (end < order.size() && keys[order[end]] == keys[order[begin]]) ++end;
    bool unnamed = keys[order[begin]].empty();
    int number = unnamed ? 0 : 1;
    for (std::size_t i = unnamed ? begin : begin + 1; i < end; ++i) {
      TFieldDesc& desc = descs[order[i]];
      std::string name;
      do {
        name = desc.Name + "_" + std::to_string(number++);
      } while (used.contains(Lower(name)));
      used.insert(Lower(name));
      desc.Name = name;
    }
    begin = end;
  }
}
