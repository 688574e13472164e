#pragma once
// Where the rows of a result set go: the batch, table and vertical layouts take them in the same
// order, column descriptions first, then the values row by row.
#include "wire/MySqlField.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TResultColumn {
  std::string Name;
  std::uint8_t Type = MYSQL_TYPE_VAR_STRING;
  bool NotNull = false;
  std::uint32_t DeclaredLength = 0;  // the length in the column's definition, in bytes
  bool Hex = false;                  // its values come as 0x and their bytes in hexadecimal
};

class TResultSink {
 public:
  virtual ~TResultSink() = default;
  // The statement whose result sets follow; only the XML layout names it.
  virtual void StartStatement(const std::string&) {}
  virtual void StartResult(std::vector<TResultColumn> columns) = 0;
  // One value of the current row, nothing for NULL; valid only during the call.
  virtual void Value(const std::optional<std::string_view>& value) = 0;
  virtual void EndRow() = 0;
  // After the last row; also when streamed rows were cut short by a failure.
  virtual void EndResult() = 0;
  // The rows taken so far reach the stream, before a message about a result that failed midway.
  virtual void Flush() {}
};
