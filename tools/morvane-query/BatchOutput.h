#pragma once
// Writes result sets as the database's command-line client does in batch mode: a header line of
// column names before the first row, one line per row, values separated by tabs, NULL as "NULL",
// and (unless raw) NUL, tab, newline and backslash inside values escaped as \0, \t, \n and \\.
// A result without rows prints nothing.
#include "tools/morvane-query/ResultSink.h"
#include "wire/ByteBuffer.h"

#include <cstdio>

class TBatchOutput : public TResultSink {
 public:
  // In the two-byte character sets whose second byte may be 0x5C (gbk, sjis, big5, cp932,
  // gb18030), that byte is part of a character and not escaped: characterSet names the session's.
  explicit TBatchOutput(std::FILE* out, bool columnNames = true, bool raw = false, std::string_view characterSet = {});

  void StartResult(std::vector<TResultColumn> columns) override;
  void Value(const std::optional<std::string_view>& value) override;
  void EndRow() override;
  void EndResult() override { Flush(); }
  void Flush() override;

 private:
  void WriteHeader();
  // Where the next value of the row goes, with room for a tab and size bytes after it.
  char* StartValue(std::size_t size);
  void EndValue(const char* end);
  void WriteRaw(std::string_view text);
  char* WriteEscaped(std::string_view value, char* out) const;

  std::FILE* FOut;
  bool FColumnNames;
  bool FRaw;
  bool (*FLeadByte)(unsigned char) = nullptr;  // a byte that starts a two-byte character
  std::vector<TResultColumn> FColumns;
  bool FHeaderDue = false;
  std::size_t FColumn = 0;  // of the value that comes next in the row
  static constexpr std::size_t FlushSize = 32 * 1024;
  // Whole rows, handed to the stream some tens of kilobytes at a time.
  TByteBuffer FRows;
};
