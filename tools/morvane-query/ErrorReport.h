#pragma once
// Error messages on standard error in the words of the database's command-line client.
#include "tools/morvane-query/QueryRunner.h"

#include <string>

// "ERROR 1045 (28000): Access denied ..." for a failed login.
void ReportLoginError(const TQueryError& error);
// A failed statement or "use": the statement (when given; not for "use" or with
// --skip-print-query-on-error) between dashed lines, then
// "ERROR 1146 (42S02) at line 3: Table 'kova.t' doesn't exist".
void ReportStatementError(const TQueryError& error, const std::string* statement, int line);
// "ERROR at line 2: Failed to open file 'x.sql', error: 2" for a "source" that cannot be read.
void ReportSourceError(const std::string& file, int error, int line);
