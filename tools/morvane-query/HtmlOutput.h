#pragma once
// The HTML layout (--html) of the database's command-line client: a result set with rows as one
// <TABLE BORDER=1> on one line, a header row of <TH> names (unless -N) and a <TR> of <TD> values
// per row, NULL as "NULL"; a result without rows prints nothing, unless the rows are streamed
// (--quick): then the table and its header are written before any row.
#include "tools/morvane-query/ResultSink.h"

#include <cstdio>

class THtmlOutput : public TResultSink {
 public:
  THtmlOutput(std::FILE* out, bool columnNames, bool streamed)
      : FOut(out), FColumnNames(columnNames), FStreamed(streamed) {}

  void StartResult(std::vector<TResultColumn> columns) override;
  void Value(const std::optional<std::string_view>& value) override;
  void EndRow() override;
  void EndResult() override;

 private:
  void WriteHead();

  std::FILE* FOut;
  bool FColumnNames;
  bool FStreamed;
  std::vector<TResultColumn> FColumns;
  bool FHeadWritten = false;
  bool FRowStarted = false;
};
