#include "tests/mysql/TestDb.h"

namespace {

bool Read(const char* name, std::string& value) {
  const char* text = std::getenv(name);
  if (!text) {
    ADD_FAILURE() << "Environment variable " << name
                  << " is missing: start the test database with eval \"$(scripts/testdb.sh start)\" or run ./test.sh";
    return false;
  }
  value = text;
  return true;
}

}  // namespace

bool ReadTestDb(TTestDb& db) {
  std::string port;
  const bool ok = Read("MORVANE_TEST_DB_HOST", db.Host) && Read("MORVANE_TEST_DB_PORT", port) &&
                  Read("MORVANE_TEST_DB_DATABASE", db.Database) && Read("MORVANE_TEST_DB_ROOT_USER", db.RootUser) &&
                  Read("MORVANE_TEST_DB_ROOT_PASSWORD", db.RootPassword) &&
                  Read("MORVANE_TEST_DB_NATIVE_USER", db.NativeUser) &&
                  Read("MORVANE_TEST_DB_NATIVE_PASSWORD", db.NativePassword) &&
                  Read("MORVANE_TEST_DB_OLD_USER", db.OldUser) && Read("MORVANE_TEST_DB_OLD_PASSWORD", db.OldPassword) &&
                  Read("MORVANE_TEST_DB_EMPTY_USER", db.EmptyUser);
  if (ok) db.Port = std::stoi(port);
  return ok;
}
