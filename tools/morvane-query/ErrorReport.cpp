#include "tools/morvane-query/ErrorReport.h"

#include <cstdio>

void ReportLoginError(const TQueryError& error) {
  std::fflush(stdout);
  std::fprintf(stderr, "ERROR %d (%s): %s\n", error.Code, error.SqlState.c_str(), error.Message.c_str());
}

void ReportStatementError(const TQueryError& error, const std::string* statement, int line) {
  std::fflush(stdout);
  if (statement) std::fprintf(stderr, "--------------\n%s\n--------------\n\n", statement->c_str());
  std::fprintf(stderr, "ERROR %d (%s) at line %d: %s\n", error.Code, error.SqlState.c_str(), line,
               error.Message.c_str());
}

void ReportSourceError(const std::string& file, int error, int line) {
  std::fflush(stdout);
  std::fprintf(stderr, "ERROR at line %d: Failed to open file '%s', error: %d\n", line, file.c_str(), error);
}
