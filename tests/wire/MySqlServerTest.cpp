// The protocol client against the real test database server (scripts/testdb.sh).
#include "tests/support/TestServer.h"
#include "wire/MySqlApiDirect.h"
#include "wire/MySqlErrors.h"
#include "wire/SHA1Managed.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr std::uint32_t ProgramFlags = CLIENT_FOUND_ROWS | CLIENT_MULTI_STATEMENTS;

class TServerSession {
 public:
  explicit TServerSession(const test_server::TSettings& db) : FDb(db), FSession(FApi.mysql_init()) {
    FApi.CheckMySQLLib();
    FApi.mysql_options(FSession, MYSQL_OPT_CONNECT_TIMEOUT, 10);
    FApi.mysql_options(FSession, MYSQL_SET_CHARSET_NAME, std::string("utf8"));
  }
  ~TServerSession() { FApi.mysql_close(FSession); }

  bool Login(const std::string& user, const std::string& password, std::uint32_t flags = ProgramFlags) {
    return FApi.mysql_real_connect(FSession, FDb.Host, user, password, FDb.Database, FDb.Port, "", flags) != nullptr;
  }
  bool LoginNative(std::uint32_t flags = ProgramFlags) { return Login(FDb.NativeUser, FDb.NativePassword, flags); }

  // Runs a statement that must succeed and returns its first result's rows as texts.
  std::vector<std::vector<std::string>> Rows(const std::string& sql) {
    EXPECT_EQ(Api().mysql_real_query(FSession, sql), 0) << sql << ": " << Error();
    std::vector<std::vector<std::string>> rows;
    TMySqlResultSet* result = Api().mysql_use_result(FSession);
    if (!result) return rows;
    while (const TMySqlBinds* row = Api().mysql_fetch_row(result)) {
      std::vector<std::string>& values = rows.emplace_back();
      for (std::size_t i = 0; i < row->Slots.size(); ++i)
        values.push_back(row->Slots[i].IsNull ? "<NULL>" : std::string(row->Value(i)));
    }
    EXPECT_EQ(Api().mysql_errno(FSession), 0) << Error();
    Api().mysql_free_result(result);
    return rows;
  }
  std::string Value(const std::string& sql) {
    const auto rows = Rows(sql);
    return rows.empty() || rows[0].empty() ? "<none>" : rows[0][0];
  }

  TMySQLAPIDirect& Api() { return FApi; }
  TMySqlSession* Session() { return FSession; }
  std::string Error() { return FApi.mysql_error(FSession); }

 private:
  const test_server::TSettings& FDb;
  TMySQLAPIDirect FApi;
  TMySqlSession* FSession;
};

std::string Sha1Hex(std::string_view bytes) {
  const TSHA1Digest digest =
      TSHA1Managed::ComputeHash({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  static const char* hex = "0123456789abcdef";
  std::string text;
  for (unsigned char b : digest) {
    text += hex[b >> 4];
    text += hex[b & 15];
  }
  return text;
}

}  // namespace

TEST(MySqlServer, NativeOldAndEmptyPasswordsLogIn) {
  const test_server::TSettings& db = test_server::Settings();
  const std::pair<std::string, std::string> accounts[] = {
      {db.NativeUser, db.NativePassword}, {db.OldUser, db.OldPassword}, {db.EmptyUser, ""}};
  for (const auto& [user, password] : accounts) {
    for (const std::uint32_t extra : {0u, CLIENT_COMPRESS}) {
      TServerSession s(db);
      ASSERT_TRUE(s.Login(user, password, ProgramFlags | extra)) << user << ": " << s.Error();
      EXPECT_EQ(s.Value("SELECT CURRENT_USER()"), user + "@%");
      EXPECT_EQ(s.Session()->net.GetCompress(), extra != 0);
      EXPECT_EQ(s.Api().mysql_ping(s.Session()), 0);
    }
  }
}

TEST(MySqlServer, WrongPasswordGivesTheAccessDeniedError) {
  const test_server::TSettings& db = test_server::Settings();
  TServerSession s(db);
  EXPECT_FALSE(s.Login(db.NativeUser, "wrong"));
  EXPECT_EQ(s.Api().mysql_errno(s.Session()), 1045);
  EXPECT_EQ(s.Error().rfind("\r\n#28000Access denied for user '" + db.NativeUser + "'", 0), 0u) << s.Error();
}

TEST(MySqlServer, UnreachableServersFailWithTheTransportText) {
  const test_server::TSettings& db = test_server::Settings();
  TMySQLAPIDirect api;
  struct TCase {
    std::string Host;
    int Port;
    std::string MessageStart;
  };
  const TCase cases[] = {
      {"127.0.0.1", 1,
       "Cannot connect to server on host '127.0.0.1':\r\nConnection refused.\r\nSocket Error Code: 111($6F)"},
      {"no-such-host.invalid", db.Port, "Unknown host 'no-such-host.invalid'.\r\nSocket Error Code: "},
  };
  for (const TCase& c : cases) {
    TMySqlSession* session = api.mysql_init();
    EXPECT_EQ(api.mysql_real_connect(session, c.Host, db.NativeUser, db.NativePassword, "", c.Port, "", ProgramFlags),
              nullptr);
    EXPECT_EQ(api.mysql_errno(session), CR_CONN_HOST_ERROR);
    EXPECT_EQ(api.mysql_error(session).rfind(c.MessageStart, 0), 0u) << api.mysql_error(session);
    api.mysql_close(session);
  }
}

// Over the server's local socket the login, statements and the TLS the default mode asks for work
// as over TCP; the server sees a local client.
TEST(MySqlServer, LocalSocketCarriesTheLoginAndTls) {
  const test_server::TSettings& db = test_server::Settings();
  TServerSession s(db);
  s.Api().mysql_options(s.Session(), MYSQL_OPT_PROTOCOL, MYSQL_PROTOCOL_SOCKET);
  s.Session()->socketPath = db.Socket;
  ASSERT_TRUE(s.LoginNative()) << s.Error();
  EXPECT_EQ(s.Api().mysql_get_host_info(s.Session()), "Localhost via UNIX socket");
  EXPECT_EQ(s.Value("SELECT HOST FROM information_schema.PROCESSLIST WHERE ID = CONNECTION_ID()"), "localhost");
  EXPECT_EQ(s.Rows("SHOW STATUS LIKE 'Ssl_version'").at(0).at(1).rfind("TLSv1.", 0), 0u);
  EXPECT_EQ(s.Api().mysql_get_ssl_description(s.Session()).rfind("TLS 1.", 0), 0u);
}

TEST(MySqlServer, MissingLocalSocketFailsWithItsPath) {
  const test_server::TSettings& db = test_server::Settings();
  TServerSession s(db);
  s.Api().mysql_options(s.Session(), MYSQL_OPT_PROTOCOL, MYSQL_PROTOCOL_SOCKET);
  EXPECT_EQ(s.Api().mysql_real_connect(s.Session(), "", db.NativeUser, db.NativePassword, "", 0, "/nonexistent/db.sock",
                                       ProgramFlags),
            nullptr);
  EXPECT_EQ(s.Api().mysql_errno(s.Session()), CR_CONNECTION_ERROR);
  EXPECT_EQ(s.Error(), "Can't connect to local server through socket '/nonexistent/db.sock' (2)");
}

TEST(MySqlServer, InsertReportsAffectedRowsAndInsertId) {
  const test_server::TSettings& db = test_server::Settings();
  TServerSession s(db);
  ASSERT_TRUE(s.LoginNative()) << s.Error();
  s.Rows("CREATE TEMPORARY TABLE t (id INT AUTO_INCREMENT PRIMARY KEY, v VARCHAR(10))");
  ASSERT_EQ(s.Api().mysql_real_query(s.Session(), "INSERT INTO t (v) VALUES ('a')"), 0);
  EXPECT_EQ(s.Api().mysql_affected_rows(s.Session()), 1);
  EXPECT_EQ(s.Api().mysql_insert_id(s.Session()), 1u);
  EXPECT_EQ(s.Api().mysql_field_count(s.Session()), 0u);
  EXPECT_EQ(s.Api().mysql_use_result(s.Session()), nullptr);
  ASSERT_EQ(s.Api().mysql_real_query(s.Session(), "INSERT INTO t (v) VALUES ('b'),('c')"), 0);
  EXPECT_EQ(s.Api().mysql_affected_rows(s.Session()), 2);
  EXPECT_EQ(s.Api().mysql_info(s.Session()), "Records: 2  Duplicates: 0  Warnings: 0");
  // The insert id is unsigned 64-bit: -1 in an INT column comes back as 2^64 - 1.
  ASSERT_EQ(s.Api().mysql_real_query(s.Session(), "INSERT INTO t VALUES (-1, 'd')"), 0) << s.Error();
  EXPECT_EQ(s.Api().mysql_insert_id(s.Session()), UINT64_MAX);
}

TEST(MySqlServer, EmptyPixelTableGivesSixColumnsAndNoRow) {
  const test_server::TSettings& db = test_server::Settings();
  TServerSession s(db);
  ASSERT_TRUE(s.LoginNative()) << s.Error();
  ASSERT_EQ(s.Api().mysql_real_query(s.Session(),
                                     "SELECT mac,PixelType, ShieldType , birthday, Org_ID, note FROM pixels "
                                     "WHERE mac = 'none' ORDER BY birthday DESC"),
            0);
  TMySqlResultSet* result = s.Api().mysql_use_result(s.Session());
  ASSERT_NE(result, nullptr);
  ASSERT_EQ(s.Api().mysql_num_fields(result), 6u);
  const char* names[] = {"mac", "PixelType", "ShieldType", "birthday", "Org_ID", "note"};
  const std::uint8_t types[] = {MYSQL_TYPE_STRING,   MYSQL_TYPE_VAR_STRING, MYSQL_TYPE_VAR_STRING,
                                MYSQL_TYPE_DATETIME, MYSQL_TYPE_LONG,       MYSQL_TYPE_VAR_STRING};
  for (std::size_t i = 0; i < 6; ++i) {
    TMYSQL_FIELD field;
    s.Api()._mysql_fetch_field_direct(result, i, field, true);
    EXPECT_EQ(field.Name, names[i]);
    EXPECT_EQ(field.Table, "pixels");
    EXPECT_EQ(field.MyType, types[i]);
    EXPECT_EQ(field.CharsetNr, i == 3 || i == 4 ? 63 : 33);
  }
  TMYSQL_FIELD mac;
  s.Api()._mysql_fetch_field_direct(result, 0, mac, true);
  EXPECT_EQ(mac.LengthInBytes, 51u);
  EXPECT_NE(mac.Flags & PRI_KEY_FLAG, 0u);
  TMYSQL_FIELD org;
  s.Api()._mysql_fetch_field_direct(result, 4, org, true);
  EXPECT_NE(org.Flags & NUM_FLAG, 0u);
  EXPECT_EQ(s.Api().mysql_fetch_row(result), nullptr);
  EXPECT_EQ(s.Session()->status, msReady);
  s.Api().mysql_free_result(result);
}

TEST(MySqlServer, NullEmptyAndUtf8ValuesArriveAsSent) {
  const test_server::TSettings& db = test_server::Settings();
  TServerSession s(db);
  ASSERT_TRUE(s.LoginNative()) << s.Error();
  s.Rows("SET NAMES utf8");
  ASSERT_EQ(s.Api().mysql_real_query(s.Session(), "SELECT NULL, '', 'Grüße €', 'a\\tb\\\\c'"), 0);
  TMySqlResultSet* result = s.Api().mysql_use_result(s.Session());
  const TMySqlBinds* row = s.Api().mysql_fetch_row(result);
  ASSERT_NE(row, nullptr);
  EXPECT_TRUE(s.Api()._mysql_fetch_value_is_null(result, 0));
  EXPECT_EQ(row->Slots[0].Length, 0u);
  EXPECT_FALSE(s.Api()._mysql_fetch_value_is_null(result, 1));
  EXPECT_EQ(row->Slots[1].Length, 0u);
  EXPECT_EQ(s.Api()._mysql_fetch_value_str(result, 2), "Grüße €");
  EXPECT_EQ(s.Api()._mysql_fetch_value_str(result, 3), "a\tb\\c");
  char text[4];
  EXPECT_EQ(s.Api()._mysql_fetch_value_to_str(result, 2, text, sizeof text), 3u);
  EXPECT_STREQ(text, "Gr\xC3");
  std::vector<std::uint32_t> lengths;
  s.Api()._mysql_fetch_lengths(result, lengths);
  EXPECT_EQ(lengths, (std::vector<std::uint32_t>{0, 0, 11, 5}));
  s.Api().mysql_free_result(result);
}

TEST(MySqlServer, UnreadRowsBlockCommandsUntilTheResultIsFreed) {
  const test_server::TSettings& db = test_server::Settings();
  TServerSession s(db);
  ASSERT_TRUE(s.LoginNative()) << s.Error();
  ASSERT_EQ(s.Api().mysql_real_query(s.Session(), "SELECT seq FROM seq_1_to_100000"), 0);
  TMySqlResultSet* result = s.Api().mysql_use_result(s.Session());
  ASSERT_NE(s.Api().mysql_fetch_row(result), nullptr);
  EXPECT_EQ(s.Api().mysql_real_query(s.Session(), "SELECT 1"), CR_COMMANDS_OUT_OF_SYNC);
  EXPECT_EQ(s.Api().mysql_ping(s.Session()), CR_COMMANDS_OUT_OF_SYNC);
  s.Api().mysql_free_result(result);
  EXPECT_EQ(s.Value("SELECT 1"), "1");
}

TEST(MySqlServer, MultipleResultsAreWalkedWithNextResult) {
  const test_server::TSettings& db = test_server::Settings();
  TServerSession s(db);
  ASSERT_TRUE(s.LoginNative()) << s.Error();
  ASSERT_EQ(s.Api().mysql_real_query(s.Session(), "SELECT 1; SELECT 2, 3; DO 0"), 0);
  std::vector<std::size_t> columns;
  for (;;) {
    TMySqlResultSet* result = s.Api().mysql_use_result(s.Session());
    columns.push_back(result ? s.Api().mysql_num_fields(result) : 0);
    s.Api().mysql_free_result(result);  // drains the unread row
    const int next = s.Api().mysql_next_result(s.Session());
    if (next == -1) break;
    ASSERT_EQ(next, 0) << s.Error();
  }
  EXPECT_EQ(columns, (std::vector<std::size_t>{1, 2, 0}));
  EXPECT_FALSE(s.Api().mysql_more_results(s.Session()));
}

TEST(MySqlServer, DuplicateKeyIsRaisedWithItsSqlState) {
  const test_server::TSettings& db = test_server::Settings();
  TServerSession s(db);
  ASSERT_TRUE(s.LoginNative()) << s.Error();
  s.Rows("CREATE TEMPORARY TABLE d (k INT PRIMARY KEY)");
  s.Rows("INSERT INTO d VALUES (1)");
  EXPECT_EQ(s.Api().mysql_real_query(s.Session(), "INSERT INTO d VALUES (1)"), 1062);
  EXPECT_EQ(s.Error(), "\r\n#23000Duplicate entry '1' for key 'PRIMARY'");
  EXPECT_EQ(s.Value("SELECT COUNT(*) FROM d"), "1");
}

TEST(MySqlServer, SelectDbPingStatisticsAndKill) {
  const test_server::TSettings& db = test_server::Settings();
  TServerSession s(db);
  ASSERT_TRUE(s.LoginNative()) << s.Error();
  EXPECT_EQ(s.Api().mysql_select_db(s.Session(), "information_schema"), 0);
  EXPECT_EQ(s.Value("SELECT DATABASE()"), "information_schema");
  EXPECT_EQ(s.Session()->database, "information_schema");
  EXPECT_EQ(s.Api().mysql_select_db(s.Session(), "no_such_db"), 1044);
  EXPECT_EQ(s.Api().mysql_stat(s.Session()).rfind("Uptime: ", 0), 0u);

  TServerSession victim(db);
  ASSERT_TRUE(victim.LoginNative());
  EXPECT_EQ(s.Api().mysql_kill(s.Session(), s.Api().mysql_thread_id(victim.Session())), 0);
  const int ping = victim.Api().mysql_ping(victim.Session());
  EXPECT_TRUE(ping == CR_SERVER_LOST || ping == 1927) << ping << victim.Error();
}

TEST(MySqlServer, LocalFileRequestGetsNothing) {
  const test_server::TSettings& db = test_server::Settings();
  TServerSession s(db);
  ASSERT_TRUE(s.LoginNative()) << s.Error();
  s.Rows("CREATE TEMPORARY TABLE f (line TEXT)");
  EXPECT_EQ(s.Api().mysql_real_query(s.Session(), "LOAD DATA LOCAL INFILE '/etc/passwd' INTO TABLE f"),
            CR_LOAD_DATA_LOCAL_INFILE_REJECTED);
  EXPECT_NE(s.Error().find("'/etc/passwd'"), std::string::npos) << s.Error();
  EXPECT_EQ(s.Value("SELECT COUNT(*) FROM f"), "0");
}

TEST(MySqlServer, ValuesOverSixteenMebibytesTravelBothWays) {
  const test_server::TSettings& db = test_server::Settings();
  std::string value(17 * 1024 * 1024 + 3, '\0');
  for (std::size_t i = 0; i < value.size(); ++i) value[i] = "abcdefghij0123456789"[(i * 7 + i / 1000) % 20];
  for (const std::uint32_t extra : {0u, CLIENT_COMPRESS}) {
    TServerSession s(db);
    ASSERT_TRUE(s.LoginNative(ProgramFlags | extra)) << s.Error();
    s.Rows("CREATE TEMPORARY TABLE big (v LONGBLOB)");
    // The statement itself is larger than one packet.
    ASSERT_EQ(s.Api().mysql_real_query(s.Session(), "INSERT INTO big VALUES ('" + value + "')"), 0) << s.Error();
    EXPECT_EQ(s.Value("SELECT SHA1(v) FROM big"), Sha1Hex(value));
    ASSERT_EQ(s.Api().mysql_real_query(s.Session(), "SELECT v, 1 FROM big"), 0);
    TMySqlResultSet* result = s.Api().mysql_use_result(s.Session());
    const TMySqlBinds* row = s.Api().mysql_fetch_row(result);
    ASSERT_NE(row, nullptr) << s.Error();
    EXPECT_EQ(row->Slots[0].Length, value.size());
    EXPECT_TRUE(row->Value(0) == value);
    EXPECT_EQ(row->Value(1), "1");
    s.Api().mysql_free_result(result);
    // Unread large rows are drained.
    ASSERT_EQ(s.Api().mysql_real_query(s.Session(), "SELECT v FROM big UNION ALL SELECT v FROM big"), 0);
    s.Api().mysql_free_result(s.Api().mysql_use_result(s.Session()));
    EXPECT_EQ(s.Value("SELECT 2"), "2");
  }
}
