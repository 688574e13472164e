#pragma once
// Writes result sets as the database's command-line client does in batch mode: a header line of
// column names before the first row, one line per row, values separated by tabs, NULL as "NULL",
// and (unless raw) NUL, tab, newline and backslash inside values escaped as \0, \t, \n and \\.
// A result without rows prints nothing.
#include "tools/morvane-query/ResultSink.h"

#include <cstdio>
#include <string>

class TBatchOutput : public TResultSink {
 public:
  // In the two-byte character sets whose second byte may be 0x5C (gbk, sjis, big5, cp932,
  // gb18030), that byte is part of a character and not escaped: characterSet names the session's.
  explicit TBatchOutput(std::FILE* out, bool columnNames = true, bool raw = false, std::string_view characterSet = {});

  void StartResult(std::vector<TResultColumn> columns) override;
  void Value(std::optional<std::string_view> value) override;
  void EndRow() override;
  void EndResult() override {}

 private:
  void Separate();
  void AppendEscaped(std::string_view value);

  std::FILE* FOut;
  bool FColumnNames;
  bool FRaw;
  bool (*FLeadByte)(unsigned char) = nullptr;  // a byte that starts a two-byte character
  std::vector<TResultColumn> FColumns;
  bool FHeaderDue = false;
  bool FRowStarted = false;
  // The line being built: a row reaches the stream whole, in one call, at its end.
  std::string FLine;
};
