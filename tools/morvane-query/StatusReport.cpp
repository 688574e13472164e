#include "tools/morvane-query/StatusReport.h"

#include "wire/MySqlConsts.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

// The values of the first row of a result set, NULL as empty.
class TFirstRow : public TResultSink {
 public:
  void StartResult(std::vector<TResultColumn>) override {}
  void Value(const std::optional<std::string_view>& value) override {
    if (!FRowEnded) Values.emplace_back(value.value_or(""));
  }
  void EndRow() override { FRowEnded = true; }
  void EndResult() override {}

  std::vector<std::string> Values;

 private:
  bool FRowEnded = false;
};

// The values of a statement's first row, as many as asked for (empty ones after a failure).
std::vector<std::string> FirstRow(TQueryRunner& runner, const std::string& sql, std::size_t count) {
  TFirstRow row;
  runner.Run(sql, &row);
  row.Values.resize(count);
  return row.Values;
}

constexpr std::string_view MariaDbVersionPrefix = "5.5.5-";

void AddCount(std::string& text, std::uint64_t count, const char* one, const char* many) {
  text += std::to_string(count) + (count > 1 ? many : one);
}

// "42 min 4 sec" for 2524 seconds, as the reference client words an uptime.
std::string UptimeText(std::uint64_t seconds) {
  constexpr std::uint64_t Minute = 60, Hour = 60 * Minute, Day = 24 * Hour;
  std::string text;
  if (seconds >= Day) AddCount(text, seconds / Day, " day ", " days ");
  seconds %= Day;
  if (seconds >= Hour) AddCount(text, seconds / Hour, " hour ", " hours ");
  seconds %= Hour;
  if (seconds >= Minute) AddCount(text, seconds / Minute, " min ", " min ");
  return text + std::to_string(seconds % Minute) + " sec";
}

}  // namespace

void PrintStatus(TQueryRunner& runner, const std::string& clientVersion, const std::string& delimiter) {
  // Taken before the questions below, which would replace the last statement's insert id.
  const TSessionFacts facts = runner.SessionFacts();
  const std::vector<std::string> session = FirstRow(runner,
                                                    "SELECT DATABASE(), USER(), @@character_set_server, "
                                                    "@@character_set_database, @@character_set_client, "
                                                    "@@character_set_connection, @@version_comment",
                                                    7);
  const std::string cipher = FirstRow(runner, "SHOW SESSION STATUS LIKE 'Ssl_cipher'", 2)[1];
  const std::string statistics = runner.Statistics();

  std::printf("--------------\n%s\n\n", clientVersion.c_str());
  std::printf("Connection id:\t\t%u\n", facts.ConnectionId);
  std::printf("Current database:\t%s\n", session[0].c_str());
  std::printf("Current user:\t\t%s\n", session[1].c_str());
  if (cipher.empty())
    std::puts("SSL:\t\t\tNot in use");
  else
    std::printf("SSL:\t\t\tCipher in use is %s\n", cipher.c_str());
  // Without a terminal there is no pager and nothing is written to an outfile.
  std::printf("Current pager:\t\tstdout\nUsing outfile:\t\t''\nUsing delimiter:\t%s\n", delimiter.c_str());
  const bool mariaDb = facts.ServerVersion.find("MariaDB") != std::string::npos;
  std::printf("Server:\t\t\t%s\n", mariaDb ? "MariaDB" : "MySQL");
  // The prefix a MariaDB server puts before its version for old clients is left out.
  std::string_view version = facts.ServerVersion;
  if (mariaDb && version.starts_with(MariaDbVersionPrefix)) version.remove_prefix(MariaDbVersionPrefix.size());
  std::printf("Server version:\t\t%.*s %s\n", static_cast<int>(version.size()), version.data(), session[6].c_str());
  std::printf("Protocol version:\t%d\n", PROTOCOL_VERSION);
  std::printf("Connection:\t\t%s\n", facts.HostInfo.c_str());
  if (facts.InsertId != 0) std::printf("Insert id:\t\t%llu\n", static_cast<unsigned long long>(facts.InsertId));
  std::printf("Server characterset:\t%s\nDb     characterset:\t%s\n", session[2].c_str(), session[3].c_str());
  std::printf("Client characterset:\t%s\nConn.  characterset:\t%s\n", session[4].c_str(), session[5].c_str());
  if (facts.OverSocket)
    std::printf("UNIX socket:\t\t%s\n", facts.SocketPath.c_str());
  else
    std::printf("TCP port:\t\t%d\n", facts.Port);
  // "Uptime: 59  Threads: 1  Questions: 126 ...": the uptime in words, then the rest on a line.
  constexpr std::string_view UptimeLabel = "Uptime: ";
  std::uint64_t uptime = 0;
  if (std::string_view rest = statistics; rest.starts_with(UptimeLabel)) {
    rest.remove_prefix(UptimeLabel.size());
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), uptime);
    if (error == std::errc()) {
      rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
      while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
      std::printf("Uptime:\t\t\t%s\n\n%.*s\n", UptimeText(uptime).c_str(), static_cast<int>(rest.size()), rest.data());
    }
  }
  std::puts("--------------\n");
}
