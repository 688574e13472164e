#pragma once
// Reads an SQL script as the database's command-line client reads its standard input: line by
// line, statements ended by the delimiter (";" until a DELIMITER line changes it), by \g or by \G
// (vertical layout), quotes kept whole, "--", "#" and "/* */" comments left out ("/*!" and "/*M!"
// kept for the server, and read inside as statements are), a UTF-8 byte-order mark at the start skipped, and the client
// commands:
//  - by name at the start of a line with nothing pending ("use db; SELECT 1;" runs both; a command
//    that takes an argument ends at the delimiter, one that takes none stands alone on its line,
//    "quit;" is SQL as there), or by name as a statement of its own after another on the line;
//  - as a backslash and a letter anywhere outside quotes and comments (\q, \u db, \. file, \G ...),
//    the argument being the rest of the line; \N is SQL's NULL and passed on.
// A NUL byte ends the reading there with an error, and a carriage return before a line break is
// dropped, unless in binary mode (--binary-mode): then both are kept in the statement, and the only
// client commands are DELIMITER and \C.
#include <deque>
#include <optional>
#include <string>
#include <string_view>

struct TScriptCommand {
  enum class TKind {
    Statement,
    Use,
    Source,
    Quit,
    Complaint,  // "ERROR at line N: <Text>"; Fatal ends the run as a failed statement does
    Print,      // \p: the statement read so far
    Warnings,   // \W: the server's warnings after every statement
    NoWarnings,
    Charset,
    System,
    Tee,
    NoTee,
    Pager,
    NoPager,
    Prompt,
    Status,
    Help,
    Connect,
    Sandbox,   // from here on no command may reach the file system
    BadInput,  // "ERROR at line N: <Text>"; the script is not read further
  };
  TKind Kind = TKind::Statement;
  std::string Text;  // the statement, or the command's argument
  int Line = 0;      // the line of the script where the statement starts, or of the command
  bool Vertical = false;
  bool Fatal = false;
  bool AtScriptEnd = false;  // a statement ended by the end of the script, not by a delimiter
};

struct TScriptReading {
  bool KeepComments = false;  // --comments: comments go to the server with the statements
  bool BinaryMode = false;    // --binary-mode
};

class TScriptReader {
 public:
  // The delimiter is shared with the scripts this one sources, as a DELIMITER line lasts beyond them.
  TScriptReader(std::string_view script, std::string& delimiter, TScriptReading reading = {});

  // The next statement or command; nothing at the end of the script.
  std::optional<TScriptCommand> Next();

 private:
  void ReadLine(std::string_view line);
  // Ends the reading at a NUL byte outside binary mode, as the reference client refuses it.
  void RefuseNul(std::string_view line, std::size_t at);
  // A named command at the start of the line; how much of the line it took, nothing if it is none.
  std::optional<std::size_t> LineCommand(std::string_view line);
  // A backslash command at line[i] (the backslash); false when it ends the reading of the line.
  bool BackslashCommand(std::string_view line, std::size_t& i);
  // How far an argument runs: to the delimiter, \g or \G outside quotes, or the end of the line;
  // and where reading goes on after it.
  std::pair<std::size_t, std::size_t> ArgumentEnd(std::string_view text) const;
  void Push(TScriptCommand::TKind kind, std::string_view argument);
  void Append(char c);
  void Emit(bool vertical);

  std::string_view FScript;
  std::size_t FPos = 0;
  int FLine = 0;
  std::string& FDelimiter;
  std::string FBuffer;
  int FStartLine = 0;  // where the statement or command read last started; 0 before any
  char FQuote = 0;
  bool FComment = false;      // inside "/* */", left out
  bool FKeptComment = false;  // inside "/* */" with --comments, kept as it is
  bool FQuit = false;         // \q was read: nothing after it
  TScriptReading FReading;
  std::deque<TScriptCommand> FReady;
};
