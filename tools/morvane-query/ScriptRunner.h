#pragma once
// Runs scripts through a logged-in session: each statement's result sets go to the layout asked
// for (the vertical one for a statement ended with \G), "use" changes the default database,
// "source" runs another file in place, "quit" ends everything. The first failure ends the run
// unless --force is given.
#include "tools/morvane-query/ErrorReport.h"
#include "tools/morvane-query/QueryRunner.h"
#include "tools/morvane-query/ResultSink.h"

#include <string>

class TScriptRunner {
 public:
  TScriptRunner(TQueryRunner& runner, TResultSink& layout, TResultSink& vertical, bool force, bool printStatement)
      : FRunner(runner), FLayout(layout), FVertical(vertical), FForce(force), FPrintStatement(printStatement) {}

  // False when the run is to end: a failure without --force, or "quit".
  bool Run(std::string_view script, std::string& delimiter);
  // 0, or 1 after a failure that ended the run.
  int ExitStatus() const { return FFailed ? 1 : 0; }

 private:
  bool Failed();

  TQueryRunner& FRunner;
  TResultSink& FLayout;
  TResultSink& FVertical;
  bool FForce;
  bool FPrintStatement;  // the failing statement shown with its error
  bool FFailed = false;
};
