#pragma once
// A connection of the data layer to the test server, reached as its root user in a database of
// these tests' own.
#include "components/MyConnection.h"
#include "tests/support/TestServer.h"

#include <string>
#include <vector>

namespace test_server {

inline std::string Database() {
  return ProcessDatabase("morvane_data_test");
}

// Settings for the server, as root.
inline void Configure(TMyConnection& connection, const std::string& database = Database()) {
  const TSettings& server = Settings();
  connection.SetServer(server.Host);
  connection.SetPort(server.Port);
  connection.SetUsername(server.RootUser);
  connection.SetPassword(server.RootPassword);
  connection.SetDatabase(database);
  connection.LoginPrompt = false;
  connection.Options.SetUseUnicode(true);
}

// Runs statements as root outside any database: making and dropping the tests' databases and tables.
inline void Admin(const std::vector<std::string>& statements) {
  TMyConnection admin;
  Configure(admin, "");
  admin.Connect();
  for (const std::string& statement : statements) admin.MySQLConnection()->ExecStatement(statement);
}

}  // namespace test_server
