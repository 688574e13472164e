// The benchmark loops written with the C client library.
#include "bench/mysql-client/BenchShared.h"

#include <mysql.h>

namespace {

MYSQL* LibConnect(const TServer& s, TLink link) {
  MYSQL* mysql = mysql_init(nullptr);
  if (link == TLink::Compress) mysql_options(mysql, MYSQL_OPT_COMPRESS, nullptr);
  const my_bool encrypt = link == TLink::Tls;
  mysql_optionsv(mysql, MYSQL_OPT_SSL_ENFORCE, &encrypt);
  if (!mysql_real_connect(mysql, s.Host.c_str(), s.User.c_str(), s.Password.c_str(), s.Database.c_str(),
                          static_cast<unsigned>(s.Port), nullptr, 0))
    Die(std::string("libmariadb: ") + mysql_error(mysql));
  return mysql;
}

void LibExec(MYSQL* mysql, const char* sql) {
  if (mysql_query(mysql, sql) != 0) Die(std::string(sql) + ": " + mysql_error(mysql));
  while (MYSQL_RES* result = mysql_store_result(mysql)) {
    mysql_free_result(result);
    if (mysql_next_result(mysql) != 0) break;
  }
}

}  // namespace

void SetupTable(const TServer& s) {
  TServer withoutDatabase = s;
  withoutDatabase.Database.clear();
  MYSQL* mysql = LibConnect(withoutDatabase, TLink::Plain);
  LibExec(mysql, "CREATE DATABASE IF NOT EXISTS morvane_bench");
  LibExec(mysql, "USE morvane_bench");
  LibExec(mysql,
          "CREATE TABLE IF NOT EXISTS bench_client_pixels (mac CHAR(17) NOT NULL PRIMARY KEY, "
          "PixelType VARCHAR(64), ShieldType VARCHAR(64), birthday DATETIME, Org_ID INT NULL, note VARCHAR(255))");
  mysql_query(mysql, "SELECT COUNT(*) FROM bench_client_pixels");
  MYSQL_RES* result = mysql_store_result(mysql);
  const bool filled = std::atoi(mysql_fetch_row(result)[0]) == BenchRows;
  mysql_free_result(result);
  if (!filled) {
    LibExec(mysql, "TRUNCATE TABLE bench_client_pixels");
    LibExec(mysql,
            "INSERT INTO bench_client_pixels SELECT CONCAT('54-2F-89-', LPAD(HEX(seq >> 16), 2, '0'), '-', "
            "LPAD(HEX((seq >> 8) & 255), 2, '0'), '-', LPAD(HEX(seq & 255), 2, '0')), "
            "ELT(1 + seq % 3, 'Pixel v2', 'Pixel v3 long range', 'Prototype'), "
            "ELT(1 + seq % 2, 'Aluminium shield', 'None'), "
            "'2020-01-01 00:00:00' + INTERVAL seq MINUTE, IF(seq % 5 = 0, NULL, 1 + seq % 2), "
            "IF(seq % 4 = 0, '', CONCAT('Bench row ', seq, ' with a note of moderate length')) "
            "FROM seq_0_to_999999");
  }
  mysql_close(mysql);
}

TSink FetchLibmariadb(const TServer& s, TLink link) {
  TSink sink;
  MYSQL* mysql = LibConnect(s, link);
  if (mysql_query(mysql, BenchSelect) != 0) Die(mysql_error(mysql));
  MYSQL_RES* result = mysql_use_result(mysql);
  const unsigned columns = mysql_num_fields(result);
  while (MYSQL_ROW row = mysql_fetch_row(result)) {
    const unsigned long* lengths = mysql_fetch_lengths(result);
    for (unsigned i = 0; i < columns; ++i) sink.Touch(row[i], row[i] ? lengths[i] : 0);
  }
  if (mysql_errno(mysql) != 0) Die(mysql_error(mysql));
  mysql_free_result(result);
  mysql_close(mysql);
  return sink;
}

TSink LoginLibmariadb(const TServer& s) {
  TSink sink;
  for (int i = 0; i < BenchLogins; ++i) {
    MYSQL* mysql = LibConnect(s, TLink::Plain);
    sink.Values += mysql_thread_id(mysql) != 0;
    mysql_close(mysql);
  }
  return sink;
}
