#pragma once
// Reads an SQL script as the database's command-line client reads its standard input: line by
// line, statements ended by the delimiter (";" until a DELIMITER line changes it), by \g or by \G
// (vertical layout), quotes kept whole, "--", "#" and "/* */" comments left out ("/*!" and "/*M!"
// kept for the server), and the client commands use, source, delimiter and quit/exit at the start
// of a line outside a statement.
#include <deque>
#include <optional>
#include <string>
#include <string_view>

struct TScriptCommand {
  enum class TKind { Statement, Use, Source, Quit };
  TKind Kind = TKind::Statement;
  std::string Text;  // the statement, the database or the file name
  int Line = 0;      // the line of the script where the statement starts, or of the command
  bool Vertical = false;
};

class TScriptReader {
 public:
  // The delimiter is shared with the scripts this one sources, as a DELIMITER line lasts beyond them.
  TScriptReader(std::string_view script, std::string& delimiter) : FScript(script), FDelimiter(delimiter) {}

  // The next statement or command; nothing at the end of the script.
  std::optional<TScriptCommand> Next();

 private:
  void ReadLine(std::string_view line);
  bool ClientCommand(std::string_view line);
  void Append(char c);
  void Emit(bool vertical);

  std::string_view FScript;
  std::size_t FPos = 0;
  int FLine = 0;
  std::string& FDelimiter;
  std::string FBuffer;
  int FStartLine = 0;
  char FQuote = 0;
  bool FComment = false;      // inside "/* */", left out
  bool FCodeComment = false;  // inside "/*! */", kept
  std::deque<TScriptCommand> FReady;
};
