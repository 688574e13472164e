// Host lists of the server setting and the order in which their hosts are tried.
#include "wire/HostFailover.h"
#include "wire/HostList.h"
#include "wire/MySqlErrors.h"

#include <gtest/gtest.h>

namespace {

std::string Texts(const THostList& hosts) {
  std::string joined;
  for (const THostAddress& host : hosts) joined += (joined.empty() ? "" : " ") + host.Text();
  return joined;
}

}  // namespace

TEST(HostList, ParsesHostsWithAndWithoutPorts) {
  const struct {
    const char* Setting;
    const char* Hosts;
  } cases[] = {
      {"", "localhost:3306"},
      {" , ,", "localhost:3306"},
      {"db1", "db1:3306"},
      {"db1,db2:3307,[::1]:3308", "db1:3306 db2:3307 [::1]:3308"},
      {" db1 , db2 ,", "db1:3306 db2:3306"},
      {"::1", "[::1]:3306"},
      {"[fe80::1]", "[fe80::1]:3306"},
      {"127.0.0.1:65535", "127.0.0.1:65535"},
      {"127.0.0.1 :3306, db2: 3307,[ ::1 ] : 3308", "127.0.0.1:3306 db2:3307 [::1]:3308"},
  };
  for (const auto& c : cases) EXPECT_EQ(Texts(ParseHostList(c.Setting, 3306)), c.Hosts) << c.Setting;
}

TEST(HostList, BadEntriesAreRefusedByName) {
  for (const char* setting : {"db1:", "db1:x", "db1:0", "db1:65536", "db1:99999999999", "db1:-1", ":3306", "[::1",
                              "[]:3306", "[::1]x", "[::1]:", "ok,db2:3o7", " :3306", "[ ]", "db1: "}) {
    try {
      ParseHostList(setting, 3306);
      ADD_FAILURE() << setting;
    } catch (const EMySqlException& e) {
      EXPECT_EQ(e.ErrorCode(), CR_UNKNOWN_HOST) << setting;
      EXPECT_NE(std::string(e.what()).find("Unknown MySQL Server Host"), std::string::npos) << e.what();
    }
  }
}

TEST(HostList, HostsAreTriedInTurnFromTheFirstGiven) {
  const THostList hosts = ParseHostList("a,b,c", 1);
  std::vector<std::string> tried;
  auto refuseAllBut = [&](const std::string& accepting) {
    return [&tried, accepting](const THostAddress& host) -> std::optional<THostFailure> {
      tried.push_back(host.Host);
      if (host.Host == accepting) return std::nullopt;
      return THostFailure{2003, "refused by " + host.Host};
    };
  };
  EXPECT_EQ(TryHostsInOrder(hosts, 0, refuseAllBut("b")).Index, 1);
  EXPECT_EQ(tried, (std::vector<std::string>{"a", "b"}));

  tried.clear();
  EXPECT_EQ(TryHostsInOrder(hosts, 2, refuseAllBut("b")).Index, 1);
  EXPECT_EQ(tried, (std::vector<std::string>{"c", "a", "b"}));

  tried.clear();
  const THostChoice none = TryHostsInOrder(hosts, 1, refuseAllBut("none"));
  EXPECT_EQ(none.Index, -1);
  EXPECT_EQ(tried, (std::vector<std::string>{"b", "c", "a"}));
  EXPECT_EQ(none.Failure.Code, 2003);
  EXPECT_EQ(none.Failure.Message, "refused by a\r\nHosts tried: 3");

  const THostChoice single = TryHostsInOrder(ParseHostList("a", 1), 0, refuseAllBut("none"));
  EXPECT_EQ(single.Failure.Message, "refused by a") << "one host fails as it always did";
}
