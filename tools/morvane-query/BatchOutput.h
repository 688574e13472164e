#pragma once
// Writes result sets as the database's command-line client does in batch mode: a header line of
// column names, one line per row, values separated by tabs, NULL as "NULL", and NUL, tab, newline
// and backslash inside values escaped as \0, \t, \n and \\.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class TBatchOutput {
 public:
  explicit TBatchOutput(std::FILE* out) : FOut(out) {}

  void WriteHeader(const std::vector<std::string>& names);
  void WriteValue(std::string_view value);
  void WriteNull();
  void EndRow();
  void Flush() { std::fflush(FOut); }

 private:
  void Separate();

  std::FILE* FOut;
  bool FRowStarted = false;
};
