#pragma once
// Settings of the test database server started by scripts/testdb.sh. A missing variable fails the
// test with a message saying how to start the server; tests never skip silently.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

struct TTestDb {
  std::string Host;
  int Port = 0;
  std::string Database;
  std::string RootUser, RootPassword;
  std::string NativeUser, NativePassword;
  std::string OldUser, OldPassword;
  std::string EmptyUser;
};

// Fills db from the environment; false (with a test failure recorded) when a variable is missing.
bool ReadTestDb(TTestDb& db);

#define REQUIRE_TEST_DB(db) \
  TTestDb db;               \
  if (!ReadTestDb(db)) return
