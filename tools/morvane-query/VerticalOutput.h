#pragma once
// The vertical layout (--vertical, or a statement ended with \G) of the database's command-line
// client: a star line per row, then one "name: value" line per column, names aligned to the right.
#include "tools/morvane-query/ResultSink.h"

#include <cstdio>

class TVerticalOutput : public TResultSink {
 public:
  TVerticalOutput(std::FILE* out, bool columnNames) : FOut(out), FColumnNames(columnNames) {}

  void StartResult(std::vector<TResultColumn> columns) override;
  void Value(const std::optional<std::string_view>& value) override;
  void EndRow() override { FColumn = 0; }
  void EndResult() override {}

 private:
  std::FILE* FOut;
  bool FColumnNames;
  std::vector<TResultColumn> FColumns;
  int FNameWidth = 0;
  unsigned long long FRow = 0;
  std::size_t FColumn = 0;
};
