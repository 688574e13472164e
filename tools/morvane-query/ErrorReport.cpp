#include "tools/morvane-query/ErrorReport.h"

#include <cstdio>

namespace {

std::string Where(TScriptPlace place) {
  std::string where = "at line " + std::to_string(place.Line);
  if (place.File) where += " in file: '" + *place.File + "'";
  return where;
}

}  // namespace

void ReportLoginError(const TQueryError& error) {
  std::fflush(stdout);
  std::fprintf(stderr, "ERROR %d (%s): %s\n", error.Code, error.SqlState.c_str(), error.Message.c_str());
}

void ReportStatementError(const TQueryError& error, const std::string* statement, TScriptPlace place) {
  std::fflush(stdout);
  if (statement) std::fprintf(stderr, "--------------\n%s\n--------------\n\n", statement->c_str());
  std::fprintf(stderr, "ERROR %d (%s) %s: %s\n", error.Code, error.SqlState.c_str(), Where(place).c_str(),
               error.Message.c_str());
}

void ReportScriptError(const std::string& message, TScriptPlace place) {
  std::fflush(stdout);
  std::fprintf(stderr, "ERROR %s: %s\n", Where(place).c_str(), message.c_str());
}
