#pragma once
// The HTML layout (--html) of the database's command-line client: a result set with rows as one
// <TABLE BORDER=1> on one line, a header row of <TH> names (unless -N) and a <TR> of <TD> values
// per row, NULL as "NULL"; a result without rows prints nothing.
#include "tools/morvane-query/ResultSink.h"

#include <cstdio>

class THtmlOutput : public TResultSink {
 public:
  THtmlOutput(std::FILE* out, bool columnNames) : FOut(out), FColumnNames(columnNames) {}

  void StartResult(std::vector<TResultColumn> columns) override;
  void Value(const std::optional<std::string_view>& value) override;
  void EndRow() override;
  void EndResult() override;

 private:
  std::FILE* FOut;
  bool FColumnNames;
  std::vector<TResultColumn> FColumns;
  bool FHasRows = false;
  bool FRowStarted = false;
};
