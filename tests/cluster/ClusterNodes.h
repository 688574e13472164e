#pragma once
// The cluster started by scripts/cluster.sh, as its MORVANE_CLUSTER_* variables describe it, and
// the steps the cluster tests take on it.
#include "components/MyConnection.h"
#include "components/MyQuery.h"
#include "driver/MySQLConnection.h"
#include "wire/HostList.h"

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

namespace cluster {

inline std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value)
    throw std::runtime_error(std::string(name) +
                             " is missing: start the cluster with "
                             "eval \"$(scripts/cluster.sh start)\" or run ./test.sh");
  return value;
}

// "127.0.0.1:P1,127.0.0.1:P2,..."
inline std::string HostList() {
  return Variable("MORVANE_CLUSTER_HOSTS");
}

inline THostList Hosts() {
  return ParseHostList(HostList(), 3306);
}

// Node numbers count from 1, as the script's.
inline std::string Host(int node) {
  return Hosts().at(static_cast<std::size_t>(node - 1)).Text();
}

inline void Configure(TMyConnection& connection, const std::string& server) {
  connection.SetServer(server);
  connection.SetUsername(Variable("MORVANE_CLUSTER_USER"));
  connection.SetPassword(Variable("MORVANE_CLUSTER_PASSWORD"));
  connection.SetDatabase(Variable("MORVANE_CLUSTER_DATABASE"));
  connection.LoginPrompt = false;
  connection.Options.SetUseUnicode(true);
}

// The first value of a query on one node.
inline std::string Scalar(int node, const std::string& sql) {
  TMyConnection connection;
  Configure(connection, Host(node));
  connection.Connect();
  return connection.MySQLConnection()->QueryFirstValue(sql);
}

// A global status variable of one node ("" when the node does not report it).
inline std::string Status(int node, const std::string& variable) {
  TMyConnection connection;
  Configure(connection, Host(node));
  connection.Connect();
  // The nodes read causally; a status read must not wait for a node that is cut off to catch up.
  connection.MySQLConnection()->ExecStatement("SET SESSION wsrep_sync_wait = 0");
  TMyQuery query;
  query.SetConnection(&connection);
  query.SQL().SetText("SHOW GLOBAL STATUS LIKE '" + variable + "'");
  query.Open();
  return query.Eof() ? std::string() : query.Fields().at(1)->AsString();
}

inline void Script(const std::string& action, int node) {
  const std::string command = Variable("MORVANE_CLUSTER_SCRIPT") + " " + action + " " + std::to_string(node);
  if (std::system(command.c_str()) != 0) throw std::runtime_error(command + " failed");
}

// kill -9, as a crash.
inline void Kill(int node) {
  Script("kill", node);
}
// Starts the node again and waits until it is synced with the others.
inline void Rejoin(int node) {
  Script("rejoin", node);
}

// SIGSTOP and SIGCONT: the node stops answering without dying, and goes on.
inline void Freeze(int node) {
  Script("freeze", node);
}
inline void Thaw(int node) {
  Script("thaw", node);
}

// Polls up to the limit; true when the condition came true.
template <typename TCondition>
bool WaitFor(TCondition condition, std::chrono::seconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return true;
}

}  // namespace cluster
