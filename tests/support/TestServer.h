#pragma once
// The test database server started by scripts/testdb.sh, as its MORVANE_TEST_DB_* variables
// describe it. Free of the data layer, so that the protocol client's tests can use it too.
#include <string>
#include <string_view>

namespace test_server {

struct TSettings {
  std::string Host;
  int Port = 0;
  std::string Socket;    // the server's local socket
  std::string Database;  // the shared database the script fills with the schema
  std::string RootUser, RootPassword;
  std::string NativeUser, NativePassword;
  std::string OldUser, OldPassword;
  std::string EmptyUser;
};

// The server's TLS side: the folder of the private CA and certificates, and the accounts that
// need encryption, a client certificate, or log in with ed25519.
struct TTlsSettings {
  std::string Dir;
  std::string SslUser, SslPassword;
  std::string X509User, X509Password;
  std::string Ed25519User, Ed25519Password;
};

const TTlsSettings& TlsSettings();

// Throws std::runtime_error naming the missing variable and how to start the server, so that a
// test without a server fails with that message instead of skipping silently.
const TSettings& Settings();

// A database of this test process's own, so that test processes running at once do not meet.
std::string ProcessDatabase(std::string_view prefix);

}  // namespace test_server
