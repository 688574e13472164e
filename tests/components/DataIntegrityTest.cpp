#include "components/MyConnection.h"
#include "components/MyQuery.h"
#include "dataset/DAError.h"
#include "driver/MySQLConnection.h"
#include "tests/components/TestConnection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

using test_server::Admin;

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

// Writes through a dataset against tables of these tests' own database (and of a second one).
class DataIntegrityTest : public ::testing::Test {
 protected:
  TMyConnection Connection;
  TMyQuery Query;
  std::vector<std::string> Statements;  // generated statements, placeholders in place
  const std::string OtherDatabase = test_server::ProcessDatabase("morvane_other_test");

  void SetUp() override {
    Admin({"CREATE DATABASE IF NOT EXISTS " + test_server::Database(), "CREATE DATABASE IF NOT EXISTS " + OtherDatabase,
           "CREATE TABLE " + test_server::Database() +
               ".notes (id INT PRIMARY KEY, note VARCHAR(255), tag CHAR(2)) DEFAULT CHARSET=utf8mb4",
           "CREATE TABLE " + test_server::Database() + ".victim (x INT)",
           "CREATE TABLE " + test_server::Database() + ".keyless (a INT, note VARCHAR(20))",
           "INSERT INTO " + test_server::Database() + ".keyless VALUES (1, 'same'), (1, 'same'), (2, 'other')",
           "CREATE TABLE " + test_server::Database() + ".bytes (id INT PRIMARY KEY, vb VARBINARY(8), b BINARY(4))",
           "INSERT INTO " + test_server::Database() + ".bytes VALUES (1, X'41FF0042', X'41420000')",
           "CREATE TABLE " + test_server::Database() +
               ".counters (id INT AUTO_INCREMENT PRIMARY KEY, big BIGINT UNSIGNED, needed INT NOT NULL)",
           "CREATE TABLE " + OtherDatabase + ".notes (id INT PRIMARY KEY, note VARCHAR(255))",
           "INSERT INTO " + test_server::Database() + ".notes (id, note) VALUES (1, 'mine')",
           "INSERT INTO " + OtherDatabase + ".notes VALUES (1, 'theirs'), (2, 'theirs too')"});
    test_server::Configure(Connection);
    Query.SetConnection(&Connection);
    Query.BeforeUpdateExecute = [this](TDataSet&, TStatementType, const std::string& text) {
      Statements.push_back(text);
    };
  }

  void TearDown() override {
    Admin({"DROP DATABASE IF EXISTS " + test_server::Database(), "DROP DATABASE IF EXISTS " + OtherDatabase});
  }

  std::string Scalar(const std::string& sql) {
    Connection.Connect();
    return Connection.MySQLConnection()->QueryFirstValue(sql);
  }

  // A statement of the program's own, not the component's, as a script would run it.
  void RunOthers(const std::string& sql) {
    TMyQuery others;
    others.SetConnection(&Connection);
    others.SQL().SetText(sql);
    others.Execute();
  }

  void InsertNote(int id, const std::string& note) {
    Query.Insert();
    Query.FieldByName("id").SetAsInteger(id);
    Query.FieldByName("note").SetAsString(note);
    Query.Post();
  }
};

}  // namespace

TEST_F(DataIntegrityTest, NotesKeepEveryByteInEitherBackslashMode) {
  using namespace std::string_literals;
  const std::string notes[] = {"x\\'); DROP TABLE victim; -- ", "it's", "C:\\dir\\", "\"q\" \0 \r\n \x1A end"s};
  int id = 10;
  for (const char* mode : {"DEFAULT", "'NO_BACKSLASH_ESCAPES'"}) {
    SCOPED_TRACE(mode);
    Scalar("SET SESSION sql_mode = "s + mode);
    Query.SQL().SetText("SELECT id, note FROM notes");
    Query.Open();
    for (const std::string& note : notes) {
      InsertNote(++id, note);
      EXPECT_EQ(Scalar("SELECT HEX(note) FROM notes WHERE id = " + std::to_string(id)), Hex(note));
    }
  }
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = '" + test_server::Database() +
                   "' AND table_name = 'victim'"),
            "1");
}

// A mode set for one statement describes that statement's reply only; the session's own mode is
// what the next generated statement meets, and a note must not be able to add a row either way.
TEST_F(DataIntegrityTest, AStatementLocalModeDoesNotMisleadTheEscaping) {
  using namespace std::string_literals;
  struct Case {
    const char* session;
    const char* oneStatement;
  };
  const std::string notes[] = {"C:\\temp\\new", "x\\'), (99, 'added by a note') -- "};
  int id = 10;
  for (const Case& c : {Case{"DEFAULT", "'NO_BACKSLASH_ESCAPES'"}, Case{"'NO_BACKSLASH_ESCAPES'", "''"}}) {
    SCOPED_TRACE(c.session);
    Scalar("SET SESSION sql_mode = "s + c.session);
    Query.SQL().SetText("SELECT id, note FROM notes");
    Query.Open();
    for (const std::string& note : notes) {
      RunOthers("SET STATEMENT sql_mode = "s + c.oneStatement + " FOR SELECT 1");
      InsertNote(++id, note);
      EXPECT_EQ(Scalar("SELECT HEX(note) FROM notes WHERE id = " + std::to_string(id)), Hex(note));
    }
    Query.Close();
  }
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM notes WHERE id = 99"), "0");
}

TEST_F(DataIntegrityTest, FourByteCharactersAreStoredAndReadWhole) {
  const std::string note = "emoji \xF0\x9F\x98\x80 and \xF0\xA0\x9C\x8E", tag = "\xF0\x9F\x98\x80\xF0\xA0\x9C\x8E";
  Query.SQL().SetText("SELECT id, note, tag FROM notes");
  Query.Open();
  Query.Insert();
  Query.FieldByName("id").SetAsInteger(2);
  Query.FieldByName("note").SetAsString(note);
  Query.FieldByName("tag").SetAsString(tag);
  Query.Post();
  EXPECT_EQ(Scalar("SELECT CONCAT(HEX(note), '|', HEX(tag)) FROM notes WHERE id = 2"), Hex(note) + "|" + Hex(tag));
  Query.Close();
  Query.SQL().SetText("SELECT id, note, tag FROM notes WHERE id = 2");
  Query.Open();
  EXPECT_EQ(Query.FieldByName("note").AsString(), note);
  EXPECT_EQ(Query.FieldByName("tag").AsString(), tag) << "two characters, four 16-bit units";
  EXPECT_EQ(Query.FieldByName("tag").Size(), 2);
}

TEST_F(DataIntegrityTest, BinaryColumnsKeepTheirBytes) {
  using namespace std::string_literals;
  Query.SQL().SetText("SELECT id, vb, b FROM bytes");
  Query.Open();
  EXPECT_EQ(Query.FieldByName("vb").AsString(), "\x41\xFF\x00\x42"s);
  EXPECT_EQ(Query.FieldByName("b").AsString(), "AB\0\0"s);
  Query.Edit();
  Query.FieldByName("vb").SetAsString("\xFE\x00\\'"s);
  Query.Post();
  EXPECT_EQ(Scalar("SELECT HEX(vb) FROM bytes"), "FE005C27");
}

TEST_F(DataIntegrityTest, WideDecimalsReadAsTheServersText) {
  const std::string digits = "1234567890123456789012345678901234567890123456789";
  Query.SQL().SetText("SELECT CAST(" + digits +
                      " AS DECIMAL(65,0)) AS wide, CAST(-1.5 AS DECIMAL(40,30)) AS fine, "
                      "CAST(2.25 AS DECIMAL(10,2)) AS narrow");
  Query.Open();
  EXPECT_EQ(Query.FieldByName("wide").AsString(), digits);
  EXPECT_EQ(Query.FieldByName("fine").AsString(), "-1.500000000000000000000000000000");
  EXPECT_EQ(Query.FieldByName("narrow").DataType(), TFieldType::ftFloat);
}

// An unsigned decimal has no sign place in its length: sixteen digits are not read as a double.
// Rows keyed on fractional times are found again by their milliseconds.
TEST_F(DataIntegrityTest, UnsignedDecimalsAndFractionalTimeKeysKeepEveryDigit) {
  Admin({"CREATE TABLE " + test_server::Database() +
             ".timed (at DATETIME(3), span TIME(3), amount DECIMAL(16,2) UNSIGNED, note VARCHAR(20), "
             "PRIMARY KEY (at, span))",
         "INSERT INTO " + test_server::Database() +
             ".timed VALUES ('2024-05-06 07:08:09.123', '-01:02:03.450', 99999999999999.99, 'first'), "
             "('2024-05-06 07:08:09.124', '-01:02:03.450', 1, 'second')"});
  Query.SQL().SetText("SELECT at, span, amount, note FROM timed ORDER BY at");
  Query.Open();
  EXPECT_EQ(Query.FieldByName("amount").AsString(), "99999999999999.99");
  Query.Edit();
  Query.FieldByName("note").SetAsString("edited");
  Query.FieldByName("amount").SetAsString("99999999999999.98");
  Query.Post();
  EXPECT_EQ(Statements.back(), "UPDATE timed\r\nSET\r\n  amount = ?, note = ?\r\nWHERE\r\n  at = ? AND span = ?");
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(CONCAT(note, ' ', amount) ORDER BY at) FROM timed"),
            "edited 99999999999999.98,second 1.00");
  Query.Next();
  Query.Delete();
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM timed"), "1");
}

TEST_F(DataIntegrityTest, RowOfDefaultsReachesTheServerAndUnsignedBigIntegersArePosted) {
  Scalar("SET SESSION sql_mode = 'STRICT_ALL_TABLES'");
  Query.SQL().SetText("SELECT id, big, needed FROM counters");
  Query.Open();
  Query.Insert();
  try {
    Query.Post();
    FAIL();
  } catch (const EMyError& e) {
    EXPECT_EQ(e.ErrorCode, 1364) << e.what();
  }
  EXPECT_EQ(Statements.back(), "INSERT INTO counters () VALUES ()");
  Query.FieldByName("needed").SetAsInteger(1);
  Query.FieldByName("big").SetAsString("18446744073709551615");
  Query.Post();
  EXPECT_EQ(Query.FieldByName("big").AsString(), "18446744073709551615");
  EXPECT_EQ(Scalar("SELECT big FROM counters"), "18446744073709551615");
  Query.Edit();
  EXPECT_THROW(Query.FieldByName("id").SetAsString("9223372036854775808"), EConvertError);
  EXPECT_THROW(Query.FieldByName("big").SetAsString("18446744073709551616"), EConvertError);
  Query.Cancel();
}

// Columns a post leaves out show what the server stored there, not NULL.
TEST_F(DataIntegrityTest, ARowPostedEmptyShowsTheDefaultsTheServerStored) {
  Admin({"CREATE TABLE " + test_server::Database() +
         ".defaulted (id INT AUTO_INCREMENT PRIMARY KEY, label VARCHAR(10) DEFAULT 'fresh', "
         "made DATETIME DEFAULT '2024-01-02 03:04:05', plain INT, nulled VARCHAR(4) DEFAULT NULL)"});
  Query.SQL().SetText("SELECT id, label, made, plain, nulled FROM defaulted");
  Query.Open();
  Query.Insert();
  Query.Post();
  EXPECT_EQ(Query.FieldByName("id").AsInteger(), 1);
  EXPECT_EQ(Query.FieldByName("label").AsString(), "fresh");
  EXPECT_FALSE(Query.FieldByName("made").IsNull());
  EXPECT_TRUE(Query.FieldByName("plain").IsNull());
  EXPECT_TRUE(Query.FieldByName("nulled").IsNull());
  Query.Insert();
  Query.FieldByName("label").SetAsString("typed");
  Query.Post();
  EXPECT_EQ(Query.FieldByName("label").AsString(), "typed");
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(label ORDER BY id) FROM defaulted"), "fresh,typed");
}

TEST_F(DataIntegrityTest, ConnectionWithoutUnicodeSpeaksWindows1252) {
  using namespace std::string_literals;
  Connection.Options.SetUseUnicode(false);
  Query.SQL().SetText("SELECT id, note FROM notes");
  Query.Open();
  InsertNote(3,
             "Gr\xC3\xBC\xC3\x9F"
             "e \xE2\x82\xAC \xCE\xA9");  // the omega is not in the code page
  EXPECT_EQ(Scalar("SELECT HEX(note) FROM notes WHERE id = 3"), Hex("Gr\xC3\xBC\xC3\x9F"
                                                                    "e \xE2\x82\xAC ?"));
  Query.Close();
  Query.SQL().SetText("SELECT note AS `n\xC3\xB6te` FROM notes WHERE id = 3");
  Query.Open();
  EXPECT_EQ(Query.Fields()[0]->FieldName(), "n\xC3\xB6te");
  EXPECT_EQ(Query.Fields()[0]->AsString(),
            "Gr\xC3\xBC\xC3\x9F"
            "e \xE2\x82\xAC ?");
  Query.Close();
  Query.SQL().SetText("SELECT id, vb FROM bytes");
  Query.Open();
  Query.Edit();
  Query.FieldByName("vb").SetAsString("\xFC\x80\x00"s);
  Query.Post();
  EXPECT_EQ(Scalar("SELECT HEX(vb) FROM bytes"), "FC8000") << "bytes are never converted";
}

TEST_F(DataIntegrityTest, TableOfAnotherDatabaseIsWrittenThere) {
  Query.SQL().SetText("SELECT id, note FROM " + OtherDatabase + ".notes ORDER BY id");
  Query.Open();
  Query.Edit();
  Query.FieldByName("note").SetAsString("edited");
  Query.Post();
  Query.Next();
  Query.Delete();
  EXPECT_EQ(Statements,
            (std::vector<std::string>{"UPDATE " + OtherDatabase + ".notes\r\nSET\r\n  note = ?\r\nWHERE\r\n  id = ?",
                                      "DELETE FROM " + OtherDatabase + ".notes\r\nWHERE\r\n  id = ?"}));
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(note) FROM " + OtherDatabase + ".notes"), "edited");
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(note) FROM notes"), "mine");
}

// A dot may stand inside a database's or a table's name: d.`k.t` and `d.k`.t are two tables,
// each found by its own key.
TEST_F(DataIntegrityTest, TablesWhoseNamesRunTogetherAtADotKeepTheirOwnKeys) {
  const std::string database = test_server::Database(), dotted = "`" + database + ".k`";
  Admin({"DROP DATABASE IF EXISTS " + dotted, "CREATE DATABASE " + dotted,
         "CREATE TABLE " + database + ".`k.t` (a INT PRIMARY KEY, note VARCHAR(20))",
         "CREATE TABLE " + dotted + ".t (b INT PRIMARY KEY, note VARCHAR(20))",
         "INSERT INTO " + database + ".`k.t` VALUES (1, 'x')", "INSERT INTO " + dotted + ".t VALUES (2, 'y')"});
  for (const std::string& table : {database + ".`k.t`", dotted + ".t"}) {
    Query.Close();
    Query.SQL().SetText("SELECT * FROM " + table);
    Query.Open();
    Query.Edit();
    Query.FieldByName("note").SetAsString("edited");
    Query.Post();
  }
  Admin({"DROP DATABASE " + dotted});
  ASSERT_EQ(Statements.size(), 2u);
  EXPECT_TRUE(Statements[0].ends_with("WHERE\r\n  a = ?")) << Statements[0];
  EXPECT_TRUE(Statements[1].ends_with("WHERE\r\n  b = ?")) << Statements[1];
}

// USE run as a statement moves the session; the dataset's table stays the one it was read from.
TEST_F(DataIntegrityTest, AnEditAfterUseOfAnotherDatabaseChangesTheTableItWasReadFrom) {
  Query.SQL().SetText("SELECT id, note FROM notes");
  Query.Open();
  RunOthers("USE " + OtherDatabase);
  Query.Edit();
  Query.FieldByName("note").SetAsString("edited");
  Query.Post();
  EXPECT_EQ(Statements.back(),
            "UPDATE " + test_server::Database() + ".notes\r\nSET\r\n  note = ?\r\nWHERE\r\n  id = ?");
  EXPECT_EQ(Scalar("SELECT note FROM " + test_server::Database() + ".notes WHERE id = 1"), "edited");
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(note ORDER BY id) FROM " + OtherDatabase + ".notes"), "theirs,theirs too");
  RunOthers("USE " + test_server::Database());
  Query.Edit();
  Query.FieldByName("note").SetAsString("back home");
  Query.Post();
  EXPECT_EQ(Statements.back(), "UPDATE notes\r\nSET\r\n  note = ?\r\nWHERE\r\n  id = ?");
}

TEST_F(DataIntegrityTest, KeylessTableChangesOneOfTwoIdenticalRows) {
  Query.SQL().SetText("SELECT a, note FROM keyless ORDER BY a");
  Query.Open();
  Query.Edit();
  Query.FieldByName("note").SetAsString("changed");
  Query.Post();
  EXPECT_EQ(
      Statements.back(),
      "UPDATE keyless\r\nSET\r\n  note = ?\r\nWHERE\r\n  a = ? AND note = ? AND BINARY CONVERT(note USING utf8mb4) = "
      "?\r\nLIMIT 1");
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(note ORDER BY note) FROM keyless WHERE a = 1"), "changed,same");
  Query.Next();
  Query.Delete();
  EXPECT_EQ(
      Statements.back(),
      "DELETE FROM keyless\r\nWHERE\r\n  a = ? AND note = ? AND BINARY CONVERT(note USING utf8mb4) = ?\r\nLIMIT 1");
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(note ORDER BY note) FROM keyless"), "changed,other");
}

// Keys the column flags make look like they name a row: a plain index, a unique key holding
// NULL, a part of a composite key. Editing and deleting the second row touch that row alone.
TEST_F(DataIntegrityTest, EditsChangeOnlyTheRowOnScreenWhateverTheKeys) {
  const struct {
    const char* table;
    const char* rows;
    const char* select;
  } cases[] = {
      {"(grp INT, name VARCHAR(9), INDEX(grp))", "(1, 'a'), (1, 'b')", "grp, name"},
      {"(u INT UNIQUE, name VARCHAR(9))", "(NULL, 'a'), (NULL, 'b')", "u, name"},
      {"(a INT, b INT, name VARCHAR(9), UNIQUE(a, b))", "(1, NULL, 'a'), (1, NULL, 'b')", "a, b, name"},
      {"(a INT, b INT, name VARCHAR(9), INDEX(a, b))", "(1, 1, 'a'), (1, 1, 'b')", "a, b, name"},
      {"(a INT, b INT, name VARCHAR(9), PRIMARY KEY(a, b))", "(1, 1, 'a'), (1, 2, 'b')", "a, name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.table);
    Admin({"DROP TABLE IF EXISTS " + test_server::Database() + ".shapes",
           "CREATE TABLE " + test_server::Database() + ".shapes " + c.table,
           "INSERT INTO " + test_server::Database() + ".shapes VALUES " + c.rows});
    Query.Close();
    Query.SQL().SetText(std::string("SELECT ") + c.select + " FROM shapes ORDER BY name");
    Query.Open();
    Query.Next();
    ASSERT_EQ(Query.FieldByName("name").AsString(), "b");
    Query.Edit();
    Query.FieldByName("name").SetAsString("c");
    Query.Post();
    EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(name ORDER BY name) FROM shapes"), "a,c");
    EXPECT_TRUE(Statements.back().ends_with("BINARY CONVERT(name USING utf8mb4) = ?\r\nLIMIT 1")) << Statements.back();
    Query.Delete();
    EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(name ORDER BY name) FROM shapes"), "a");
  }
}

// A whole key names the row even when the flags of another column say "unique" too.
TEST_F(DataIntegrityTest, AWholeCompositeKeyNamesTheRow) {
  Admin({"CREATE TABLE " + test_server::Database() + ".pairs (a INT, b INT, name VARCHAR(9), PRIMARY KEY (a, b))",
         "INSERT INTO " + test_server::Database() + ".pairs VALUES (1, 1, 'a'), (1, 2, 'b')"});
  Query.SQL().SetText("SELECT name, b, a FROM pairs ORDER BY name");
  Query.Open();
  Query.Next();
  Query.Edit();
  Query.FieldByName("name").SetAsString("c");
  Query.Post();
  EXPECT_EQ(Statements.back(), "UPDATE pairs\r\nSET\r\n  name = ?\r\nWHERE\r\n  a = ? AND b = ?");
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(name ORDER BY name) FROM pairs"), "a,c");
}

// Column and table names come from the server: written as identifiers, they never run as SQL.
TEST_F(DataIntegrityTest, NamesFromTheServerAreIdentifiersNeverSql) {
  Admin({"CREATE TABLE " + test_server::Database() +
             ".`x.y` (id INT PRIMARY KEY, ```mac``; CREATE TABLE pwned (i INT); -- x` VARCHAR(9))",
         "INSERT INTO " + test_server::Database() + ".`x.y` VALUES (1, 'old')"});
  Query.SQL().SetText("SELECT * FROM `x.y`");
  Query.Open();
  Query.Edit();
  Query.Fields()[1]->SetAsString("new");
  Query.Post();
  EXPECT_EQ(Statements.back(),
            "UPDATE `x.y`\r\nSET\r\n  ```mac``; CREATE TABLE pwned (i INT); -- x` = ?\r\nWHERE\r\n  id = ?");
  Query.Insert();
  Query.FieldByName("id").SetAsInteger(2);
  Query.Fields()[1]->SetAsString("two");
  Query.Post();
  Query.Delete();
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(id, ```mac``; CREATE TABLE pwned (i INT); -- x`) FROM `x.y`"), "1new");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_NAME = 'pwned'"), "0");
}

TEST_F(DataIntegrityTest, FurtherResultsAreReadAndTheSessionStaysInStep) {
  Scalar("CREATE PROCEDURE p() SELECT 'from p' AS text");
  for (const char* statement : {"CALL p()", "SELECT 'first' AS text; SELECT 2; DO 3"}) {
    SCOPED_TRACE(statement);
    Query.SQL().SetText(statement);
    Query.Execute();
    EXPECT_EQ(Query.RecordCount(), 1);
    EXPECT_EQ(Scalar("SELECT 'next'"), "next");
  }
  EXPECT_TRUE(Connection.Connected());
  // A procedure that fails after its rows, closed with rows still pending: closing reports the
  // failure and still closes.
  Scalar("CREATE PROCEDURE failing() BEGIN SELECT seq FROM seq_1_to_100; SELECT * FROM missing_table; END");
  Query.SQL().SetText("CALL failing()");
  Query.SetFetchAll(false);
  Query.Open();
  EXPECT_EQ(Query.FieldByName("seq").AsInteger(), 1);
  try {
    Query.Close();
    ADD_FAILURE() << "the later failure was lost";
  } catch (const EMyError& error) {
    EXPECT_EQ(error.ErrorCode, 1146);
  }
  EXPECT_FALSE(Query.Active());
  EXPECT_EQ(Scalar("SELECT 'in step'"), "in step");
}

TEST_F(DataIntegrityTest, PostingReadsThePendingRowsFirst) {
  Query.SQL().SetText("SELECT a, note FROM keyless ORDER BY a, note");
  Query.SetFetchAll(false);
  Query.SetFetchRows(1);
  Query.Open();
  Query.Edit();
  Query.FieldByName("note").SetAsString("posted");
  Query.Post();
  EXPECT_EQ(Query.RecordCount(), 3);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM keyless WHERE note = 'posted'"), "1");
}

// The table's keys are learnt with rows still pending: they are read first, and the key is used.
TEST_F(DataIntegrityTest, KeysAreLearntWithRowsPending) {
  Admin({"INSERT INTO " + test_server::Database() + ".notes (id, note) VALUES (2, 'two'), (3, 'three')"});
  Query.SQL().SetText("SELECT id, note FROM notes ORDER BY id");
  Query.SetFetchAll(false);
  Query.SetFetchRows(1);
  Query.Open();
  Query.Edit();
  Query.FieldByName("note").SetAsString("posted");
  Query.Post();
  EXPECT_EQ(Statements.back(), "UPDATE notes\r\nSET\r\n  note = ?\r\nWHERE\r\n  id = ?");
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(note ORDER BY id) FROM notes"), "posted,two,three");
}

// Transactions begun by a statement, not by StartTransaction: the server's status tells.
class SqlTransactionTest : public DataIntegrityTest {
 protected:
  static int ErrorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const EDAError& error) {
      return error.ErrorCode;
    }
    return 0;
  }
  void Begin() {
    Connection.Connect();
    Connection.MySQLConnection()->ExecStatement("BEGIN");
    EXPECT_TRUE(Connection.InTransaction());
  }
};

TEST_F(SqlTransactionTest, AStatementTooLongIsRefusedAndTheTransactionGoesOn) {
  Begin();
  Query.SQL().SetText("SELECT id, note FROM notes");
  Query.Open();
  InsertNote(2, "inside");
  const std::size_t limit = std::stoul(Connection.MySQLConnection()->QueryFirstValue("SELECT @@max_allowed_packet"));
  // "SELECT '" and "'" with the command byte make exactly the limit.
  const std::string tooLong = "SELECT '" + std::string(limit - 10, 'x') + "'";
  EXPECT_EQ(ErrorOf([&] { Connection.MySQLConnection()->ExecStatement(tooLong); }), 2020);
  EXPECT_TRUE(Connection.Connected());
  Connection.MySQLConnection()->ExecStatement("COMMIT");
  EXPECT_EQ(Scalar("SELECT note FROM notes WHERE id = 2"), "inside");
}

TEST_F(SqlTransactionTest, ALostSessionInsideATransactionIsReportedNotReplaced) {
  Begin();
  Query.SQL().SetText("SELECT id, note FROM notes");
  Query.Open();
  InsertNote(2, "lost with the session");
  Admin({"KILL " + Connection.MySQLConnection()->QueryFirstValue("SELECT CONNECTION_ID()")});
  const int code = ErrorOf([&] { InsertNote(3, "not on a new session"); });
  EXPECT_TRUE(code == 2013 || code == 2006) << code;
  EXPECT_FALSE(Connection.Connected());
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM notes WHERE id > 1"), "0");
}

TEST_F(SqlTransactionTest, ADeadlockVictimIsReportedNotRetriedAlone) {
  Admin({"CREATE TABLE " + test_server::Database() + ".dl (id INT PRIMARY KEY, v INT)",
         "INSERT INTO " + test_server::Database() + ".dl VALUES (1, 0), (2, 0)",
         "CREATE TABLE " + test_server::Database() + ".weight (n INT)"});
  Begin();
  Query.SQL().SetText("SELECT id, v FROM dl ORDER BY id");
  Query.Open();
  Query.Edit();
  Query.FieldByName("v").SetAsInteger(1);
  Query.Post();  // holds row 1

  // The other transaction holds row 2, weighs more, and then waits for row 1.
  TMyConnection other;
  test_server::Configure(other);
  other.Connect();
  for (const char* statement :
       {"BEGIN", "UPDATE dl SET v = 2 WHERE id = 2", "INSERT INTO weight SELECT seq FROM seq_1_to_500"})
    other.MySQLConnection()->ExecStatement(statement);
  std::thread waiting([&] { other.MySQLConnection()->ExecStatement("UPDATE dl SET v = 2 WHERE id = 1"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));

  Query.Next();
  Query.Edit();
  Query.FieldByName("v").SetAsInteger(1);
  EXPECT_EQ(ErrorOf([&] { Query.Post(); }), 1213);
  waiting.join();
  other.MySQLConnection()->ExecStatement("COMMIT");
  Query.Cancel();
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(v ORDER BY id) FROM dl"), "2,2");
}

// The server reports the insert id unsigned: -1 stored in a signed column comes back as 2^64 - 1.
TEST_F(DataIntegrityTest, ANegativeInsertIdKeepsTheSessionAndTheFieldShowsIt) {
  Query.SQL().SetText("SELECT id, needed FROM counters");
  Query.Open();
  Query.Insert();
  Query.FieldByName("id").SetAsInteger(-1);
  Query.FieldByName("needed").SetAsInteger(1);
  Query.Post();
  EXPECT_EQ(Query.LastInsertId(), UINT64_MAX);
  EXPECT_EQ(Query.FieldByName("id").AsInteger(), -1);
  Query.Insert();
  Query.FieldByName("needed").SetAsInteger(2);
  Query.Post();
  EXPECT_EQ(Query.FieldByName("id").AsInteger(), 1);
  EXPECT_EQ(Scalar("SELECT GROUP_CONCAT(id ORDER BY id) FROM counters"), "-1,1");
}

// An INSERT that outlives the command time-out (another session's read lock on the table holds it) is ended on the
// server before its outcome is decided, so that it cannot store its row later.
TEST_F(DataIntegrityTest, AStatementPastTheTimeOutIsEndedOnTheServer) {
  TMyConnection locker;
  test_server::Configure(locker);
  locker.Connect();
  Query.SQL().SetText("SELECT id, note FROM notes");
  Query.Open();
  Query.CommandTimeout = 2;
  locker.MySQLConnection()->ExecStatement("LOCK TABLES notes READ");
  bool timedOut = false, mayStillRun = true;
  try {
    InsertNote(5, "held by the lock");
  } catch (const EDAError& error) {
    timedOut = error.TimedOut;
    mayStillRun = error.StatementMayStillRun;
  }
  locker.MySQLConnection()->ExecStatement("UNLOCK TABLES");
  EXPECT_TRUE(timedOut);
  EXPECT_FALSE(mayStillRun);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM notes WHERE id = 5"), "0");
}
