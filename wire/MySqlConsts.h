#pragma once
// Numbers of the client/server protocol used by this client.
#include "wire/MySqlField.h"  // column type codes, column flags, character-set numbers

#include <cstdint>

// Capability flags.
constexpr std::uint32_t CLIENT_LONG_PASSWORD = 0x1;
constexpr std::uint32_t CLIENT_FOUND_ROWS = 0x2;
constexpr std::uint32_t CLIENT_LONG_FLAG = 0x4;
constexpr std::uint32_t CLIENT_CONNECT_WITH_DB = 0x8;
constexpr std::uint32_t CLIENT_NO_SCHEMA = 0x10;
constexpr std::uint32_t CLIENT_COMPRESS = 0x20;
constexpr std::uint32_t CLIENT_ODBC = 0x40;
constexpr std::uint32_t CLIENT_LOCAL_FILES = 0x80;
constexpr std::uint32_t CLIENT_IGNORE_SPACE = 0x100;
constexpr std::uint32_t CLIENT_PROTOCOL_41 = 0x200;
constexpr std::uint32_t CLIENT_INTERACTIVE = 0x400;
constexpr std::uint32_t CLIENT_SSL = 0x800;
constexpr std::uint32_t CLIENT_IGNORE_SIGPIPE = 0x1000;
constexpr std::uint32_t CLIENT_TRANSACTIONS = 0x2000;
constexpr std::uint32_t CLIENT_RESERVED = 0x4000;
constexpr std::uint32_t CLIENT_SECURE_CONNECTION = 0x8000;
constexpr std::uint32_t CLIENT_MULTI_STATEMENTS = 0x10000;
constexpr std::uint32_t CLIENT_MULTI_RESULTS = 0x20000;
constexpr std::uint32_t CLIENT_PLUGIN_AUTH = 0x80000;
constexpr std::uint32_t CLIENT_PLUGIN_AUTH_LENENC_CLIENT_DATA = 0x200000;
// Always announced by this client.
constexpr std::uint32_t CLIENT_FIXED_FLAGS = CLIENT_LONG_PASSWORD | CLIENT_LONG_FLAG | CLIENT_LOCAL_FILES |
                                             CLIENT_PROTOCOL_41 | CLIENT_TRANSACTIONS | CLIENT_SECURE_CONNECTION |
                                             CLIENT_MULTI_STATEMENTS | CLIENT_MULTI_RESULTS;

// Server status flags.
constexpr int SERVER_STATUS_IN_TRANS = 0x1;
constexpr int SERVER_STATUS_AUTOCOMMIT = 0x2;
constexpr int SERVER_MORE_RESULTS_EXISTS = 0x8;
constexpr int SERVER_STATUS_NO_BACKSLASH_ESCAPES = 0x200;

enum class TServerCommand : std::uint8_t {
  scSleep = 0,
  scQuit = 1,
  scInitDb = 2,
  scQuery = 3,
  scFieldList = 4,
  scCreateDb = 5,
  scDropDb = 6,
  scRefresh = 7,
  scShutdown = 8,
  scStatistics = 9,
  scProcessInfo = 10,
  scConnect = 11,
  scProcessKill = 12,
  scDebug = 13,
  scPing = 14,
  scTime = 15,
  scDelayedInsert = 16,
  scChangeUser = 17,
  scBinlogDump = 18,
  scTableDump = 19,
  scConnectOut = 20,
  scRegisterSlave = 21,
  scPrepareStmt = 22,
  scExecuteStmt = 23,
  scLongData = 24,
  scCloseStmt = 25,
};

enum TMySqlStatus { msReady = 0, msGetResult = 1, msUseResult = 2 };

// Options of mysql_options.
enum TMySqlOption {
  MYSQL_OPT_CONNECT_TIMEOUT = 0,
  MYSQL_OPT_COMPRESS = 1,
  MYSQL_OPT_NAMED_PIPE = 2,
  MYSQL_INIT_COMMAND = 3,
  MYSQL_READ_DEFAULT_FILE = 4,
  MYSQL_READ_DEFAULT_GROUP = 5,
  MYSQL_SET_CHARSET_DIR = 6,
  MYSQL_SET_CHARSET_NAME = 7,
  MYSQL_OPT_LOCAL_INFILE = 8,
  MYSQL_OPT_PROTOCOL = 9,
  MYSQL_SHARED_MEMORY_BASE_NAME = 10,
  MYSQL_OPT_READ_TIMEOUT = 11,
  MYSQL_OPT_WRITE_TIMEOUT = 12,
};

enum MYSQL_PROTOCOL_TYPE {
  MYSQL_PROTOCOL_DEFAULT = 0,
  MYSQL_PROTOCOL_TCP = 1,
  MYSQL_PROTOCOL_SOCKET = 2,
  MYSQL_PROTOCOL_PIPE = 3,
  MYSQL_PROTOCOL_MEMORY = 4,
  MYSQL_PROTOCOL_SSL = 5,
};

constexpr std::uint8_t PROTOCOL_VERSION = 10;
