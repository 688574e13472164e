#include "components/MyConnection.h"
#include "components/MyQuery.h"
#include "dataset/DataSource.h"
#include "dataset/DateTime.h"
#include "driver/MySQLConnection.h"
#include "tests/components/TestConnection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

const char* PixelsQuery =
    "SELECT mac,PixelType, ShieldType , birthday, Org_ID, note FROM pixels ORDER BY birthday DESC";

// A database of these tests' own with a pixel table of three rows.
class MyQueryTest : public ::testing::Test {
 protected:
  int AfterConnectCount = 0;
  int AfterDisconnectCount = 0;
  TMyConnection Connection;
  TMyQuery Query;
  std::vector<std::string> Statements;  // generated statements, placeholders in place

  void SetUp() override {
    TMyConnection admin;
    test_server::Configure(admin, "");
    admin.Connect();
    TMySQLConnection& session = *admin.MySQLConnection();
    session.ExecStatement("CREATE DATABASE IF NOT EXISTS " + test_server::Database());
    session.ExecStatement("USE " + test_server::Database());
    session.ExecStatement("DROP TABLE IF EXISTS pixels");
    session.ExecStatement(
        "CREATE TABLE pixels (mac CHAR(17) NOT NULL PRIMARY KEY, PixelType VARCHAR(64) NULL, "
        "ShieldType VARCHAR(64) NULL, birthday DATETIME NULL, Org_ID INT NULL, note VARCHAR(255) NULL) "
        "DEFAULT CHARSET=utf8mb3");
    session.ExecStatement(
        "INSERT INTO pixels VALUES "
        "('54-2F-89-00-00-01', 'A', 'S1', '2014-01-01 10:00:00', 1, 'first'),"
        "('54-2F-89-00-00-02', 'B', 'S2', '2014-02-01 10:00:00', NULL, NULL),"
        "('54-2F-89-00-00-03', 'C', 'S3', '2014-03-01 10:00:00', 2, '')");
    test_server::Configure(Connection);
    Query.Name = "quPixels";
    Query.SetConnection(&Connection);
    Query.SQL().SetText(PixelsQuery);
    Query.BeforeUpdateExecute = [this](TDataSet&, TStatementType, const std::string& text) {
      Statements.push_back(text);
    };
  }

  void TearDown() override {
    TMyConnection admin;
    test_server::Configure(admin, "");
    admin.Connect();
    admin.MySQLConnection()->ExecStatement("DROP DATABASE IF EXISTS " + test_server::Database());
  }

  std::string Scalar(const std::string& sql) {
    Connection.Connect();
    return Connection.MySQLConnection()->QueryFirstValue(sql);
  }

  void InsertPixel(const std::string& mac, const std::string& note) {
    TDateTime day = 0;
    TryEncodeDate(2014, 4, 12, day);
    Query.Insert();
    Query.FieldByName("mac").SetAsString(mac);
    Query.FieldByName("pixelType").SetAsString("Pixel-A");
    Query.FieldByName("shieldType").SetAsString("Shield-1");
    Query.FieldByName("birthday").SetAsDateTime(CombineDateTime(day, EncodeTime(10, 11, 12)));
    Query.FieldByName("note").SetAsString(note);
    Query.Post();
  }
};

}  // namespace

TEST_F(MyQueryTest, OpensThePixelTableNewestFirst) {
  Query.Open();
  EXPECT_EQ(Query.RecordCount(), 3);
  EXPECT_EQ(Query.RecNo(), 1);
  EXPECT_EQ(Query.FieldByName("mac").AsString(), "54-2F-89-00-00-03");
  EXPECT_EQ(Query.FieldByName("mac").DataType(), TFieldType::ftWideString);
  EXPECT_EQ(Query.FieldByName("mac").Size(), 17);
  EXPECT_EQ(Query.FieldByName("PixelType").Size(), 64);
  EXPECT_EQ(Query.FieldByName("birthday").AsString(), "2014-03-01 10:00:00");
  EXPECT_EQ(Query.FieldByName("Org_ID").DataType(), TFieldType::ftInteger);
  EXPECT_EQ(Query.FieldByName("note").AsString(), "");
  EXPECT_FALSE(Query.FieldByName("note").IsNull());
  Query.Next();
  EXPECT_TRUE(Query.FieldByName("note").IsNull());
  EXPECT_TRUE(Query.FieldByName("Org_ID").IsNull());
  Query.SetRecNo(3);
  EXPECT_EQ(Query.FieldByName("Org_ID").AsInteger(), 1);
}

TEST_F(MyQueryTest, InsertSendsTheGeneratedStatementAndStoresTheNoteByteForByte) {
  using namespace std::string_literals;
  const std::string note = "it's \\ \"q\" \0 \r\n \x1A end'); DROP TABLE pixels; -- \xE2\x82\xAC"s;
  Query.Open();
  Query.Next();
  InsertPixel("54-2F-89-0A-1B-2C", note);
  ASSERT_EQ(Statements.size(), 1u);
  EXPECT_EQ(Statements[0],
            "INSERT INTO pixels\r\n  (mac, PixelType, ShieldType, birthday, note)\r\nVALUES\r\n"
            "  (?, ?, ?, ?, ?)");
  EXPECT_EQ(Query.RecNo(), 2) << "the new row stays where it was inserted";
  EXPECT_EQ(Query.RecordCount(), 4);
  EXPECT_EQ(Scalar("SELECT HEX(note) FROM pixels WHERE mac = '54-2F-89-0A-1B-2C'"),
            Scalar("SELECT HEX(" + std::string("X'") + [&] {
              std::string hex;
              for (unsigned char c : note) {
                const char* digits = "0123456789ABCDEF";
                hex += digits[c >> 4];
                hex += digits[c & 15];
              }
              return hex;
            }() + "')"));
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM pixels"), "4");
  EXPECT_EQ(Scalar("SELECT birthday FROM pixels WHERE mac = '54-2F-89-0A-1B-2C'"), "2014-04-12 10:11:12");
  EXPECT_EQ(Scalar("SELECT Org_ID IS NULL FROM pixels WHERE mac = '54-2F-89-0A-1B-2C'"), "1");
}

// Posted rows share one generated INSERT only while they set the same fields, and a new
// statement text builds a new one.
TEST_F(MyQueryTest, EachPostedRowNamesTheFieldsItSets) {
  const std::string allFields =
      "INSERT INTO pixels\r\n  (mac, PixelType, ShieldType, birthday, note)\r\nVALUES\r\n  (?, ?, ?, ?, ?)";
  Query.Open();
  InsertPixel("54-2F-89-00-01-01", "one");
  Query.Insert();
  Query.FieldByName("mac").SetAsString("54-2F-89-00-01-02");
  Query.FieldByName("Org_ID").SetAsInteger(7);
  Query.Post();
  InsertPixel("54-2F-89-00-01-03", "three");
  Query.SQL().SetText("SELECT note, mac FROM pixels");
  Query.Open();
  Query.Insert();
  Query.FieldByName("mac").SetAsString("54-2F-89-00-01-04");
  Query.FieldByName("note").SetAsString("four");
  Query.Post();
  EXPECT_EQ(Statements,
            (std::vector<std::string>{allFields, "INSERT INTO pixels\r\n  (mac, Org_ID)\r\nVALUES\r\n  (?, ?)",
                                      allFields, "INSERT INTO pixels\r\n  (note, mac)\r\nVALUES\r\n  (?, ?)"}));
  EXPECT_EQ(Scalar("SELECT CONCAT_WS('|', Org_ID, note IS NULL, PixelType IS NULL) FROM pixels "
                   "WHERE mac = '54-2F-89-00-01-02'"),
            "7|1|1");
  EXPECT_EQ(Scalar("SELECT note FROM pixels WHERE mac = '54-2F-89-00-01-03'"), "three");
  EXPECT_EQ(Scalar("SELECT note FROM pixels WHERE mac = '54-2F-89-00-01-04'"), "four");
}

TEST_F(MyQueryTest, DuplicateKeyKeepsTheRowPendingAndDeleteCancelsIt) {
  Query.Open();
  try {
    InsertPixel("54-2F-89-00-00-01", "dup");
    FAIL();
  } catch (const EMyError& e) {
    EXPECT_EQ(e.ErrorCode, 1062);
    EXPECT_TRUE(e.IsKeyViolation());
    EXPECT_FALSE(e.IsFatalError());
    EXPECT_EQ(e.Component, &Query);
  }
  EXPECT_EQ(Query.State(), dsInsert);
  EXPECT_EQ(Query.RecNo(), -1);
  EXPECT_TRUE(Connection.Connected());
  Statements.clear();
  Query.Delete();
  EXPECT_TRUE(Statements.empty());
  EXPECT_EQ(Query.State(), dsBrowse);
  EXPECT_EQ(Query.RecordCount(), 3);
  EXPECT_EQ(Query.RecNo(), 1);
}

// The server rolls the next @deadlocks generated statements back with 1213, as a cluster node does
// after another node wrote the same row first.
TEST_F(MyQueryTest, ADeadlockedStatementIsSentOnceMoreOutsideATransaction) {
  for (const char* event : {"INSERT", "UPDATE", "DELETE"})
    Scalar(std::string("CREATE TRIGGER deadlock_") + event + " BEFORE " + event + " ON pixels FOR EACH ROW " +
           "IF @deadlocks > 0 THEN SET @deadlocks = @deadlocks - 1; "
           "SIGNAL SQLSTATE '40001' SET MYSQL_ERRNO = 1213, MESSAGE_TEXT = 'Deadlock found'; END IF");
  TMySQLConnection& session = *Connection.MySQLConnection();
  Query.Open();
  session.ExecStatement("SET @deadlocks = 1");
  InsertPixel("54-2F-89-00-00-10", "retried");
  EXPECT_EQ(Statements.size(), 1u) << "one generated statement, sent twice";
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM pixels WHERE mac = '54-2F-89-00-00-10'"), "1");
  EXPECT_EQ(Scalar("SELECT @deadlocks"), "0");

  session.ExecStatement("SET @deadlocks = 1");
  Query.Edit();
  Query.FieldByName("note").SetAsString("edited");
  Query.Post();
  EXPECT_EQ(Scalar("SELECT note FROM pixels WHERE mac = '54-2F-89-00-00-10'"), "edited");

  session.ExecStatement("SET @deadlocks = 2");
  EXPECT_THROW(Query.Delete(), EMyError) << "a second deadlock is raised";
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM pixels"), "4");

  session.ExecStatement("SET @deadlocks = 1");
  Connection.StartTransaction();
  try {
    InsertPixel("54-2F-89-00-00-11", "in a transaction");
    FAIL();
  } catch (const EMyError& e) {
    EXPECT_EQ(e.ErrorCode, 1213) << "a transaction is not repeated statement by statement";
  }
  Connection.Rollback();
  EXPECT_EQ(Query.State(), dsInsert);
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM pixels"), "4");
}

TEST_F(MyQueryTest, EditWritesOnlyChangesAndDeleteRemovesTheRow) {
  Query.Open();
  Query.Edit();
  Query.Post();
  EXPECT_TRUE(Statements.empty()) << "an unchanged edit sends nothing";

  Query.Edit();
  Query.FieldByName("note").SetAsString("");
  Query.FieldByName("Org_ID").SetAsInteger(1);
  Query.Post();
  ASSERT_EQ(Statements.size(), 1u);
  EXPECT_EQ(Statements[0], "UPDATE pixels\r\nSET\r\n  Org_ID = ?\r\nWHERE\r\n  mac = ?");
  EXPECT_EQ(Scalar("SELECT Org_ID FROM pixels WHERE mac = '54-2F-89-00-00-03'"), "1");

  Scalar("DELETE FROM pixels WHERE mac = '54-2F-89-00-00-03'");
  Query.Edit();
  Query.FieldByName("PixelType").SetAsString("gone");
  try {
    Query.Post();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Update failed. Found 0 records");
  }
  Query.Cancel();
  Query.Next();
  Query.Delete();
  EXPECT_EQ(Statements.back(), "DELETE FROM pixels\r\nWHERE\r\n  mac = ?");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM pixels"), "1");
  EXPECT_EQ(Query.FieldByName("mac").AsString(), "54-2F-89-00-00-01");
}

TEST_F(MyQueryTest, RefreshKeepsTheCurrentRecord) {
  Query.Open();
  Query.SetRecNo(2);
  Scalar("INSERT INTO pixels (mac, birthday) VALUES ('54-2F-89-00-00-09', '2015-01-01 00:00:00')");
  Query.Refresh();
  EXPECT_EQ(Query.RecordCount(), 4);
  EXPECT_EQ(Query.RecNo(), 3);
  EXPECT_EQ(Query.FieldByName("mac").AsString(), "54-2F-89-00-00-02");
  Scalar("DELETE FROM pixels WHERE mac = '54-2F-89-00-00-02'");
  Query.Refresh();
  EXPECT_EQ(Query.RecNo(), 1);
}

TEST_F(MyQueryTest, ColumnTypesZeroDatesBooleansAndRepeatedNames) {
  Scalar("SET SESSION sql_mode = ''");
  Query.SQL().SetText(
      "SELECT CAST(1 AS SIGNED) AS id, 2 AS id, 3 AS id, CAST('0000-00-00 00:00:00' AS DATETIME) AS zero, "
      "b, t, big FROM (SELECT CAST(2 AS UNSIGNED) AS x) AS dummy, "
      "(SELECT flag AS b, tiny AS t, big FROM typed) AS typed");
  Scalar("CREATE TEMPORARY TABLE typed (flag TINYINT(1), tiny TINYINT(4), big BIGINT)");
  Scalar("INSERT INTO typed VALUES (2, -5, 9000000000)");
  Query.Open();
  EXPECT_EQ(Query.Fields()[1]->FieldName(), "id_1");
  EXPECT_EQ(Query.Fields()[2]->FieldName(), "id_2");
  EXPECT_TRUE(Query.FieldByName("zero").IsNull());
  EXPECT_EQ(Query.FieldByName("b").DataType(), TFieldType::ftBoolean);
  EXPECT_TRUE(Query.FieldByName("b").AsBoolean());
  EXPECT_EQ(Query.FieldByName("t").DataType(), TFieldType::ftShortint);
  EXPECT_EQ(Query.FieldByName("big").DataType(), TFieldType::ftLargeint);
  EXPECT_EQ(Query.FieldByName("big").AsLargeInt(), 9000000000);
}

TEST_F(MyQueryTest, ExecuteSqlChangesAndDisconnect) {
  Query.Open();
  Query.SQL().SetText("SELECT * FROM pixels ORDER BY mac ASC");
  EXPECT_FALSE(Query.Active());
  Query.Execute();
  EXPECT_TRUE(Query.Active());
  EXPECT_EQ(Query.FieldByName("mac").AsString(), "54-2F-89-00-00-01");
  Query.SQL().SetText("UPDATE pixels SET note = 'x'");
  Query.Execute();
  EXPECT_FALSE(Query.Active());
  EXPECT_EQ(Query.RowsAffected(), 3);

  Query.SQL().SetText(PixelsQuery);
  Query.Open();
  Connection.Disconnect();
  EXPECT_FALSE(Query.Active());
  Connection.Connect();
  EXPECT_FALSE(Query.Active());

  TMyQuery orphan;
  try {
    orphan.Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Connection is not defined");
  }
  orphan.SetConnection(&Connection);
  try {
    orphan.Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "No SQL statement provided");
  }
  EXPECT_THROW(orphan.SetFetchRows(0), EDatabaseError);
}

TEST_F(MyQueryTest, LostConnectionWhilePostingKeepsTheInsertPending) {
  Query.Open();
  Connection.AfterConnect = [this](TCustomConnection&) { ++AfterConnectCount; };
  TMyConnection killer;
  test_server::Configure(killer, "");
  killer.Connect();
  killer.MySQLConnection()->ExecStatement("KILL " + std::to_string(Connection.MySQLConnection()->GetThreadId()));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  try {
    InsertPixel("54-2F-89-0A-0A-0A", "pending");
    FAIL();
  } catch (const EMyError& e) {
    EXPECT_TRUE(e.ErrorCode == 2013 || e.ErrorCode == 2006) << e.ErrorCode;
  }
  EXPECT_EQ(Query.State(), dsInsert) << "fully fetched: the session reconnected, the row waits";
  EXPECT_EQ(AfterConnectCount, 1);
  Query.Post();
  EXPECT_EQ(Scalar("SELECT note FROM pixels WHERE mac = '54-2F-89-0A-0A-0A'"), "pending");
}

TEST_F(MyQueryTest, LostConnectionWhileFetchingClosesTheConnection) {
  Query.SQL().SetText("SELECT seq, REPEAT('x', 200) AS pad FROM seq_1_to_300000");
  Query.SetFetchAll(false);
  Query.SetFetchRows(100);
  Query.Open();
  Connection.AfterDisconnect = [this](TCustomConnection&) { ++AfterDisconnectCount; };
  TMyConnection killer;
  test_server::Configure(killer, "");
  killer.Connect();
  killer.MySQLConnection()->ExecStatement("KILL " + std::to_string(Connection.MySQLConnection()->GetThreadId()));
  try {
    while (!Query.Eof()) Query.Next();
    FAIL() << "all rows arrived";
  } catch (const EMyError& e) {
    EXPECT_TRUE(e.ErrorCode == 2013 || e.ErrorCode == 2006) << e.ErrorCode;
  }
  EXPECT_FALSE(Query.Active());
  EXPECT_FALSE(Connection.Connected()) << "rows were pending: no reconnect";
  EXPECT_EQ(AfterDisconnectCount, 1);
}

TEST_F(MyQueryTest, DataSourceHearsOfChanges) {
  int dataChanges = 0;
  TDataSource source;
  source.SetDataSet(&Query);
  source.OnDataChange = [&](TDataSource&, TField*) { ++dataChanges; };
  Query.Open();
  Query.DisableControls();
  Query.SQL().SetText("SELECT * FROM pixels ORDER BY mac DESC");
  Query.Execute();
  int before = dataChanges;
  Query.EnableControls();
  EXPECT_EQ(dataChanges, before + 1);
  EXPECT_EQ(Query.FieldByName("mac").AsString(), "54-2F-89-00-00-03");
}
