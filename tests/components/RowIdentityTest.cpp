// Rows of tables without a usable key: the condition an edit or a delete sends tells them apart
// exactly, or the change is refused before anything is sent. And a table's keys are read whatever
// their names hold and however many columns they have.
#include "components/MyConnection.h"
#include "components/MyQuery.h"
#include "driver/MySQLCommand.h"
#include "driver/MySQLConnection.h"
#include "tests/components/TestConnection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using test_server::Admin;

class RowIdentityTest : public ::testing::Test {
 protected:
  TMyConnection Connection;
  TMyQuery Query;
  std::vector<std::string> Statements;  // generated statements, placeholders in place

  void SetUp() override {
    Admin({"CREATE DATABASE IF NOT EXISTS " + test_server::Database()});
    test_server::Configure(Connection);
    Query.SetConnection(&Connection);
    Query.BeforeUpdateExecute = [this](TDataSet&, TStatementType, const std::string& text) {
      Statements.push_back(text);
    };
  }
  void TearDown() override { Admin({"DROP DATABASE IF EXISTS " + test_server::Database()}); }

  std::string Scalar(const std::string& sql) {
    Connection.Connect();
    return Connection.MySQLConnection()->QueryFirstValue(sql);
  }
  // A table the query has not met before: it learns a table's keys once.
  std::string MakeTable(const std::string& columns, const std::string& rows) {
    Query.Close();
    const std::string name = "t" + std::to_string(++Tables);
    Admin({"CREATE TABLE " + test_server::Database() + "." + name + " " + columns + " DEFAULT CHARSET=utf8mb4",
           "INSERT INTO " + test_server::Database() + "." + name + " VALUES " + rows});
    return name;
  }
  int Tables = 0;
  // What the server logged of this connection's statements that begin with the text.
  std::vector<std::string> Logged(const std::string& start) {
    TMyConnection admin;
    test_server::Configure(admin, "");
    admin.Connect();
    TMySQLCommand read(*admin.MySQLConnection());
    read.SQL = "SELECT CONVERT(argument USING utf8mb4) FROM mysql.general_log WHERE thread_id = " +
               std::to_string(Connection.MySQLConnection()->GetThreadId()) + " AND argument LIKE '" + start +
               "%' ORDER BY event_time";
    read.RequestResultset = true;
    read.Execute();
    std::vector<std::string> rows;
    while (const TMySqlBinds* row = TMySQLConnection::API().mysql_fetch_row(read.SQLResult()))
      rows.emplace_back(row->Value(0));
    read.FreeResult();
    return rows;
  }
};

}  // namespace

// Two rows that differ only in one column, the second shown second. Editing the second row's grp
// and then deleting it must touch that row alone, or be refused with nothing changed.
TEST_F(RowIdentityTest, KeylessRowsDifferingInOneColumnAreToldApartOrRefused) {
  const struct {
    const char* columns;
    const char* rows;
    const char* order;
    bool refused;
  } cases[] = {
      {"(grp INT, v TEXT, INDEX(grp))", "(1, 'a'), (1, 'b')", "v", false},
      {"(grp INT, v DECIMAL(10,2))", "(1, 1.50), (1, 2.50)", "v", false},
      {"(grp INT, v VARCHAR(9) COLLATE utf8mb4_general_ci)", "(1, 'A'), (1, 'a')", "BINARY v", false},
      {"(grp INT, v VARCHAR(9) CHARACTER SET latin1)", "(1, 'x'), (1, 'x ')", "LENGTH(v)", false},
      {"(grp INT, v VARCHAR(9) CHARACTER SET latin1)", "(1, '\xC3\xA9'), (1, '\xC3\x89')", "BINARY v DESC", false},
      {"(grp INT, v BLOB)", "(1, X'00'), (1, X'0000')", "LENGTH(v)", false},
      {"(grp INT, v DATETIME(3))", "(1, '2024-01-01 00:00:00.001'), (1, '2024-01-01 00:00:00.002')", "v", false},
      {"(grp INT, v DOUBLE)", "(1, 1.5), (1, 2.5)", "v", false},
      {"(grp INT, v FLOAT)", "(1, 1.5), (1, 1.50001)", "v", false},
      {"(grp INT, v DATETIME(6))", "(1, '2024-01-01 00:00:00.000001'), (1, '2024-01-01 00:00:00.001001')", "v", false},
      {"(grp INT, v TIME(6))", "(1, '-01:00:00.000001'), (1, '-01:00:00.001001')", "v DESC", false},
      // Rows the server shows alike.
      {"(grp INT, v DOUBLE)", "(1, 0.3), (1, 0.1e0 + 0.2e0)", "v", true},
      {"(grp INT, v FLOAT)", "(1, 1.0000001), (1, 1.0000002)", "v", true},
      {"(grp INT, v DATETIME(6))", "(1, '2024-01-01 00:00:00.000001'), (1, '2024-01-01 00:00:00.000002')", "v", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.columns + std::string(" ") + c.rows);
    const std::string t = MakeTable(c.columns, c.rows);
    const std::string whole = "SELECT GROUP_CONCAT(grp, ':', HEX(v) ORDER BY " + std::string(c.order) + ") FROM " + t;
    const std::string before = Scalar(whole);
    Query.SQL().SetText("SELECT grp, v FROM " + t + " ORDER BY " + std::string(c.order));
    Query.Open();
    Query.Next();
    Query.Edit();
    Query.FieldByName("grp").SetAsInteger(2);
    Statements.clear();
    if (c.refused) {
      try {
        Query.Post();
        ADD_FAILURE() << "posted";
      } catch (const EDatabaseError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "This row cannot be told apart from other rows: no key names it, and v cannot be compared exactly "
                  "(a floating-point number shows fewer digits than it holds, a time finer than milliseconds is not "
                  "kept). Nothing was changed.");
      }
      Query.Cancel();
      EXPECT_THROW(Query.Delete(), EDatabaseError);
      EXPECT_TRUE(Statements.empty()) << Statements.front();
      EXPECT_EQ(Scalar(whole), before);
      continue;
    }
    Query.Post();
    const std::string first = before.substr(0, before.find(','));
    EXPECT_EQ(Scalar(whole), first + ",2" + before.substr(before.find(':', first.size() + 1)));
    Query.Delete();
    EXPECT_EQ(Scalar(whole), first);
  }
}

// Keys of values the server shows with fewer digits than it keeps: the row is found by the range of
// values it may hold, and changed when no other row falls in it.
TEST_F(RowIdentityTest, KeysOfMicrosecondsAndFloatsCanBeEdited) {
  const struct {
    const char* columns;
    const char* rows;
  } cases[] = {
      {"(k DATETIME(6) PRIMARY KEY, note VARCHAR(9))",
       "('2024-01-01 00:00:00.123456', 'a'), ('2024-01-01 00:00:00.124456', 'b')"},
      {"(k TIME(6) PRIMARY KEY, note VARCHAR(9))", "('-00:00:01.000001', 'a'), ('-00:00:01.500001', 'b')"},
      {"(k FLOAT PRIMARY KEY, note VARCHAR(9))", "(1.1, 'a'), (2.2, 'b')"},
      {"(k DOUBLE, j INT, note VARCHAR(9), PRIMARY KEY (k, j))", "(0.1e0 + 0.2e0, 1, 'a'), (0.3, 2, 'b')"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.columns);
    const std::string t = MakeTable(c.columns, c.rows);
    Query.SQL().SetText("SELECT * FROM " + t + " ORDER BY note");
    Query.Open();
    Query.Next();
    Query.Edit();
    Query.FieldByName("note").SetAsString("c");
    Query.Post();
    EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(note ORDER BY note) FROM " + t), "a,c");
    Query.Delete();
    EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(note ORDER BY note) FROM " + t), "a");
  }
}

// Rows equal in every column are interchangeable: one of them changes, even when a column cannot
// be compared exactly.
TEST_F(RowIdentityTest, IdenticalRowsChangeOneAtATime) {
  MakeTable("(grp INT, v DOUBLE, at DATETIME(6))",
            "(1, 0.1, '2024-01-01 00:00:00.000001'), "
            "(1, 0.1, '2024-01-01 00:00:00.000001'), (2, 0.3, NULL)");
  Query.SQL().SetText("SELECT grp, v, at FROM t1 ORDER BY grp");
  Query.Open();
  Query.Edit();
  Query.FieldByName("grp").SetAsInteger(3);
  Query.Post();
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(grp ORDER BY grp) FROM t1"), "1,2,3");
  Query.Last();
  Query.Delete();
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(grp ORDER BY grp) FROM t1"), "1,3");
}

// The server's log shows what an edit of a key-less row sends: every text compared byte for byte.
TEST_F(RowIdentityTest, TheLogShowsTheExactComparison) {
  Admin({"SET GLOBAL log_output = 'TABLE'", "SET GLOBAL general_log = 1"});
  MakeTable("(grp INT, note TEXT, price DECIMAL(10,2), INDEX(grp))", "(1, 'a', 1.50), (1, 'b', 1.50)");
  Query.SQL().SetText("SELECT grp, note, price FROM t1 ORDER BY note");
  Query.Open();
  Query.Next();
  Query.Edit();
  Query.FieldByName("note").SetAsString("b-edited");
  Query.Post();
  EXPECT_EQ(Logged("UPDATE t1"),
            std::vector<std::string>{"UPDATE t1\r\nSET\r\n  note = 'b-edited'\r\nWHERE\r\n  grp = 1 "
                                     "AND note = 'b' AND BINARY CONVERT(note USING utf8mb4) = 'b' "
                                     "AND price = CAST(1.5 AS DECIMAL(65,2))\r\nLIMIT 1"});
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(note ORDER BY note) FROM t1"), "a,b-edited");
}

// A key's column names may hold any character, and a key many long names: each is read as it is.
TEST_F(RowIdentityTest, KeysAreReadWholeWhateverTheirNames) {
  const std::string odd =
      "x\x1E"
      "b\x1Fv";
  std::string columns, names, first, second, third;
  for (int i = 1; i <= 16; ++i) {
    std::string name = "c" + std::to_string(i) + "_";
    name += std::string(64 - name.size(), 'n');
    columns += "`" + name + "` INT, ";
    names += (i > 1 ? ", `" : "`") + name + "`";
    // The three rows differ only in the last two columns of the key.
    first += "1, ";
    second += i < 15 ? "1, " : i == 15 ? "2, " : "1, ";
    third += i < 15 ? "1, " : i == 15 ? "1, " : "2, ";
  }
  const struct {
    std::string columns, rows, key;
  } cases[] = {
      {"(`" + odd + "` INT, x INT, note VARCHAR(9), UNIQUE KEY a(`" + odd + "`))",
       "(1, 1, 'a'), (2, 1, 'b'), (3, 1, 'c')", "`" + odd + "`"},
      {"(" + columns + "note VARCHAR(9), UNIQUE KEY wide(" + names + "))",
       "(" + first + "'a'), (" + second + "'b'), (" + third + "'c')", names},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    const std::string t = MakeTable(c.columns, c.rows);
    Connection.Connect();
    Connection.MySQLConnection()->ExecStatement("SET SESSION group_concat_max_len = 1024");
    Query.SQL().SetText("SELECT * FROM " + t + " ORDER BY note");
    Query.Open();
    Query.Next();
    Query.Edit();
    Query.FieldByName("note").SetAsString("edited");
    Query.Post();
    EXPECT_FALSE(Statements.back().ends_with("LIMIT 1")) << Statements.back();
    EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(note ORDER BY note) FROM " + t), "a,c,edited");
  }
}
