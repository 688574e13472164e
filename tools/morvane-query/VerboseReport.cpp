#include "tools/morvane-query/VerboseReport.h"

#include <cstdio>

namespace {

std::string Counted(unsigned long long count, const char* what) {
  return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

}  // namespace

void EchoStatement(const std::string& statement) {
  std::printf("--------------\n%s\n--------------\n\n", statement.c_str());
}

void ReportOutcome(const TResultOutcome& outcome, std::optional<double> seconds) {
  std::string line;
  if (!outcome.ResultSet)
    line = "Query OK, " + Counted(static_cast<unsigned long long>(outcome.AffectedRows), "row") + " affected";
  else if (outcome.Rows == 0)
    line = "Empty set";
  else
    line = Counted(outcome.Rows, "row") + " in set";
  if (outcome.Warnings > 0) line += ", " + Counted(static_cast<unsigned long long>(outcome.Warnings), "warning");
  if (seconds) {
    char time[32];
    std::snprintf(time, sizeof time, " (%.3f sec)", *seconds);
    line += time;
  }
  std::printf("%s\n", line.c_str());
  if (!outcome.ResultSet && !outcome.Info.empty()) std::printf("%s\n", outcome.Info.c_str());
  std::putchar('\n');
}

void SayBye() {
  std::puts("Bye");
}
