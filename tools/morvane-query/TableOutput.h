#pragma once
// The table layout (--table) of the database's command-line client: the rows of a result set are
// held until its end, when the column widths are known, then drawn inside +---+ borders. A column
// is as wide as its longest name or value in bytes (at least 4 when it may hold NULL); text is
// padded by the cells it takes on a terminal, numbers are aligned to the right.
#include "tools/morvane-query/ResultSink.h"
#include "tools/morvane-query/RowBuffer.h"

#include <cstdio>

class TTableOutput : public TResultSink {
 public:
  TTableOutput(std::FILE* out, bool columnNames) : FOut(out), FColumnNames(columnNames) {}

  void StartResult(std::vector<TResultColumn> columns) override;
  void Value(const std::optional<std::string_view>& value) override;
  void EndRow() override {}
  void EndResult() override;

 private:
  void WriteBorder(const std::vector<std::size_t>& widths);
  void WriteCell(std::string_view text, std::size_t width, bool right);

  std::FILE* FOut;
  bool FColumnNames;
  std::vector<TResultColumn> FColumns;
  TRowBuffer FValues;  // row after row
  bool FHasRows = false;
};
