#pragma once
// The XML layout (--xml) of the database's command-line client: per result set an XML declaration
// and a <resultset> element naming the statement, a <row> per row and a <field> per value, NULL as
// xsi:nil.
#include "tools/morvane-query/ResultSink.h"

#include <cstdio>

// Text with &, <, > and " written as entities and NUL as a blank, as the HTML and XML layouts
// write names and values.
void WriteMarkupText(std::FILE* out, std::string_view text);

class TXmlOutput : public TResultSink {
 public:
  explicit TXmlOutput(std::FILE* out) : FOut(out) {}

  void StartStatement(const std::string& statement) override { FStatement = statement; }
  void StartResult(std::vector<TResultColumn> columns) override;
  void Value(const std::optional<std::string_view>& value) override;
  void EndRow() override;
  void EndResult() override;

 private:
  std::FILE* FOut;
  std::string FStatement;
  std::vector<TResultColumn> FColumns;
  std::size_t FColumn = 0;
};
