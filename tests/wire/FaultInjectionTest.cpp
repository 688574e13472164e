// The protocol client through a proxy that breaks the connection at every stage: cut, reset,
// stalled or with a flipped byte, both ways, plain and compressed. Every outcome is a success or
// a clear error within the time-out; an INSERT whose reply is lost before its statement was fully
// sent is never stored.
#include "tests/support/FaultProxy.h"
#include "tests/support/TestServer.h"
#include "wire/MySqlApiDirect.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

constexpr int TimeoutSeconds = 1;

struct TOutcome {
  bool Ok = false;
  int Code = 0;
  std::string Message;
  bool CommandSent = false;
};

TOutcome Success() {
  TOutcome outcome;
  outcome.Ok = true;
  return outcome;
}

// One login and one statement, rows read to the end, through a proxy with the given fault.
class TProxiedRun {
 public:
  TProxiedRun(const TFault& fault, bool compress, const std::string& database)
      : FProxy(test_server::Settings().Port, fault), FSession(FApi.mysql_init()) {
    FApi.CheckMySQLLib();
    FApi.mysql_options(FSession, MYSQL_OPT_CONNECT_TIMEOUT, TimeoutSeconds);
    FApi.SetTimeout(FSession, TimeoutSeconds);
    const test_server::TSettings& db = test_server::Settings();
    const std::uint32_t flags = CLIENT_FOUND_ROWS | (compress ? CLIENT_COMPRESS : 0);
    FLoggedIn = FApi.mysql_real_connect(FSession, "127.0.0.1", db.RootUser, db.RootPassword, database, FProxy.Port(),
                                        "", flags) != nullptr;
  }
  ~TProxiedRun() { FApi.mysql_close(FSession); }

  TOutcome Run(const std::string& sql) {
    if (FLoggedIn && FApi.mysql_real_query(FSession, sql) == 0) {
      if (TMySqlResultSet* result = FApi.mysql_use_result(FSession)) {
        while (FApi.mysql_fetch_row(result)) {
        }
        const int code = FApi.mysql_errno(FSession);
        FApi.mysql_free_result(result);
        if (code == 0) return Success();
      } else if (FApi.mysql_errno(FSession) == 0) {
        return Success();
      }
    }
    return {false, FApi.mysql_errno(FSession), FApi.mysql_error(FSession), FSession->commandSent};
  }

  const TFaultProxy& Proxy() const { return FProxy; }

 private:
  TFaultProxy FProxy;
  TMySQLAPIDirect FApi;
  TMySqlSession* FSession;
  bool FLoggedIn = false;
};

class FaultInjection : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    Database = test_server::ProcessDatabase("morvane_fault");
    Admin("CREATE DATABASE IF NOT EXISTS " + Database);
    Admin("CREATE TABLE IF NOT EXISTS " + Database + ".inserted (k INT PRIMARY KEY, v VARCHAR(40))");
    Admin("DELETE FROM " + Database + ".inserted");
  }
  void TearDown() override { Admin("DROP DATABASE IF EXISTS " + Database); }

  void Admin(const std::string& sql) {
    TProxiedRun direct({}, false, "");
    const TOutcome outcome = direct.Run(sql);
    EXPECT_TRUE(outcome.Ok) << sql << ": " << outcome.Message;
  }
  int StoredRows(int key) {
    TMySQLAPIDirect api;
    TMySqlSession* session = api.mysql_init();
    const test_server::TSettings& db = test_server::Settings();
    int count = -1;
    if (api.mysql_real_connect(session, db.Host, db.RootUser, db.RootPassword, Database, db.Port, "", 0) &&
        api.mysql_real_query(session, "SELECT COUNT(*) FROM inserted WHERE k = " + std::to_string(key)) == 0) {
      if (TMySqlResultSet* result = api.mysql_use_result(session)) {
        if (const TMySqlBinds* row = api.mysql_fetch_row(result)) count = std::stoi(std::string(row->Value(0)));
        api.mysql_free_result(result);
      }
    }
    api.mysql_close(session);
    return count;
  }

  // Runs statement(0) cleanly to count the bytes of each direction, then statement(1),
  // statement(2), ... each with the fault at one of samples offsets spread over that direction.
  void Sweep(const std::function<std::string(int)>& statement, TFaultKind kind, std::size_t samples,
             const std::function<void(const TOutcome&, int run)>& check) {
    std::size_t total[2];
    {
      TProxiedRun clean({}, GetParam(), Database);
      ASSERT_TRUE(clean.Run(statement(0)).Ok);
      total[0] = clean.Proxy().BytesToServer();
      total[1] = clean.Proxy().BytesToClient();
    }
    int run = 0;
    for (const TFaultDirection direction : {TFaultDirection::ToServer, TFaultDirection::ToClient}) {
      const std::size_t bytes = total[direction == TFaultDirection::ToServer ? 0 : 1];
      const std::size_t step = bytes / samples + 1;
      for (std::size_t at = 0; at < bytes; at += step) {
        ++run;
        TProxiedRun faulty({kind, direction, at}, GetParam(), Database);
        const TOutcome outcome = faulty.Run(statement(run));
        if (!outcome.Ok) {
          EXPECT_GT(outcome.Code, 0) << "no code at byte " << at;
          EXPECT_FALSE(outcome.Message.empty()) << "no text for " << outcome.Code << " at byte " << at;
        }
        check(outcome, run);
      }
    }
  }

  std::string Database;
};

}  // namespace

TEST_P(FaultInjection, ASmallResultEndsInSuccessOrAClearError) {
  const auto select = [](int) {
    return std::string("SELECT 1 AS n, 'first' AS t UNION ALL SELECT 2, NULL UNION ALL SELECT 3, REPEAT('x', 60)");
  };
  const auto anything = [](const TOutcome&, int) {};
  Sweep(select, TFaultKind::Cut, 80, anything);
  Sweep(select, TFaultKind::Reset, 30, anything);
  Sweep(select, TFaultKind::Flip, 4, anything);
  Sweep(select, TFaultKind::Stall, 1, [](const TOutcome& outcome, int) { EXPECT_FALSE(outcome.Ok); });
}

TEST_P(FaultInjection, AnInsertIsStoredAtMostOnceAndNeverWhenNotFullySent) {
  int base = 0;
  for (const TFaultKind kind : {TFaultKind::Cut, TFaultKind::Reset, TFaultKind::Stall}) {
    const auto insert = [&](int run) {
      return "INSERT INTO inserted VALUES (" + std::to_string(base + run) + ", 'row')";
    };
    Sweep(insert, kind, kind == TFaultKind::Stall ? 1 : 40, [&](const TOutcome& outcome, int run) {
      const int stored = StoredRows(base + run);
      if (outcome.Ok)
        EXPECT_EQ(stored, 1) << "run " << run;
      else if (!outcome.CommandSent)
        EXPECT_EQ(stored, 0) << "stored though not fully sent: run " << run << ", " << outcome.Message;
      else
        EXPECT_LE(stored, 1) << "run " << run;
    });
    base += 1000;
  }
}

INSTANTIATE_TEST_SUITE_P(PlainAndCompressed, FaultInjection, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Compressed" : "Plain"; });
