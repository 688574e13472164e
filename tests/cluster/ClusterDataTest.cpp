// The data access components against a real three-node cluster (scripts/cluster.sh).
#include "components/MyQuery.h"
#include "dataset/DAError.h"
#include "tests/cluster/ClusterNodes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <functional>
#include <thread>

namespace {

const char* PixelsQuery =
    "SELECT mac,PixelType, ShieldType , birthday, Org_ID, note FROM pixels ORDER BY birthday DESC";

// A connection with the pixel query open on it.
struct TRegistry {
  TMyConnection Connection;
  TMyQuery Query;

  explicit TRegistry(const std::string& server) {
    cluster::Configure(Connection, server);
    Connection.Connect();
    Query.SetConnection(&Connection);
    Query.SQL().SetText(PixelsQuery);
    Query.Open();
  }

  void Insert(const std::string& mac) {
    Query.Insert();
    Query.FieldByName("mac").SetAsString(mac);
    Query.FieldByName("pixelType").SetAsString("Cluster");
    Query.FieldByName("note").SetAsString("registered in a cluster test");
    Query.Post();
  }

  std::string Count(const std::string& mac) {
    return Connection.MySQLConnection()->QueryFirstValue("SELECT COUNT(*) FROM pixels WHERE mac = '" + mac + "'");
  }
};

std::string Checksum(int node) {
  TMyConnection connection;
  cluster::Configure(connection, cluster::Host(node));
  connection.Connect();
  TMyQuery query;
  query.SetConnection(&connection);
  query.SQL().SetText("CHECKSUM TABLE pixels");
  query.Open();
  return query.Fields().at(1)->AsString();
}

class ClusterDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TMyConnection connection;
    cluster::Configure(connection, cluster::Host(1));
    connection.Connect();
    connection.MySQLConnection()->ExecStatement("DELETE FROM pixels");
  }
};

}  // namespace

TEST_F(ClusterDataTest, APixelRegisteredThroughOneNodeIsVisibleAtOnceThroughAnother) {
  TRegistry first(cluster::Host(1));
  TMyConnection third;
  cluster::Configure(third, cluster::Host(3));
  third.Connect();
  for (int i = 0; i < 20; ++i) {
    const std::string mac = "54-2F-89-C1-00-" + std::string(i < 10 ? "0" : "") + std::to_string(i);
    first.Insert(mac);
    EXPECT_EQ(third.MySQLConnection()->QueryFirstValue("SELECT COUNT(*) FROM pixels WHERE mac = '" + mac + "'"), "1")
        << mac;
  }
}

TEST_F(ClusterDataTest, AfterItsNodeDiesTheNextRegistrationReachesTheNextNodeAndStoresOneRow) {
  TRegistry registry(cluster::HostList());
  ASSERT_EQ(registry.Connection.ConnectedHost(), cluster::Host(1));
  registry.Insert("54-2F-89-C2-00-01");

  cluster::Kill(1);
  const std::string mac = "54-2F-89-C2-00-02";
  try {
    registry.Insert(mac);
    FAIL() << "the dead node answered";
  } catch (const EMyError& e) {
    EXPECT_TRUE(e.IsFatalError()) << e.ErrorCode << ": " << e.what();
  }
  EXPECT_TRUE(registry.Connection.Connected());
  EXPECT_EQ(registry.Connection.ConnectedHost(), cluster::Host(2));
  // The reply was lost, so the row is looked for by its key before it is sent again.
  if (registry.Count(mac) == "0") registry.Query.Post();
  EXPECT_EQ(registry.Count(mac), "1");
  EXPECT_EQ(cluster::Scalar(3, "SELECT COUNT(*) FROM pixels"), "2");

  cluster::Rejoin(1);
  EXPECT_EQ(cluster::Scalar(1, "SELECT COUNT(*) FROM pixels WHERE mac = '" + mac + "'"), "1");
  const std::string sum = Checksum(2);
  EXPECT_TRUE(cluster::WaitFor([&] { return Checksum(1) == sum && Checksum(3) == sum; }, std::chrono::seconds(20)))
      << "the nodes hold different rows";
}

// A node frozen while it runs a generated INSERT leaves the outcome open (the commit fails, or
// the reply is lost): the next post decides it by a look-up, so the row is never reported lost
// when it is there, and never stored twice.
TEST_F(ClusterDataTest, AnInsertWhoseNodeFreezesIsDecidedByALookUp) {
  auto onNode = [](int node, const std::string& sql) {
    TMyConnection connection;
    cluster::Configure(connection, cluster::Host(node));
    connection.Connect();
    connection.MySQLConnection()->ExecStatement(sql);
  };
  // Holds the INSERT on the node that runs it long enough to freeze the node in the middle of it.
  onNode(1, "CREATE TRIGGER held BEFORE INSERT ON pixels FOR EACH ROW SET @held = SLEEP(4)");
  TRegistry registry(cluster::HostList());
  ASSERT_EQ(registry.Connection.ConnectedHost(), cluster::Host(1));
  std::thread stall([] {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    cluster::Freeze(1);
    std::this_thread::sleep_for(std::chrono::seconds(10));
    cluster::Thaw(1);
  });
  const std::string mac = "54-2F-89-F2-00-01";
  bool decided = true;
  try {
    registry.Insert(mac);
  } catch (const EDAError& e) {
    EXPECT_TRUE(e.StatementMayHaveRun) << e.ErrorCode << ": " << e.what();
    decided = false;
  }
  stall.join();
  onNode(2, "DROP TRIGGER held");
  if (!decided) registry.Query.Post();
  EXPECT_EQ(registry.Query.State(), dsBrowse);
  EXPECT_EQ(cluster::Scalar(2, "SELECT COUNT(*) FROM pixels WHERE mac = '" + mac + "'"), "1");
  EXPECT_TRUE(cluster::WaitFor(
      [] {
        return cluster::Status(1, "wsrep_ready") == "ON" && cluster::Status(1, "wsrep_cluster_size") == "3" &&
               cluster::Status(1, "wsrep_local_state_comment") == "Synced";
      },
      std::chrono::seconds(60)))
      << "node 1 did not join again";
}

TEST_F(ClusterDataTest, TheSameMacRegisteredOnTwoNodesAtOnceEndsWithOneRowAndOneDuplicate) {
  TRegistry left(cluster::Host(1)), right(cluster::Host(2));
  for (int round = 0; round < 10; ++round) {
    const std::string mac = "54-2F-89-C3-00-0" + std::to_string(round);
    std::barrier start(2);
    std::atomic<int> stored = 0, duplicates = 0, others = 0;
    auto registerMac = [&](TRegistry& registry) {
      start.arrive_and_wait();
      try {
        registry.Insert(mac);
        ++stored;
      } catch (const EMyError& e) {
        ++(e.IsKeyViolation() ? duplicates : others);
        registry.Query.Cancel();
      }
    };
    std::thread leftThread(registerMac, std::ref(left));
    registerMac(right);
    leftThread.join();
    EXPECT_EQ(stored, 1) << mac;
    EXPECT_EQ(duplicates, 1) << mac;
    EXPECT_EQ(others, 0) << mac;
    EXPECT_EQ(cluster::Scalar(3, "SELECT COUNT(*) FROM pixels WHERE mac = '" + mac + "'"), "1");
  }
}

TEST_F(ClusterDataTest, ANodeThatIsNotReadyForClientsIsSkippedAndLeft) {
  auto isolate = [](bool on) {
    TMyConnection connection;
    cluster::Configure(connection, cluster::Host(1));
    connection.Connect();
    connection.MySQLConnection()->ExecStatement(std::string("SET GLOBAL wsrep_provider_options = 'gmcast.isolate=") +
                                                (on ? "1" : "0") + "'");
  };
  // Node 1 joins again whatever happens while it is cut off, or every later test would find it so.
  struct TCutOff {
    std::function<void(bool)> Isolate;
    explicit TCutOff(std::function<void(bool)> isolate) : Isolate(std::move(isolate)) { Isolate(true); }
    ~TCutOff() {
      try {
        Isolate(false);
      } catch (const std::exception& e) {
        ADD_FAILURE() << "node 1 could not join again: " << e.what();
      }
    }
  };
  {
    TRegistry open(cluster::HostList());
    ASSERT_EQ(open.Connection.ConnectedHost(), cluster::Host(1));
    // Cut off from the others, node 1 still takes logins but leaves the primary component.
    TCutOff cutOff(isolate);
    ASSERT_TRUE(cluster::WaitFor([] { return cluster::Status(1, "wsrep_ready") == "OFF"; }, std::chrono::seconds(30)));
    TMyConnection connection;
    cluster::Configure(connection, cluster::HostList());
    connection.Connect();
    EXPECT_EQ(connection.ConnectedHost(), cluster::Host(2));
    // A connection already on node 1 takes its next statement, refused there, to the next node.
    open.Insert("54-2F-89-00-10-47");
    EXPECT_EQ(open.Connection.ConnectedHost(), cluster::Host(2));
    EXPECT_EQ(cluster::Scalar(2, "SELECT COUNT(*) FROM pixels WHERE mac = '54-2F-89-00-10-47'"), "1");
  }
  EXPECT_TRUE(cluster::WaitFor(
      [] {
        return cluster::Status(1, "wsrep_ready") == "ON" && cluster::Status(1, "wsrep_cluster_size") == "3" &&
               cluster::Status(1, "wsrep_local_state_comment") == "Synced";
      },
      std::chrono::seconds(60)));
}
