// A row whose INSERT reached the server but whose reply was lost: the error says the statement may
// have run, and posting again looks the row up by its key instead of storing it twice.
#include "components/MyQuery.h"
#include "dataset/DAError.h"
#include "driver/MySQLConnection.h"
#include "tests/components/TestConnection.h"
#include "tests/support/FaultProxy.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

class UnknownOutcomeTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    Admin("CREATE DATABASE IF NOT EXISTS " + test_server::Database());
    Admin("DROP TABLE IF EXISTS keyed, keyless");
    Admin("CREATE TABLE keyed (mac CHAR(17) NOT NULL PRIMARY KEY, note VARCHAR(40) NULL)");
    Admin("CREATE TABLE keyless (mac CHAR(17) NOT NULL, note VARCHAR(40) NULL)");
  }
  void TearDown() override { Admin("DROP DATABASE IF EXISTS " + test_server::Database()); }

  std::string Admin(const std::string& sql) {
    TMyConnection admin;
    test_server::Configure(admin, "");
    admin.Connect();
    if (sql.find(" DATABASE ") == std::string::npos)
      admin.MySQLConnection()->ExecStatement("USE " + test_server::Database());
    if (sql.starts_with("SELECT")) return admin.MySQLConnection()->QueryFirstValue(sql);
    admin.MySQLConnection()->ExecStatement(sql);
    return {};
  }
  int Stored(const std::string& table) { return std::stoi(Admin("SELECT COUNT(*) FROM " + table)); }

  // A connection through a proxy with the fault, a query on the table, and a row being inserted.
  struct TSession {
    TFaultProxy Proxy;
    TMyConnection Connection;
    TMyQuery Query;
    TSession(const TFault& fault, const std::string& table, bool compress)
        : Proxy(test_server::Settings().Port, fault) {
      test_server::Configure(Connection);
      Connection.SetServer("127.0.0.1");
      Connection.SetPort(Proxy.Port());
      Connection.Options.SetCompress(compress);
      Query.SetConnection(&Connection);
      Query.SQL().SetText("SELECT mac, note FROM " + table);
      Query.Open();
      Query.Insert();
      Query.FieldByName("mac").SetAsString("54-2F-89-00-00-01");
      Query.FieldByName("note").SetAsString("new");
    }
  };

  // The bytes each way that pass before the INSERT, counted on a clean run.
  std::pair<std::size_t, std::size_t> BytesBeforeInsert(const std::string& table) {
    std::pair<std::size_t, std::size_t> before;
    {
      TSession clean({}, table, GetParam());
      clean.Query.BeforeUpdateExecute = [&](TDataSet&, TStatementType, const std::string&) {
        before = {clean.Proxy.BytesToServer(), clean.Proxy.BytesToClient()};
      };
      clean.Query.Post();
    }
    Admin("DELETE FROM " + table);
    return before;
  }

  // Posts and hands back the error it raised.
  static bool PostFails(TMyQuery& query, const std::function<void(const EDatabaseError&)>& check) {
    try {
      query.Post();
    } catch (const EDatabaseError& error) {
      check(error);
      return true;
    }
    return false;
  }
};

}  // namespace

TEST_P(UnknownOutcomeTest, ALostReplyIsCheckedByKeyAndTheRowIsNotSentAgain) {
  const std::size_t replyAt = BytesBeforeInsert("keyed").second;
  TSession session({TFaultKind::Cut, TFaultDirection::ToClient, replyAt}, "keyed", GetParam());
  EXPECT_TRUE(PostFails(session.Query, [](const EDatabaseError& error) {
    const auto* lost = dynamic_cast<const EDAError*>(&error);
    ASSERT_NE(lost, nullptr) << error.what();
    EXPECT_EQ(lost->ErrorCode, 2013);
    EXPECT_TRUE(lost->StatementMayHaveRun);
  }));
  EXPECT_EQ(Stored("keyed"), 1);
  session.Query.Post();
  EXPECT_EQ(session.Query.State(), dsBrowse);
  EXPECT_EQ(Stored("keyed"), 1);
}

// The row the lost INSERT stored holds the old note; posting the corrected one must not claim it.
TEST_P(UnknownOutcomeTest, ARowStoredWithOtherValuesIsReportedNotTakenForThePost) {
  const std::size_t replyAt = BytesBeforeInsert("keyed").second;
  TSession session({TFaultKind::Cut, TFaultDirection::ToClient, replyAt}, "keyed", GetParam());
  EXPECT_TRUE(PostFails(session.Query, [](const EDatabaseError&) {}));
  session.Query.FieldByName("note").SetAsString("corrected");
  EXPECT_TRUE(PostFails(session.Query, [](const EDatabaseError& error) {
    EXPECT_STREQ(error.what(),
                 "A row with this key was stored meanwhile, with other values than these; refresh to see what is "
                 "stored.");
  }));
  EXPECT_EQ(Admin("SELECT GROUP_CONCAT(note) FROM keyed"), "new");
}

// The statement left the client whole but the proxy passed only part of it: the server never ran it,
// so the check by key finds nothing and the row is sent again.
TEST_P(UnknownOutcomeTest, ARowTheCheckDoesNotFindIsSentAgain) {
  const std::size_t insertAt = BytesBeforeInsert("keyed").first;
  TSession session({TFaultKind::Cut, TFaultDirection::ToServer, insertAt + 5}, "keyed", GetParam());
  EXPECT_TRUE(PostFails(session.Query, [](const EDatabaseError& error) {
    const auto* lost = dynamic_cast<const EDAError*>(&error);
    ASSERT_NE(lost, nullptr) << error.what();
    EXPECT_TRUE(lost->StatementMayHaveRun);
  }));
  EXPECT_EQ(Stored("keyed"), 0);
  session.Query.Post();
  EXPECT_EQ(Stored("keyed"), 1);
}

TEST_P(UnknownOutcomeTest, WithoutAKeyTheRowIsNotSentAgain) {
  const std::size_t replyAt = BytesBeforeInsert("keyless").second;
  TSession session({TFaultKind::Cut, TFaultDirection::ToClient, replyAt}, "keyless", GetParam());
  EXPECT_TRUE(PostFails(session.Query, [](const EDatabaseError&) {}));
  EXPECT_TRUE(PostFails(session.Query, [](const EDatabaseError& error) {
    EXPECT_STREQ(error.what(),
                 "The row may have been stored before the connection was lost; without a key to look it up by, it is "
                 "not sent again.");
  }));
  EXPECT_EQ(Stored("keyless"), 1);
}

INSTANTIATE_TEST_SUITE_P(PlainAndCompressed, UnknownOutcomeTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Compressed" : "Plain"; });
