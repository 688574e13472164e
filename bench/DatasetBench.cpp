// Opens a 1,000,000-row pixels-like table with each client and reports CPU seconds, wall seconds
// and the memory held per row; inserts 10,000 rows through the dataset and through the C library.
// One client per process run, so that peak memory belongs to that client alone:
//   morvane-dataset-bench setup | open <client> | insert <client>     client: morvane, libmariadb, qt
// (insert bare: the statements by hand on the C library's connection, faster than any client can be)
#include "components/MyConnection.h"
#include "components/MyQuery.h"
#include "dataset/DateTime.h"

#include <mysql.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>

#ifdef MORVANE_BENCH_QT
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>
#endif

namespace {

constexpr int Rows = 1000000;
constexpr int Inserts = 10000;
const char* Select = "SELECT mac, PixelType, ShieldType, birthday, Org_ID, note FROM bench_pixels";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  if (!value) {
    std::fprintf(stderr, "%s is not set: start the test database with eval \"$(scripts/testdb.sh start)\"\n", name);
    std::exit(2);
  }
  return value;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

// Every client hands each value's text to this, so that each reads every value once and the
// loops do the same work besides: the C library's values are read where they lie, not merely
// counted by their lengths.
struct TextSink {
  std::size_t bytes = 0;
  unsigned sum = 0;
  template <typename Unit>
  void Take(const Unit* text, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) sum += static_cast<unsigned>(text[i]);
    bytes += size;
  }
};

struct Measure {
  double cpu = CpuSeconds();
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  long rss = ResidentKiB();
  // One line: client cpu wall bytes-per-row, for run.sh to compare, and for an open the text
  // read (the same for every client that read all values the same way).
  void Report(const char* what, const char* client, int rows, const TextSink* text = nullptr) const {
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
    std::printf("%s %s cpu=%.3f wall=%.3f bytes_per_row=%.1f", what, client, CpuSeconds() - cpu, seconds,
                (ResidentKiB() - rss) * 1024.0 / rows);
    if (text) std::printf(" text=%zu/%u", text->bytes, text->sum);
    std::printf("\n");
  }
};

void Configure(TMyConnection& connection) {
  connection.LoginPrompt = false;
  connection.SetServer(Env("MORVANE_TEST_DB_HOST"));
  connection.SetPort(std::stoi(Env("MORVANE_TEST_DB_PORT")));
  connection.SetUsername(Env("MORVANE_TEST_DB_ROOT_USER"));
  connection.SetPassword(Env("MORVANE_TEST_DB_ROOT_PASSWORD"));
  connection.SetDatabase(Env("MORVANE_TEST_DB_DATABASE"));
  connection.Options.SetUseUnicode(true);
  // The other clients of this benchmark do not encrypt either.
  TMySSLOptions plain;
  plain.Mode = "disabled";
  connection.SetSSLOptions(plain);
}

MYSQL* CConnect() {
  MYSQL* mysql = mysql_init(nullptr);
  mysql_options(mysql, MYSQL_SET_CHARSET_NAME, "utf8");
  if (!mysql_real_connect(mysql, Env("MORVANE_TEST_DB_HOST").c_str(), Env("MORVANE_TEST_DB_ROOT_USER").c_str(),
                          Env("MORVANE_TEST_DB_ROOT_PASSWORD").c_str(), Env("MORVANE_TEST_DB_DATABASE").c_str(),
                          static_cast<unsigned>(std::stoi(Env("MORVANE_TEST_DB_PORT"))), nullptr, 0)) {
    std::fprintf(stderr, "%s\n", mysql_error(mysql));
    std::exit(1);
  }
  return mysql;
}

// Runs a statement without rows through the dataset (the protocol client's own headers and the
// C library's cannot meet in one file).
void Exec(TMyConnection& connection, const std::string& sql) {
  TMyQuery query;
  query.SetConnection(&connection);
  query.SQL().SetText(sql);
  query.Execute();
}

void Setup() {
  TMyConnection connection;
  Configure(connection);
  connection.Connect();
  Exec(connection, "DROP TABLE IF EXISTS bench_pixels");
  Exec(connection,
       "CREATE TABLE bench_pixels (mac CHAR(17) NOT NULL PRIMARY KEY, PixelType VARCHAR(64), "
       "ShieldType VARCHAR(64), birthday DATETIME, Org_ID INT, note VARCHAR(255)) DEFAULT CHARSET=utf8mb3");
  Exec(connection,
       "INSERT INTO bench_pixels SELECT CONCAT('54-2F-89-', LPAD(HEX(seq >> 16), 2, '0'), '-', "
       "LPAD(HEX((seq >> 8) & 255), 2, '0'), '-', LPAD(HEX(seq & 255), 2, '0')), "
       "ELT(1 + seq % 3, 'Pixel-A', 'Pixel-B', 'Pixel-C'), ELT(1 + seq % 2, 'Shield-1', 'Shield-2'), "
       "'2014-04-12 10:11:12' + INTERVAL seq SECOND, 1 + seq % 2, IF(seq % 4 = 0, NULL, 'bench note') "
       "FROM seq_0_to_" +
           std::to_string(Rows - 1));
  Exec(connection, "DROP TABLE IF EXISTS bench_inserts");
  Exec(connection, "CREATE TABLE bench_inserts LIKE bench_pixels");
}

void OpenMorvane() {
  TMyConnection connection;
  Configure(connection);
  connection.Connect();
  TMyQuery query;
  query.SetConnection(&connection);
  query.SQL().SetText(Select);
  Measure measure;
  query.Open();
  TextSink text;
  std::string value;
  for (query.First(); !query.Eof(); query.Next())
    for (const auto& field : query.Fields()) {
      field->GetText(value);
      text.Take(value.data(), value.size());
    }
  measure.Report("open", "morvane", query.RecordCount(), &text);
}

void OpenLibmariadb() {
  MYSQL* mysql = CConnect();
  Measure measure;
  MYSQL_RES* result = mysql_query(mysql, Select) == 0 ? mysql_store_result(mysql) : nullptr;
  if (!result) {
    std::fprintf(stderr, "%s\n", mysql_error(mysql));
    std::exit(1);
  }
  TextSink text;
  unsigned columns = mysql_num_fields(result);
  while (MYSQL_ROW row = mysql_fetch_row(result)) {
    unsigned long* lengths = mysql_fetch_lengths(result);
    for (unsigned i = 0; i < columns; ++i)
      if (row[i]) text.Take(row[i], lengths[i]);
  }
  measure.Report("open", "libmariadb", static_cast<int>(mysql_num_rows(result)), &text);
  mysql_free_result(result);
  mysql_close(mysql);
}

#ifdef MORVANE_BENCH_QT
void OpenQt(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QSqlDatabase db = QSqlDatabase::addDatabase("QMYSQL");
  db.setHostName(QString::fromStdString(Env("MORVANE_TEST_DB_HOST")));
  db.setPort(std::stoi(Env("MORVANE_TEST_DB_PORT")));
  db.setUserName(QString::fromStdString(Env("MORVANE_TEST_DB_ROOT_USER")));
  db.setPassword(QString::fromStdString(Env("MORVANE_TEST_DB_ROOT_PASSWORD")));
  db.setDatabaseName(QString::fromStdString(Env("MORVANE_TEST_DB_DATABASE")));
  if (!db.open()) std::exit(1);
  {
    Measure measure;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.exec(Select);
    TextSink text;
    int rows = 0;
    while (query.next()) {
      for (int i = 0; i < 6; ++i) {
        QString value = query.value(i).toString();
        text.Take(value.utf16(), static_cast<std::size_t>(value.size()));
      }
      ++rows;
    }
    measure.Report("open", "qt", rows, &text);
  }
}
#endif

void InsertMorvane() {
  TMyConnection connection;
  Configure(connection);
  connection.Connect();
  Exec(connection, "TRUNCATE bench_inserts");
  TMyQuery query;
  query.SetConnection(&connection);
  query.SQL().SetText("SELECT mac, PixelType, ShieldType, birthday, Org_ID, note FROM bench_inserts");
  query.Open();
  char mac[20];
  Measure measure;
  for (int i = 0; i < Inserts; ++i) {
    std::snprintf(mac, sizeof mac, "54-2F-89-%02X-%02X-%02X", i >> 16, (i >> 8) & 255, i & 255);
    query.Insert();
    query.FieldByName("mac").SetAsString(mac);
    query.FieldByName("PixelType").SetAsString("Pixel-A");
    query.FieldByName("ShieldType").SetAsString("Shield-1");
    query.FieldByName("birthday").SetAsDateTime(41741.5);
    query.FieldByName("note").SetAsString("it's a note");
    query.Post();
  }
  measure.Report("insert", "morvane", Inserts);
}

// The statement both the dataset and the C library send for row i.
int InsertStatement(char* sql, std::size_t size, int i) {
  return std::snprintf(sql, size,
                       "INSERT INTO bench_inserts\r\n  (mac, PixelType, ShieldType, birthday, note)\r\nVALUES\r\n"
                       "  ('54-2F-89-%02X-%02X-%02X', 'Pixel-A', 'Shield-1', '2014-04-12 12:00:00', 'it\\'s a note')",
                       i >> 16, (i >> 8) & 255, i & 255);
}

void InsertLibmariadb() {
  MYSQL* mysql = CConnect();
  mysql_query(mysql, "TRUNCATE bench_inserts");
  char sql[512];
  Measure measure;
  for (int i = 0; i < Inserts; ++i) {
    InsertStatement(sql, sizeof sql, i);
    if (mysql_query(mysql, sql)) std::exit(1);
  }
  measure.Report("insert", "libmariadb", Inserts);
  mysql_close(mysql);
}

// The ceiling: the same statements sent by hand on the C library's connection, one blocking send
// and one blocking receive each and nothing else, so no client can insert faster on this machine.
void InsertBare() {
  MYSQL* mysql = CConnect();
  mysql_query(mysql, "TRUNCATE bench_inserts");
  const int sd = static_cast<int>(mysql_get_socket(mysql));
  fcntl(sd, F_SETFL, fcntl(sd, F_GETFL) & ~O_NONBLOCK);
  char packet[512];
  unsigned char reply[512];
  Measure measure;
  for (int i = 0; i < Inserts; ++i) {
    const int length = 1 + InsertStatement(packet + 5, sizeof packet - 5, i);
    packet[0] = static_cast<char>(length);
    packet[1] = static_cast<char>(length >> 8);
    packet[2] = packet[3] = 0;
    packet[4] = 3;  // a query
    if (send(sd, packet, static_cast<std::size_t>(length) + 4, MSG_NOSIGNAL) != length + 4 ||
        recv(sd, reply, sizeof reply, 0) < 5 || reply[4] != 0) {
      std::fprintf(stderr, "bare insert %d failed\n", i);
      std::exit(1);
    }
  }
  measure.Report("insert", "bare", Inserts);
  mysql_close(mysql);
}

}  // namespace

int main(int argc, char** argv) {
  std::string action = argc > 1 ? argv[1] : "", client = argc > 2 ? argv[2] : "";
  if (action == "setup")
    Setup();
  else if (action == "open" && client == "morvane")
    OpenMorvane();
  else if (action == "open" && client == "libmariadb")
    OpenLibmariadb();
#ifdef MORVANE_BENCH_QT
  else if (action == "open" && client == "qt")
    OpenQt(argc, argv);
#endif
  else if (action == "insert" && client == "morvane")
    InsertMorvane();
  else if (action == "insert" && client == "libmariadb")
    InsertLibmariadb();
  else if (action == "insert" && client == "bare")
    InsertBare();
  else {
    std::fprintf(stderr, "usage: morvane-dataset-bench setup | open CLIENT | insert CLIENT\n");
    return 2;
  }
  return 0;
}
