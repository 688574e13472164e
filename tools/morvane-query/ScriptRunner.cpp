#include "tools/morvane-query/ScriptRunner.h"

#include "tools/morvane-query/StatusReport.h"
#include "tools/morvane-query/VerboseReport.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

using TKind = TScriptCommand::TKind;

// As the reference client lists its commands, in the words of this one where it names itself.
constexpr const char* CommandList =
    "?         (\\?) Synonym for `help'.\n"
    "charset   (\\C) Switch to another charset. Might be needed for processing binlog with multi-byte charsets.\n"
    "clear     (\\c) Clear the current input statement.\n"
    "connect   (\\r) Reconnect to the server. Optional arguments are db and host.\n"
    "delimiter (\\d) Set statement delimiter.\n"
    "edit      (\\e) Edit command with $EDITOR.\n"
    "ego       (\\G) Send command to MariaDB server, display result vertically.\n"
    "exit      (\\q) Exit morvane-query. Same as quit.\n"
    "go        (\\g) Send command to MariaDB server.\n"
    "help      (\\h) Display this help.\n"
    "nopager   (\\n) Disable pager, print to stdout.\n"
    "notee     (\\t) Don't write into outfile.\n"
    "nowarning (\\w) Don't show warnings after every statement.\n"
    "pager     (\\P) Set PAGER [to_pager]. Print the query results via PAGER.\n"
    "print     (\\p) Print current command.\n"
    "prompt    (\\R) Change the prompt of morvane-query.\n"
    "quit      (\\q) Leave morvane-query.\n"
    "rehash    (\\#) Rebuild completion hash.\n"
    "sandbox   (\\-) Disallow commands that access the file system (except \\P without an argument and \\e).\n"
    "source    (\\.) Execute an SQL script file. Takes a file name as an argument.\n"
    "status    (\\s) Get status information from the server.\n"
    "system    (\\!) Execute a system shell command.\n"
    "tee       (\\T) Set outfile [to_outfile]. Append everything into given outfile.\n"
    "use       (\\u) Use another database. Takes database name as argument.\n"
    "warnings  (\\W) Show warnings after every statement.\n";

std::string_view NextWord(std::string_view& text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  std::size_t end = 0;
  while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
  const std::string_view word = text.substr(0, end);
  text.remove_prefix(end);
  return word;
}

// A character set's name goes into SET NAMES as it is: only letters, digits and '_' pass.
bool IsPlainName(std::string_view name) {
  for (const char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return !name.empty();
}

}  // namespace

TScriptRunner::TFlow TScriptRunner::Failed() {
  if (!FSettings.Force) {
    FFailed = true;
    return TFlow::EndRun;
  }
  return FDepth > 0 && FSettings.AbortSourceOnError ? TFlow::EndFile : TFlow::GoOn;
}

bool TScriptRunner::Refused(const TScriptCommand& command) {
  if (!FSandbox) return false;
  ReportScriptError("Not allowed in the sandbox mode", Place(command));
  return true;
}

TScriptRunner::TFlow TScriptRunner::RunScript(std::string_view script, std::string& delimiter) {
  TScriptReader reader(script, delimiter, FSettings.Reading);
  while (const std::optional<TScriptCommand> command = reader.Next())
    if (const TFlow flow = Do(*command, delimiter); flow != TFlow::GoOn) return flow;
  return TFlow::GoOn;
}

TScriptRunner::TFlow TScriptRunner::Source(const TScriptCommand& command, std::string& delimiter) {
  if (FDepth >= MaxSourceDepth) {
    ReportScriptError(
        "Source files nested more than " + std::to_string(MaxSourceDepth) + " deep: '" + command.Text + "' is not read",
        Place(command));
    return Failed();
  }
  errno = 0;
  std::ifstream file(command.Text, std::ios::binary);
  if (!file) {
    ReportScriptError("Failed to open file '" + command.Text + "', error: " + std::to_string(errno), Place(command));
    return Failed();
  }
  const std::string sourced(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>{});
  const std::string* outer = FFile;
  FFile = &command.Text;
  ++FDepth;
  const TFlow flow = RunScript(sourced, delimiter);
  --FDepth;
  FFile = outer;
  return flow == TFlow::EndRun ? flow : TFlow::GoOn;
}

bool TScriptRunner::Connect(std::string_view arguments) {
  if (const std::string_view database = NextWord(arguments); !database.empty()) FLogin.Database = database;
  if (const std::string_view host = NextWord(arguments); !host.empty()) FLogin.Host = host;
  return FRunner.Connect(FLogin);
}

bool TScriptRunner::RunStatement(const TScriptCommand& command) {
  if (FSettings.EchoLevel > 0) EchoStatement(command.Text);
  TOutcomeReport report;
  const auto started = std::chrono::steady_clock::now();
  if (FSettings.EchoLevel > 1)
    report = [&](const TResultOutcome& outcome) {
      const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - started;
      ReportOutcome(outcome, FSettings.EchoLevel > 2 ? std::optional<double>(taken.count()) : std::nullopt);
    };
  TResultSink& sink = command.Vertical ? FVertical : FLayout;
  // The reference client's statement still holds the line break that ended the script.
  sink.StartStatement(command.AtScriptEnd ? command.Text + "\n" : command.Text);
  return FRunner.Run(command.Text, &sink, report);
}

TScriptRunner::TFlow TScriptRunner::Do(const TScriptCommand& command, std::string& delimiter) {
  const auto failedStatement = [&](const std::string* statement) {
    // As the reference client: a statement that fails while its rows are read is not shown, and
    // when they were streamed an empty one is.
    static const std::string nothing;
    if (statement && FRunner.FailedInRows()) statement = FRunner.StreamsRows() ? &nothing : nullptr;
    ReportStatementError(FRunner.LastError(), FSettings.PrintStatement ? statement : nullptr, Place(command));
    return Failed();
  };
  switch (command.Kind) {
    case TKind::Statement:
      // An echoed statement is not shown again with its error.
      if (!RunStatement(command)) return failedStatement(FSettings.EchoLevel > 0 ? nullptr : &command.Text);
      if (FSettings.ShowWarnings && FRunner.WarningCount() > 0) FRunner.Run("SHOW WARNINGS", &FWarnings);
      break;
    case TKind::Use:
      if (command.Text.empty()) {
        ReportScriptError("USE must be followed by a database name", Place(command));
        break;
      }
      if (!FRunner.SelectDatabase(command.Text)) return failedStatement(nullptr);
      FLogin.Database = command.Text;
      break;
    case TKind::Source:
      if (Refused(command)) return Failed();
      return Source(command, delimiter);
    case TKind::Quit:
      return TFlow::EndRun;
    case TKind::Complaint:
      ReportScriptError(command.Text, Place(command));
      if (command.Fatal) return Failed();
      break;
    case TKind::BadInput:
      // The file is read no further even with --force; with it a file that sourced this one goes on.
      ReportScriptError(command.Text, Place(command));
      if (FSettings.Force && FDepth > 0) return TFlow::EndFile;
      FFailed = true;
      return TFlow::EndRun;
    case TKind::Print:
      std::printf("--------------\n%s\n--------------\n\n", command.Text.c_str());
      break;
    case TKind::Warnings:
    case TKind::NoWarnings:
      FSettings.ShowWarnings = command.Kind == TKind::Warnings;
      break;
    case TKind::Charset: {
      std::string_view arguments = command.Text;
      const std::string_view name = NextWord(arguments);
      if (!IsPlainName(name) || !FRunner.Run("SET NAMES " + std::string(name), nullptr))
        return failedStatement(nullptr);
      FLogin.CharacterSet = name;
      break;
    }
    case TKind::System:
      if (Refused(command)) return Failed();
      // Unlike the reference client, which leaves its output buffered meanwhile, what came before
      // is printed before the command's output.
      std::fflush(stdout);
      if (std::system(command.Text.c_str()) == -1) std::perror("system");
      break;
    case TKind::Tee:
      if (Refused(command)) return Failed();
      // Without a terminal the reference client writes no outfile.
      break;
    case TKind::Pager:
      // Nor uses a pager.
      break;
    case TKind::Sandbox:
      FSandbox = true;
      break;
    case TKind::NoTee:
      std::puts("Outfile disabled.");
      break;
    case TKind::NoPager:
      std::puts("PAGER set to stdout");
      break;
    case TKind::Prompt:
      if (command.Text.empty())
        std::puts("Returning to default PROMPT of \\N [\\d]> ");
      else
        std::printf("PROMPT set to '%s'\n", command.Text.c_str());
      break;
    case TKind::Status:
      PrintStatus(FRunner, FSettings.ClientVersion, delimiter);
      break;
    case TKind::Help:
      std::fputs(CommandList, stdout);
      break;
    case TKind::Connect:
      if (!Connect(command.Text)) return failedStatement(nullptr);
      break;
  }
  return TFlow::GoOn;
}
