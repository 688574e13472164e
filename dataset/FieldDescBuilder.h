#pragma once
// Building field descriptions from the columns of a result.
#include "dataset/FieldDesc.h"
#include "wire/MySqlField.h"

#include <vector>

// Dataset options that decide how columns become fields.
struct TFieldMapping {
  bool UseUnicode = false;
  bool Utf8mb4 = false;   // the Unicode session's texts take up to four bytes a character
  bool AnsiText = false;  // texts arrive in a single-byte code page and are kept as UTF-8
  bool FieldsAsString = false;
  bool EnableBoolean = true;
  bool BinaryAsString = true;
  bool LongStrings = true;
  bool FlatBuffers = false;
  bool EnableBCD = false;
  bool EnableFMTBCD = false;
  bool OptimizedBigInt = false;
};

// The field descriptions of a result, with unique names, and the tables its columns belong to.
// A column of an unknown type raises "Unknown MySQL datatype (n)".
TFieldDescs BuildFieldDescs(const std::vector<TMYSQL_FIELD>& columns, const TFieldMapping& mapping,
                            std::vector<TTableInfo>& tables);

// Renames fields whose names repeat (case-insensitively): id, id_1, id_2; unnamed ones _0, _1.
void MakeUniqueFieldNames(TFieldDescs& descs);
