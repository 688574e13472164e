#include "tools/morvane-query/StatementSplitter.h"

#include <gtest/gtest.h>

TEST(StatementSplitter, SplitsAtSemicolonsOutsideQuotesAndComments) {
  const struct {
    std::string_view Script;
    std::vector<std::string> Statements;
  } cases[] = {
      {"SELECT 1; SELECT 2", {"SELECT 1", "SELECT 2"}},
      {"SELECT 'a;b', \"c;d\", `e;f`;", {"SELECT 'a;b', \"c;d\", `e;f`"}},
      {"SELECT 'it''s; ok', 'back\\'; slash'", {"SELECT 'it''s; ok', 'back\\'; slash'"}},
      {"SELECT 1 -- no; split\n; SELECT 2 # nor; here\n", {"SELECT 1 -- no; split", "SELECT 2 # nor; here"}},
      {"SELECT 1/* ; */+1;", {"SELECT 1/* ; */+1"}},
      {"SELECT 3--1;", {"SELECT 3--1"}},
      {" ; -- only a comment\n ;/* and another */;", {}},
      {"/*!40101 SET NAMES utf8 */;", {"/*!40101 SET NAMES utf8 */"}},
      {"SELECT 'open quote; never closed", {"SELECT 'open quote; never closed"}},
      {"SELECT 1 /* open comment; ", {"SELECT 1 /* open comment;"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitStatements(c.Script), c.Statements) << c.Script;
}
