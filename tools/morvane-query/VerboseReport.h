#pragma once
// The reference client's -v, -vv and -vvv lines on standard output: the statement between dashed
// lines before it runs, then for each result "2 rows in set", "Empty set" or "Query OK, 1 row
// affected" (with its warnings, the server's info line, and with -vvv the time taken), and "Bye"
// at the end.
#include "tools/morvane-query/QueryRunner.h"

#include <optional>
#include <string>

void EchoStatement(const std::string& statement);
void ReportOutcome(const TResultOutcome& outcome, std::optional<double> seconds);
void SayBye();
