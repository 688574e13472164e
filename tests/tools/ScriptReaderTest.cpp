#include "tools/morvane-query/ScriptReader.h"

#include <gtest/gtest.h>

namespace {

// The command's name in the order of TScriptCommand::TKind, the statement's empty.
constexpr const char* KindNames[] = {"",          "use",     "source", "quit",    "error",   "print",    "warnings",
                                     "nowarning", "charset", "system", "tee",     "notee",   "pager",    "nopager",
                                     "prompt",    "status",  "help",   "connect", "sandbox", "bad input"};

// Each command as "line:text", "line:text\G" for a vertical statement, or "use:db", "source:f",
// "quit" and so on.
std::vector<std::string> Read(std::string_view script, std::string delimiter = ";") {
  TScriptReader reader(script, delimiter);
  std::vector<std::string> commands;
  while (const auto command = reader.Next()) {
    if (command->Kind == TScriptCommand::TKind::Statement)
      commands.push_back(std::to_string(command->Line) + ":" + command->Text + (command->Vertical ? "\\G" : ""));
    else
      commands.push_back(KindNames[static_cast<int>(command->Kind)] +
                         (command->Text.empty() ? "" : ":" + command->Text));
  }
  return commands;
}

}  // namespace

TEST(ScriptReader, SplitsAsTheReferenceClientReadsItsInput) {
  const struct {
    std::string_view Script;
    std::vector<std::string> Commands;
  } cases[] = {
      {"SELECT 1; SELECT 2", {"1:SELECT 1", "1:SELECT 2"}},
      {"SELECT 'a;b', \"c;d\", `e;f`;", {"1:SELECT 'a;b', \"c;d\", `e;f`"}},
      {"SELECT 'it''s; ok', 'back\\'; slash'", {"1:SELECT 'it''s; ok', 'back\\'; slash'"}},
      // Comments are left out; one that parts two words leaves a blank.
      {"SELECT 1 -- no; split\n; SELECT 2 # nor; here\n", {"1:SELECT 1", "2:SELECT 2"}},
      {"SELECT 1/* ; */+1;", {"1:SELECT 1 +1"}},
      {"SELECT 3--1;", {"1:SELECT 3--1"}},
      {" ; -- only a comment\n ;/* and another */;", {}},
      {"/*!40101 SET NAMES utf8 */;", {"1:/*!40101 SET NAMES utf8 */"}},
      // Inside a comment the server runs, quotes and backslash commands are read as outside it.
      {"/*M!999999\\- enable the sandbox mode */\nSELECT 1;",
       {"sandbox", "1:/*M!999999 enable the sandbox mode */\nSELECT 1"}},
      {"/*!40101 SELECT 'a\\Gb;' */;", {"1:/*!40101 SELECT 'a\\Gb;' */"}},
      {"SELECT 'open quote; never closed", {"1:SELECT 'open quote; never closed"}},
      // The line is where the statement's first word is.
      {"\n\nSELECT\n1\n;", {"3:SELECT\n1"}},
      {"/*\n\n*/ SELECT 1;", {"3: SELECT 1"}},
      {"SELECT 1\\G SELECT 2\\g", {"1:SELECT 1\\G", "1:SELECT 2"}},
      {"DELIMITER //\nCREATE PROCEDURE p() BEGIN SELECT 1; END //\ndelimiter ;\nCALL p();",
       {"2:CREATE PROCEDURE p() BEGIN SELECT 1; END", "4:CALL p()"}},
      // Client commands only at the start of a line outside a statement.
      {"use kova;\nSELECT 1;\n  USE `x`\nsource a b.sql \nquit\nSELECT 2",
       {"use:kova", "2:SELECT 1", "use:x", "source:a b.sql", "quit"}},
      {"SELECT\nuse", {"1:SELECT\nuse"}},
      // What follows a client command on its line is read on: "use" takes the first word up to
      // the delimiter, "source" all of it, a backslash command the rest of the line.
      {"use clirepro; DELETE FROM w; INSERT INTO w VALUES (5);",
       {"use:clirepro", "1:DELETE FROM w", "1:INSERT INTO w VALUES (5)"}},
      {"use `cli test`;select 1", {"use:cli test", "1:select 1"}},
      {"use 'a;b'; select 1", {"use:a;b", "1:select 1"}},
      {"use db extra words; select 2;\nuse\n", {"use:db", "1:select 2", "use"}},
      {"use db\\g select 1;", {"use:db", "1:select 1"}},
      {"source a.sql; select 2;", {"source:a.sql", "1:select 2"}},
      {"\\. a.sql; select 5;", {"source:a.sql; select 5;"}},
      {"\\u db select 1;\nselect 2;", {"use:db", "2:select 2"}},
      {"select 1; use db; source f.sql; select 2;", {"1:select 1", "use:db", "source:f.sql", "1:select 2"}},
      // quit and exit stand alone on their line; "quit;" is SQL.
      {"quit;\nselect 2;", {"1:quit", "quit"}},
      {"  QUIT \nselect 2;", {"quit"}},
      {"select 1; exit", {"1:select 1", "1:exit", "quit"}},
      {"select 1 \\q select 2;", {"1:select 1", "quit"}},
      {"select 1;\\q\nselect 2;", {"1:select 1", "quit"}},
      // Commands without an argument, alone on their line or with the delimiter.
      {"go\nselect 1\ngo\n;", {"2:select 1\ngo"}},
      {"warnings;\nselect 1/0;\\w\nnowarning\n", {"warnings", "2:select 1/0", "nowarning", "nowarning"}},
      {"select 1\\p;\nprompt x> \nrehash\nnotee\npager less\nnopager\ntee /tmp/x\nsystem ls; select 3;",
       {"print:select 1", "1:select 1", "prompt:x> ", "notee", "pager:less", "nopager", "tee:/tmp/x", "system:ls",
        "8:select 3"}},
      {"charset latin1\nconnect db host\nstatus\nhelp\n", {"charset:latin1", "connect:db host", "status", "help"}},
      // \N is SQL's NULL; other unknown letters are refused but kept for --force.
      {"select \\N, '\\N';", {"1:select \\N, '\\N'"}},
      {"select 1 \\x;", {"error:Unknown command '\\x'.", "1:select 1 \\x"}},
      {"delimiter\ndelimiter a\\b\nselect 1;",
       {"error:DELIMITER must be followed by a 'delimiter' character or "
        "string",
        "error:DELIMITER cannot contain a backslash character", "3:select 1"}},
      // A byte-order mark at the start is no part of the first statement.
      {"\xEF\xBB\xBFuse db\nselect 1;", {"use:db", "2:select 1"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Read(c.Script), c.Commands) << c.Script;
}
