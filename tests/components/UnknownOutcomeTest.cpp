// A change that reached the server but whose reply was lost: the error says the statement may have
// run, and trying again looks the row up instead of changing it twice. A confirmed INSERT stays
// done whatever happens to the look-ups after it.
#include "components/MyQuery.h"
#include "dataset/DAError.h"
#include "driver/MySQLConnection.h"
#include "tests/components/TestConnection.h"
#include "tests/support/FaultProxy.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

namespace {

class UnknownOutcomeTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    Admin("CREATE DATABASE IF NOT EXISTS " + test_server::Database());
    Admin("DROP TABLE IF EXISTS keyed, keyless, valued, filled");
    Admin("CREATE TABLE keyed (mac CHAR(17) NOT NULL PRIMARY KEY, note VARCHAR(40) NULL)");
    Admin("CREATE TABLE keyless (mac CHAR(17) NOT NULL, note VARCHAR(40) NULL)");
    Admin(
        "CREATE TABLE valued (mac CHAR(17) NOT NULL PRIMARY KEY, note VARCHAR(40) NULL, price DECIMAL(10,2), "
        "ratio DOUBLE, size FLOAT, memo TEXT) DEFAULT CHARSET=utf8mb4 COLLATE utf8mb4_general_ci");
    Admin(
        "CREATE TABLE filled (id INT AUTO_INCREMENT PRIMARY KEY, mac VARCHAR(20) COLLATE utf8mb4_bin UNIQUE, "
        "note VARCHAR(40), label VARCHAR(10) DEFAULT 'fresh')");
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
  // Without encryption, the proxy finds the statement an armed marker names in the plain bytes.
  struct TSession {
    TFaultProxy Proxy;
    TMyConnection Connection;
    TMyQuery Query;
    TSession(const TFault& fault, const std::string& table, bool compress, bool encrypted = true)
        : Proxy(test_server::Settings().Port, fault) {
      test_server::Configure(Connection);
      if (!encrypted) {
        TMySSLOptions plain;
        plain.Mode = "disabled";
        Connection.SetSSLOptions(plain);
      }
      Connection.SetServer("127.0.0.1");
      Connection.SetPort(Proxy.Port());
      Connection.Options.SetCompress(compress);
      Query.SetConnection(&Connection);
      Query.SQL().SetText("SELECT * FROM " + table);
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

// The row the lost INSERT stored differs from the corrected one in a single column, in ways only an
// exact comparison sees: each is reported, none taken for the post. Values the server stores as
// they were posted (a decimal it rounds, a FLOAT's single precision) count as the post's own.
// The proxy finds the statement to cut by its text, which compression hides: plain runs only.
using PlainLostReplyTest = UnknownOutcomeTest;

TEST_F(PlainLostReplyTest, ARePostComparesEveryPostedColumnExactly) {
  const std::map<std::string, std::string> posted = {
      {"note", "abc"}, {"price", "1.505"}, {"ratio", "0.1"}, {"size", "0.1"}, {"memo", "a memo"}};
  const struct {
    const char* field;
    const char* corrected;  // nullptr: cleared
  } cases[] = {
      {"price", "2.50"},      {"ratio", "0.10000000000000002"},
      {"size", "0.10000001"}, {"memo", "a memo "},
      {"note", nullptr},      {"note", "ABC"},
      {"note", "abc "},
  };
  auto post = [&](TSession& session) {
    session.Proxy.Arm("INSERT INTO valued", TMarkerCut::AfterReply);
    for (const auto& [field, value] : posted) session.Query.FieldByName(field).SetAsString(value);
    EXPECT_TRUE(PostFails(session.Query, [](const EDatabaseError& error) {
      const auto* lost = dynamic_cast<const EDAError*>(&error);
      ASSERT_NE(lost, nullptr) << error.what();
      EXPECT_TRUE(lost->StatementMayHaveRun);
    }));
    EXPECT_TRUE(session.Proxy.HasCut());
  };
  const std::string stored = "SELECT CONCAT_WS('|', HEX(note), price, ratio, size, memo) FROM valued";
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " " + (c.corrected ? c.corrected : "NULL"));
    Admin("DELETE FROM valued");
    TSession session({}, "valued", false, false);
    post(session);
    const std::string before = Admin(stored);
    if (c.corrected)
      session.Query.FieldByName(c.field).SetAsString(c.corrected);
    else
      session.Query.FieldByName(c.field).Clear();
    EXPECT_TRUE(PostFails(session.Query, [](const EDatabaseError& error) {
      EXPECT_STREQ(error.what(),
                   "A row with this key was stored meanwhile, with other values than these; refresh to see what is "
                   "stored.");
    }));
    EXPECT_EQ(session.Query.State(), dsInsert);
    EXPECT_EQ(Admin(stored), before);
    EXPECT_EQ(Stored("valued"), 1);
  }
  Admin("DELETE FROM valued");
  TSession session({}, "valued", false, false);
  post(session);
  session.Query.Post();
  EXPECT_EQ(session.Query.State(), dsBrowse);
  EXPECT_EQ(Admin(stored), "616263|1.51|0.1|0.1|a memo");
  EXPECT_EQ(Stored("valued"), 1);
}

// The server confirmed the INSERT, and only the read-back of what it filled in lost its reply: the
// post succeeded, the posted values stay, a refresh is advised, and nothing is sent again.
TEST_F(PlainLostReplyTest, ALostReadBackLeavesTheConfirmedPostDone) {
  TSession session({}, "filled", false, false);
  std::vector<std::string> advised, sent;
  session.Query.OnRefreshAdvised = [&](TDataSet&, const std::string& reason) { advised.push_back(reason); };
  session.Query.BeforeUpdateExecute = [&](TDataSet&, TStatementType, const std::string& text) { sent.push_back(text); };
  session.Proxy.Arm("SELECT label", TMarkerCut::AfterReply);
  session.Query.Post();
  EXPECT_TRUE(session.Proxy.HasCut());
  EXPECT_EQ(session.Query.State(), dsBrowse);
  EXPECT_EQ(session.Query.FieldByName("id").AsInteger(), 1);
  EXPECT_TRUE(session.Query.FieldByName("label").IsNull());
  ASSERT_EQ(advised.size(), 1u);
  EXPECT_TRUE(advised[0].starts_with("The row was stored, but what the server filled in could not be read back"))
      << advised[0];
  session.Query.Post();
  EXPECT_EQ(sent.size(), 1u);
  EXPECT_EQ(Admin("SELECT GROUP_CONCAT(id, mac, note, label) FROM filled"), "154-2F-89-00-00-01newfresh");
}

// A trigger moved the new row to another key: the row the sent key finds is another one, and what
// it holds is not shown as the new row's.
TEST_F(PlainLostReplyTest, AReadBackOfAnotherRowIsNotShown) {
  Admin("INSERT INTO filled (id, mac, note, label) VALUES (7, '54-2F-89-00-00-01', 'theirs', 'old')");
  Admin("CREATE TRIGGER lower_mac BEFORE INSERT ON filled FOR EACH ROW SET NEW.mac = LOWER(NEW.mac)");
  TSession session({}, "filled", false);
  std::vector<std::string> advised;
  session.Query.OnRefreshAdvised = [&](TDataSet&, const std::string& reason) { advised.push_back(reason); };
  session.Query.FieldByName("id").SetAsInteger(8);
  session.Query.Post();
  EXPECT_EQ(session.Query.State(), dsBrowse);
  EXPECT_TRUE(session.Query.FieldByName("label").IsNull());
  EXPECT_EQ(advised, std::vector<std::string>{"The row was stored, but the row its key finds holds other values than "
                                              "those posted (a trigger may have changed them); refresh to see what is "
                                              "stored."});
  EXPECT_EQ(Admin("SELECT GROUP_CONCAT(id, mac, label ORDER BY id) FROM filled"),
            "754-2F-89-00-00-01old,854-2f-89-00-00-01fresh");
}

// An UPDATE or DELETE whose reply was lost: sent again, the change the server made would find no
// row. The look-up decides, or, without a key, the outcome is said to be unknown.
TEST_F(PlainLostReplyTest, ALostChangeIsLookedUpBeforeItIsSentAgain) {
  const struct {
    const char* table;
    TStatementType type;
    const char* marker;
    const char* after;  // the table's rows after the second attempt
    const char* refused;
  } cases[] = {
      {"keyed", stUpdate, "UPDATE keyed", "54-2F-89-00-00-09 edited", nullptr},
      {"keyed", stDelete, "DELETE FROM keyed", "", nullptr},
      {"keyless", stUpdate, "UPDATE keyless", "54-2F-89-00-00-09 edited",
       "The change may have been made before the connection was lost; without a key to look the row up by, it is "
       "not sent again. Refresh to see what is stored."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.marker);
    Admin(std::string("DELETE FROM ") + c.table);
    Admin(std::string("INSERT INTO ") + c.table + " VALUES ('54-2F-89-00-00-01', 'old')");
    TSession session({}, c.table, false, false);
    int sent = 0;
    session.Query.BeforeUpdateExecute = [&](TDataSet&, TStatementType, const std::string&) { ++sent; };
    session.Query.Cancel();
    auto change = [&] {
      if (c.type == stDelete) return session.Query.Delete();
      if (session.Query.State() != dsEdit) session.Query.Edit();
      session.Query.FieldByName("mac").SetAsString("54-2F-89-00-00-09");
      session.Query.FieldByName("note").SetAsString("edited");
      session.Query.Post();
    };
    session.Proxy.Arm(c.marker, TMarkerCut::AfterReply);
    try {
      change();
      ADD_FAILURE() << "the lost reply was not reported";
    } catch (const EDAError& error) {
      EXPECT_TRUE(error.StatementMayHaveRun);
    }
    EXPECT_TRUE(session.Proxy.HasCut());
    if (c.refused) {
      try {
        change();
        ADD_FAILURE() << "sent again";
      } catch (const EDatabaseError& error) {
        EXPECT_STREQ(error.what(), c.refused);
      }
    } else {
      change();
    }
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(Admin(std::string("SELECT IFNULL(GROUP_CONCAT(mac, ' ', note), '') FROM ") + c.table), c.after);
  }
}

// The INSERT's reply is lost and no host takes the reconnect, which closes the dataset. Once the
// connection is back, posting the same row again looks it up instead of storing it twice.
TEST_F(PlainLostReplyTest, ALostInsertOutlivesTheClosedDataset) {
  TSession session({}, "keyed", false, false);
  int sent = 0;
  session.Query.BeforeUpdateExecute = [&](TDataSet&, TStatementType, const std::string&) { ++sent; };
  session.Connection.MySQLConnection()->SetProp(prPort, 1);  // where the reconnect finds no server
  session.Proxy.Arm("INSERT INTO keyed", TMarkerCut::AfterReply);
  EXPECT_TRUE(PostFails(session.Query, [](const EDatabaseError&) {}));
  EXPECT_FALSE(session.Query.Active());
  EXPECT_FALSE(session.Connection.Connected());
  session.Connection.MySQLConnection()->SetProp(prPort, session.Proxy.Port());
  session.Query.Open();
  session.Query.Insert();
  session.Query.FieldByName("mac").SetAsString("54-2F-89-00-00-01");
  session.Query.FieldByName("note").SetAsString("new");
  session.Query.Post();
  EXPECT_EQ(sent, 1);
  EXPECT_EQ(Stored("keyed"), 1);
}
