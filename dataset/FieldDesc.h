#pragma once
// Descriptions of a result's columns and tables as the record store holds them.
#include "dataset/DataTypes.h"

#include <cstdint>
#include <string>
#include <vector>

// A table that columns of a result belong to.
struct TTableInfo {
  std::string TableName;        // underlying name, unquoted
  std::string TableAlias;       // name the statement gives it
  std::string FullName;         // as written in the statement's FROM clause
  int TimestampField = -1;      // index of its first (or auto-updated) TIMESTAMP column
  std::string Database;         // the table's, as the column definitions tell it
  bool NamedByProgram = false;  // known only from the dataset's UpdatingTable, not from the server
};

// One result column as held by the record store.
struct TFieldDesc {
  std::string Name;        // field name, unique within the result
  std::string ActualName;  // the column's name in its table
  int FieldNo = 0;         // 1-based position in the result
  int TableIndex = -1;     // into the record set's tables, -1 for a computed column
  TDataType DataType = dtUnknown;
  int Length = 0;  // characters for text, bytes for binary values
  int Scale = 0;
  int Size = 0;    // bytes in the record
  int Offset = 0;  // in the record
  bool Fixed = false;
  bool Required = false;
  bool ReadOnly = false;
  bool Hidden = false;
  bool IsAutoIncrement = false;
  bool IsKey = false;
  bool IsPrimaryKey = false;
  bool IsUnsigned = false;
  bool IsBinary = false;
  bool IsTimestamp = false;
  std::uint8_t MyType = 0;  // column type byte of the protocol
  std::uint16_t CharsetNr = 0;
  std::uint32_t Flags = 0;  // column flags as sent
  int DBLength = 0;
  int DBScale = 0;
};

using TFieldDescs = std::vector<TFieldDesc>;
