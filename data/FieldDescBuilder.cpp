#include "data/FieldDescBuilder.h"

#include <algorithm>
#include <cctype>
#include <numeric>
#include <unordered_set>

#include "data/Exceptions.h"

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool IsTextBearing(std::uint8_t type) {
  return type == mysql_type::Null || type == mysql_type::VarChar || type >= mysql_type::Enum;
}

bool IsTemporal(std::uint8_t type) {
  return type == mysql_type::Timestamp || type == mysql_type::Date ||
         type == mysql_type::Time || type == mysql_type::DateTime;
}

int LengthInCharacters(const TColumnMetadata& column, const TFieldMapping& mapping) {
  auto length = static_cast<int>(column.LengthInBytes);
  if (mapping.UseUnicode && IsTextBearing(column.MyType) && column.CharsetNr != BinaryCharset &&
      !(column.OrgTable.empty() && length == 1023))
    return length / (mapping.Utf8mb4 ? 4 : 3);
  if (IsTemporal(column.MyType) && column.CharsetNr == Utf8Charset) return length / 3;
  return length;
}

TDataType DecimalType(const TColumnMetadata& column, const TFieldMapping& mapping) {
  // A double holds 15 significant digits: a wider decimal keeps the server's text.
  int digits = static_cast<int>(column.LengthInBytes) - 1 - (column.Decimals > 0 ? 1 : 0);
  if (mapping.EnableFMTBCD || digits > 15) return dtFMTBCD;
  if (mapping.EnableBCD) return dtBCD;
  return dtFloat;
}

TDataType DataTypeOf(const TColumnMetadata& column, int length, const TFieldMapping& mapping) {
  using namespace mysql_type;
  bool isUnsigned = column.Flags & column_flag::Unsigned;
  bool isBinary = (column.Flags & column_flag::Binary) && column.CharsetNr == BinaryCharset;
  std::uint8_t type = column.MyType;
  bool isBlob = type >= TinyBlob && type <= Blob;
  if (mapping.FieldsAsString && !isBlob && type != Geometry) return dtString;
  switch (type) {
    case Decimal: case NewDecimal: return DecimalType(column, mapping);
    case Tiny:
      if (length == 1 && mapping.EnableBoolean) return dtBoolean;
      return isUnsigned ? dtUInt8 : dtInt8;
    case Short: return isUnsigned ? dtUInt16 : dtInt16;
    case Long: return isUnsigned ? dtUInt32 : dtInt32;
    case Int24: return dtInt32;
    case LongLong: return length < 12 && mapping.OptimizedBigInt ? dtInt32 : dtInt64;
    case Bit: return length < 32 && mapping.OptimizedBigInt ? dtInt32 : dtInt64;
    case Float: case Double: return dtFloat;
    case Null: case Enum: case Set: return dtString;
    case Timestamp: case DateTime: return dtDateTime;
    case Date: case NewDate: return dtDate;
    case Time: return dtTime;
    case Year: return dtUInt16;
    case VarChar: case VarString: return isBinary && !mapping.BinaryAsString ? dtVarBytes : dtString;
    case String: return isBinary && !mapping.BinaryAsString ? dtBytes : dtString;
    case TinyBlob: case MediumBlob: case LongBlob: case Blob: case Geometry:
      return (column.Flags & column_flag::Binary) ? dtBlob : dtMemo;
    default:
      throw EDatabaseError(FormatMessage("Unknown MySQL datatype (%d)", type));
  }
}

bool IsBinaryText(const TColumnMetadata& column) {
  using namespace mysql_type;
  return column.CharsetNr == BinaryCharset &&
         (column.MyType == VarChar || column.MyType == VarString || column.MyType == String);
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

int TableIndexFor(const TColumnMetadata& column, std::vector<TTableInfo>& tables) {
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
  if (desc.MyType != mysql_type::Timestamp || desc.TableIndex < 0) return;
  TTableInfo& table = tables[static_cast<std::size_t>(desc.TableIndex)];
  if (table.TimestampField < 0 || (desc.Flags & column_flag::OnUpdateNow)) table.TimestampField = index;
}

}  // namespace

TFieldDescs BuildFieldDescs(const std::vector<TColumnMetadata>& columns,
                            const TFieldMapping& mapping, std::vector<TTableInfo>& tables) {
  TFieldDescs descs;
  descs.reserve(columns.size());
  for (const TColumnMetadata& column : columns) {
    TFieldDesc desc;
    desc.Name = column.Name;
    desc.ActualName = column.OrgName.empty() ? column.Name : column.OrgName;
    desc.FieldNo = static_cast<int>(descs.size()) + 1;
    desc.TableIndex = TableIndexFor(column, tables);
    desc.Length = LengthInCharacters(column, mapping);
    desc.Scale = column.Decimals;
    desc.DataType =
        StorageTypeOf(DataTypeOf(column, desc.Length, mapping), desc.Length, IsBinaryText(column), mapping);
    desc.MyType = column.MyType;
    desc.CharsetNr = column.CharsetNr;
    desc.Flags = column.Flags;
    desc.Fixed = column.MyType == mysql_type::String;
    desc.IsAutoIncrement = column.Flags & column_flag::AutoIncrement;
    desc.Required = (column.Flags & column_flag::NotNull) && !desc.IsAutoIncrement &&
                    column.MyType != mysql_type::Timestamp;
    desc.IsPrimaryKey = column.Flags & column_flag::PrimaryKey;
    desc.IsKey = column.Flags & (column_flag::PrimaryKey | column_flag::UniqueKey |
                                 column_flag::MultipleKey | column_flag::PartKey);
    desc.IsUnsigned = column.Flags & column_flag::Unsigned;
    desc.IsBinary = column.Flags & column_flag::Binary;
    desc.IsTimestamp = column.Flags & column_flag::Timestamp;
    desc.ReadOnly = column.MyType == mysql_type::Null;
    desc.DBLength = static_cast<int>(column.LengthInBytes);
    if ((column.MyType == mysql_type::Decimal || column.MyType == mysql_type::NewDecimal) &&
        column.Decimals == 0)
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
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
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
