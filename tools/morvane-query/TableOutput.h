#pragma once
// The table layout (--table) of the database's command-line client: rows drawn inside +---+
// borders. A column is as wide as its name and its longest value in bytes, or, when the rows are
// streamed (--quick), as its name and its declared length, so that each row is drawn as it
// arrives; at least 4 when it may hold NULL, and a column shown in hexadecimal takes "0x" and two
// digits for each byte of that width. Text is padded by the cells it takes on a terminal, numbers
// are aligned to the right.
#include "tools/morvane-query/ResultSink.h"
#include "tools/morvane-query/RowBuffer.h"

#include <cstdint>
#include <cstdio>

class TTableOutput : public TResultSink {
 public:
  TTableOutput(std::FILE* out, bool columnNames, bool streamed)
      : FOut(out), FColumnNames(columnNames), FStreamed(streamed) {}

  void StartResult(std::vector<TResultColumn> columns) override;
  void Value(const std::optional<std::string_view>& value) override;
  void EndRow() override;
  void EndResult() override;

 private:
  // Counted in 32 bits, as the reference client counts, so that the widths of the longest
  // declared lengths wrap around there and here alike.
  using TWidth = std::uint32_t;

  // The column's width for its longest value, in bytes as the server sent it.
  TWidth Width(std::size_t column, std::size_t longest) const;
  void WriteHead();
  void WriteValue(const std::optional<std::string_view>& value);
  void WriteBorder();
  void WriteCell(std::string_view text, std::size_t width, bool right);

  std::FILE* FOut;
  bool FColumnNames;
  bool FStreamed;
  std::vector<TResultColumn> FColumns;
  std::vector<TWidth> FWidths;
  std::size_t FColumn = 0;  // of the value to come in the row being written
  TRowBuffer FValues;       // row after row, when not streamed
  bool FHasRows = false;
};
