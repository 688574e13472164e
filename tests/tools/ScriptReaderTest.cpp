#include "tools/morvane-query/ScriptReader.h"

#include <gtest/gtest.h>

namespace {

// Each command as "line:text", "line:text\G" for a vertical statement, or "use:db", "source:f", "quit".
std::vector<std::string> Read(std::string_view script) {
  std::string delimiter = ";";
  TScriptReader reader(script, delimiter);
  std::vector<std::string> commands;
  while (const auto command = reader.Next()) {
    switch (command->Kind) {
      case TScriptCommand::TKind::Statement:
        commands.push_back(std::to_string(command->Line) + ":" + command->Text + (command->Vertical ? "\\G" : ""));
        break;
      case TScriptCommand::TKind::Use:
        commands.push_back("use:" + command->Text);
        break;
      case TScriptCommand::TKind::Source:
        commands.push_back("source:" + command->Text);
        break;
      case TScriptCommand::TKind::Quit:
        commands.push_back("quit");
        break;
    }
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
      {"SELECT 'open quote; never closed", {"1:SELECT 'open quote; never closed"}},
      // The line is where the statement's first word is.
      {"\n\nSELECT\n1\n;", {"3:SELECT\n1"}},
      {"/*\n\n*/ SELECT 1;", {"3: SELECT 1"}},
      {"SELECT 1\\G SELECT 2\\g", {"1:SELECT 1\\G", "1:SELECT 2"}},
      {"DELIMITER //\nCREATE PROCEDURE p() BEGIN SELECT 1; END //\ndelimiter ;\nCALL p();",
       {"2:CREATE PROCEDURE p() BEGIN SELECT 1; END", "4:CALL p()"}},
      // Client commands only at the start of a line outside a statement.
      {"use kova;\nSELECT 1;\n  USE `x`\nsource a b.sql \nquit\nSELECT 2",
       {"use:kova", "2:SELECT 1", "use:x", "source:a b.sql", "quit", "6:SELECT 2"}},
      {"SELECT\nuse", {"1:SELECT\nuse"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Read(c.Script), c.Commands) << c.Script;
}
