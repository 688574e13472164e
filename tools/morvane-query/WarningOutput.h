#pragma once
// The server's warnings after a statement (the client command "warnings"), read from SHOW WARNINGS
// and written as the database's command-line client writes them: "Warning (Code 1365): Division by 0".
#include "tools/morvane-query/ResultSink.h"

#include <cstdio>

class TWarningOutput : public TResultSink {
 public:
  explicit TWarningOutput(std::FILE* out) : FOut(out) {}

  void StartResult(std::vector<TResultColumn>) override { FValues.clear(); }
  void Value(const std::optional<std::string_view>& value) override { FValues.emplace_back(value.value_or("")); }
  void EndRow() override;
  void EndResult() override {}

 private:
  std::FILE* FOut;
  std::vector<std::string> FValues;  // Level, Code, Message of the current row
};
