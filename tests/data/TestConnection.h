#pragma once

#include <cstdlib>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "data/MyConnection.h"

// The test server started by scripts/testdb.sh, reached as its root user in a database of
// these tests' own.
namespace test_server {

inline std::string Env(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value)
    throw std::runtime_error(std::string(name) +
                             " is not set: start the test server with "
                             "eval \"$(scripts/testdb.sh start)\" or run ./test.sh");
  return value;
}

// A database of this test process's own, so that test processes running at once do not meet.
inline std::string Database() { return "morvane_data_test_" + std::to_string(::getpid()); }

// Settings for the server, as root.
inline void Configure(TMyConnection& connection, const std::string& database = Database()) {
  connection.SetServer(Env("MORVANE_TEST_DB_HOST"));
  connection.SetPort(std::stoi(Env("MORVANE_TEST_DB_PORT")));
  connection.SetUsername(Env("MORVANE_TEST_DB_ROOT_USER"));
  connection.SetPassword(Env("MORVANE_TEST_DB_ROOT_PASSWORD"));
  connection.SetDatabase(database);
  connection.LoginPrompt = false;
  connection.Options.SetUseUnicode(true);
}

}  // namespace test_server
