// Streams a 1,000,000-row pixels-like table and repeats login and logout, once with this protocol
// client and once with the C client library (logins also by hand, as the floor under both), and
// prints client CPU and wall seconds.
//   morvane-client-bench setup
//   morvane-client-bench fetch morvane|libmariadb plain|compress
//   morvane-client-bench login morvane|libmariadb|bare
// The server comes from the MORVANE_TEST_DB_* variables of scripts/testdb.sh.
#include "bench/mysql-client/BenchShared.h"
#include "wire/MySqlApiDirect.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <sys/resource.h>

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  if (!value) {
    std::fprintf(stderr, "%s is not set: start the test database with eval \"$(scripts/testdb.sh start)\"\n", name);
    std::exit(2);
  }
  return value;
}

// The root account, in a database of its own that the test database script leaves alone.
TServer ServerFromEnv() {
  return {Env("MORVANE_TEST_DB_HOST"), Env("MORVANE_TEST_DB_ROOT_USER"), Env("MORVANE_TEST_DB_ROOT_PASSWORD"),
          BenchDatabase, std::stoi(Env("MORVANE_TEST_DB_PORT"))};
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TMySqlSession* DirectConnect(TMySQLAPIDirect& api, const TServer& s, TLink link) {
  TMySqlSession* session = api.mysql_init();
  TSslSettings security;
  security.Mode = link == TLink::Tls ? TSslMode::Required : TSslMode::Disabled;
  api.SetSecurity(session, security);
  const std::uint32_t flags =
      CLIENT_FOUND_ROWS | CLIENT_MULTI_STATEMENTS | (link == TLink::Compress ? CLIENT_COMPRESS : 0);
  if (!api.mysql_real_connect(session, s.Host, s.User, s.Password, s.Database, s.Port, "", flags))
    Die("morvane: " + api.mysql_error(session));
  return session;
}

TSink FetchMorvane(const TServer& s, TLink link) {
  TSink sink;
  TMySQLAPIDirect api;
  api.CheckMySQLLib();
  TMySqlSession* session = DirectConnect(api, s, link);
  if (api.mysql_real_query(session, BenchSelect) != 0) Die(api.mysql_error(session));
  TMySqlResultSet* result = api.mysql_use_result(session);
  while (const TMySqlBinds* row = api.mysql_fetch_row(result)) {
    for (std::size_t i = 0; i < row->Slots.size(); ++i) {
      const std::string_view value = row->Value(i);
      sink.Touch(value.data(), value.size());
    }
  }
  if (api.mysql_errno(session) != 0) Die(api.mysql_error(session));
  api.mysql_free_result(result);
  api.mysql_close(session);
  return sink;
}

TSink LoginMorvane(const TServer& s) {
  TSink sink;
  TMySQLAPIDirect api;
  api.CheckMySQLLib();
  for (int i = 0; i < BenchLogins; ++i) {
    TMySqlSession* session = DirectConnect(api, s, TLink::Plain);
    sink.Values += api.mysql_thread_id(session) != 0;
    api.mysql_close(session);
  }
  return sink;
}

int Measure(const std::string& label, const std::function<TSink()>& run) {
  const double cpu0 = CpuSeconds();
  const auto wall0 = std::chrono::steady_clock::now();
  const TSink sink = run();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
  std::printf("%s cpu=%.3f wall=%.3f values=%llu sum=%llu\n", label.c_str(), CpuSeconds() - cpu0, wall,
              static_cast<unsigned long long>(sink.Values), static_cast<unsigned long long>(sink.Sum));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  const std::string client = argc > 2 ? argv[2] : "";
  const TServer server = ServerFromEnv();
  if (what == "setup") {
    SetupTable(server);
    return 0;
  }
  if (what == "login" && client == "bare") return Measure("login bare", [&] { return LoginBare(server); });
  const bool morvane = client == "morvane";
  if (!morvane && client != "libmariadb")
    Die("usage: morvane-client-bench setup | fetch|login morvane|libmariadb [plain|compress|tls] | login bare");
  if (what == "fetch") {
    const std::string linkName = argc > 3 ? argv[3] : "plain";
    const TLink link = linkName == "compress" ? TLink::Compress : linkName == "tls" ? TLink::Tls : TLink::Plain;
    return Measure("fetch-" + linkName + " " + client,
                   [&] { return morvane ? FetchMorvane(server, link) : FetchLibmariadb(server, link); });
  }
  if (what == "login")
    return Measure("login " + client, [&] { return morvane ? LoginMorvane(server) : LoginLibmariadb(server); });
  Die("unknown benchmark " + what);
}
