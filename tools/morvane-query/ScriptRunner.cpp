#include "tools/morvane-query/ScriptRunner.h"

#include "tools/morvane-query/ScriptReader.h"

#include <cerrno>
#include <fstream>
#include <iterator>

bool TScriptRunner::Failed() {
  if (FForce) return true;
  FFailed = true;
  return false;
}

bool TScriptRunner::Run(std::string_view script, std::string& delimiter) {
  TScriptReader reader(script, delimiter);
  while (const std::optional<TScriptCommand> command = reader.Next()) {
    switch (command->Kind) {
      case TScriptCommand::TKind::Statement:
        if (!FRunner.Run(command->Text, command->Vertical ? &FVertical : &FLayout)) {
          ReportStatementError(FRunner.LastError(), FPrintStatement ? &command->Text : nullptr, command->Line);
          if (!Failed()) return false;
        }
        break;
      case TScriptCommand::TKind::Use:
        if (!FRunner.SelectDatabase(command->Text)) {
          ReportStatementError(FRunner.LastError(), nullptr, command->Line);
          if (!Failed()) return false;
        }
        break;
      case TScriptCommand::TKind::Source: {
        errno = 0;
        std::ifstream file(command->Text, std::ios::binary);
        if (!file) {
          ReportSourceError(command->Text, errno, command->Line);
          if (!Failed()) return false;
          break;
        }
        const std::string sourced(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>{});
        if (!Run(sourced, delimiter)) return false;
        break;
      }
      case TScriptCommand::TKind::Quit:
        return false;
    }
  }
  return true;
}
