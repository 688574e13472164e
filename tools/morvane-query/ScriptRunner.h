#pragma once
// Runs scripts through a logged-in session: each statement's result sets go to the layout asked
// for (the vertical one for a statement ended with \G), "use" changes the default database,
// "source" runs another file in place (at most MaxSourceDepth files deep), "quit" ends everything,
// and the other client commands act as the database's command-line client's do without a
// terminal. The first failure ends the run unless --force is given.
#include "tools/morvane-query/ErrorReport.h"
#include "tools/morvane-query/QueryRunner.h"
#include "tools/morvane-query/ResultSink.h"
#include "tools/morvane-query/ScriptReader.h"
#include "tools/morvane-query/WarningOutput.h"

#include <string>

struct TScriptSettings {
  bool Force = false;
  bool PrintStatement = true;       // the failing statement shown with its error
  bool AbortSourceOnError = false;  // with --force, a failure ends the sourced file it is in
  bool ShowWarnings = false;        // the server's warnings after every statement
  TScriptReading Reading;           // --comments, --binary-mode
  std::string ClientVersion;        // the first line of "status"
  int EchoLevel = 0;                // -v: statements echoed; -vv: and their outcome; -vvv: and its time
};

class TScriptRunner {
 public:
  static constexpr int MaxSourceDepth = 64;

  TScriptRunner(TQueryRunner& runner, const TQueryLogin& login, TResultSink& layout, TResultSink& vertical,
                TScriptSettings settings)
      : FRunner(runner), FLogin(login), FLayout(layout), FVertical(vertical), FSettings(settings) {}

  // False when the run is to end: a failure without --force, or "quit".
  bool Run(std::string_view script, std::string& delimiter) { return RunScript(script, delimiter) == TFlow::GoOn; }
  // 0, or 1 after a failure that ended the run.
  int ExitStatus() const { return FFailed ? 1 : 0; }

 private:
  enum class TFlow { GoOn, EndFile, EndRun };

  TFlow RunScript(std::string_view script, std::string& delimiter);
  TFlow Do(const TScriptCommand& command, std::string& delimiter);
  bool RunStatement(const TScriptCommand& command);
  TFlow Source(const TScriptCommand& command, std::string& delimiter);
  bool Connect(std::string_view arguments);
  TFlow Failed();
  // In sandbox mode: the command is refused as one that reaches the file system.
  bool Refused(const TScriptCommand& command);
  TScriptPlace Place(const TScriptCommand& command) const { return {command.Line, FFile}; }

  TQueryRunner& FRunner;
  TQueryLogin FLogin;
  TResultSink& FLayout;
  TResultSink& FVertical;
  TWarningOutput FWarnings{stdout};
  TScriptSettings FSettings;
  int FDepth = 0;                      // how many sourced files deep the current command is
  const std::string* FFile = nullptr;  // the sourced file it is in, as "source" named it
  bool FFailed = false;
  bool FSandbox = false;  // a dump's sandbox line was read: no source, system or tee after it
};
