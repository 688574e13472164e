#include "tests/support/TestServer.h"

#include <charconv>
#include <cstdlib>
#include <stdexcept>

#include <unistd.h>

namespace test_server {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value)
    throw std::runtime_error(std::string(name) +
                             " is not set: start the test database with "
                             "eval \"$(scripts/testdb.sh start)\" or run ./test.sh");
  return value;
}

int PortEnv(const char* name) {
  const std::string text = Env(name);
  int port = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (error != std::errc() || end != text.data() + text.size() || port <= 0 || port > 65535)
    throw std::runtime_error(std::string(name) + " is not a port number: \"" + text + "\"");
  return port;
}

TSettings ReadSettings() {
  TSettings settings;
  settings.Host = Env("MORVANE_TEST_DB_HOST");
  settings.Port = PortEnv("MORVANE_TEST_DB_PORT");
  settings.Socket = Env("MORVANE_TEST_DB_SOCKET");
  settings.Database = Env("MORVANE_TEST_DB_DATABASE");
  settings.RootUser = Env("MORVANE_TEST_DB_ROOT_USER");
  settings.RootPassword = Env("MORVANE_TEST_DB_ROOT_PASSWORD");
  settings.NativeUser = Env("MORVANE_TEST_DB_NATIVE_USER");
  settings.NativePassword = Env("MORVANE_TEST_DB_NATIVE_PASSWORD");
  settings.OldUser = Env("MORVANE_TEST_DB_OLD_USER");
  settings.OldPassword = Env("MORVANE_TEST_DB_OLD_PASSWORD");
  settings.EmptyUser = Env("MORVANE_TEST_DB_EMPTY_USER");
  return settings;
}

TTlsSettings ReadTlsSettings() {
  TTlsSettings settings;
  settings.Dir = Env("MORVANE_TEST_DB_TLS_DIR");
  settings.SslUser = Env("MORVANE_TEST_DB_SSL_USER");
  settings.SslPassword = Env("MORVANE_TEST_DB_SSL_PASSWORD");
  settings.X509User = Env("MORVANE_TEST_DB_X509_USER");
  settings.X509Password = Env("MORVANE_TEST_DB_X509_PASSWORD");
  settings.Ed25519User = Env("MORVANE_TEST_DB_ED25519_USER");
  settings.Ed25519Password = Env("MORVANE_TEST_DB_ED25519_PASSWORD");
  return settings;
}

}  // namespace

const TTlsSettings& TlsSettings() {
  static const TTlsSettings settings = ReadTlsSettings();
  return settings;
}

const TSettings& Settings() {
  static const TSettings settings = ReadSettings();
  return settings;
}

std::string ProcessDatabase(std::string_view prefix) {
  return std::string(prefix) + "_" + std::to_string(::getpid());
}

}  // namespace test_server
