#pragma once
// Error messages on standard error in the words of the database's command-line client.
#include "tools/morvane-query/QueryRunner.h"

#include <string>

// Where in the scripts a command was read: its line, and the sourced file it is in, if any.
struct TScriptPlace {
  int Line = 0;
  const std::string* File = nullptr;
};

// "ERROR 1045 (28000): Access denied ..." for a failed login.
void ReportLoginError(const TQueryError& error);
// A failed statement or "use": the statement (when given; not for "use" or with
// --skip-print-query-on-error) between dashed lines, then
// "ERROR 1146 (42S02) at line 3: Table 'kova.t' doesn't exist", with " in file: 'a.sql'" after
// the line inside a sourced file.
void ReportStatementError(const TQueryError& error, const std::string* statement, TScriptPlace place);
// The client's own complaint about a script: "ERROR at line 2: Failed to open file 'x.sql', error: 2",
// or "ERROR: ..." at line 0.
void ReportScriptError(const std::string& message, TScriptPlace place);
