#pragma once
// A result column as the protocol describes it: type codes, flags, character sets and the description
// handed to the dataset layer. Depends on nothing else, so the dataset framework may include it.
#include <cstdint>
#include <string>

// Column type codes.
constexpr std::uint8_t MYSQL_TYPE_DECIMAL = 0;
constexpr std::uint8_t MYSQL_TYPE_TINY = 1;
constexpr std::uint8_t MYSQL_TYPE_SHORT = 2;
constexpr std::uint8_t MYSQL_TYPE_LONG = 3;
constexpr std::uint8_t MYSQL_TYPE_FLOAT = 4;
constexpr std::uint8_t MYSQL_TYPE_DOUBLE = 5;
constexpr std::uint8_t MYSQL_TYPE_NULL = 6;
constexpr std::uint8_t MYSQL_TYPE_TIMESTAMP = 7;
constexpr std::uint8_t MYSQL_TYPE_LONGLONG = 8;
constexpr std::uint8_t MYSQL_TYPE_INT24 = 9;
constexpr std::uint8_t MYSQL_TYPE_DATE = 10;
constexpr std::uint8_t MYSQL_TYPE_TIME = 11;
constexpr std::uint8_t MYSQL_TYPE_DATETIME = 12;
constexpr std::uint8_t MYSQL_TYPE_YEAR = 13;
constexpr std::uint8_t MYSQL_TYPE_NEWDATE = 14;
constexpr std::uint8_t MYSQL_TYPE_VARCHAR = 15;
constexpr std::uint8_t MYSQL_TYPE_BIT = 16;
constexpr std::uint8_t MYSQL_TYPE_NEWDECIMAL = 246;
constexpr std::uint8_t MYSQL_TYPE_ENUM = 247;
constexpr std::uint8_t MYSQL_TYPE_SET = 248;
constexpr std::uint8_t MYSQL_TYPE_TINY_BLOB = 249;
constexpr std::uint8_t MYSQL_TYPE_MEDIUM_BLOB = 250;
constexpr std::uint8_t MYSQL_TYPE_LONG_BLOB = 251;
constexpr std::uint8_t MYSQL_TYPE_BLOB = 252;
constexpr std::uint8_t MYSQL_TYPE_VAR_STRING = 253;
constexpr std::uint8_t MYSQL_TYPE_STRING = 254;
constexpr std::uint8_t MYSQL_TYPE_GEOMETRY = 255;

// Column flags; NUM_FLAG is added by this client to numeric columns.
constexpr std::uint32_t NOT_NULL_FLAG = 0x1;
constexpr std::uint32_t PRI_KEY_FLAG = 0x2;
constexpr std::uint32_t UNIQUE_KEY_FLAG = 0x4;
constexpr std::uint32_t MULTIPLE_KEY_FLAG = 0x8;
constexpr std::uint32_t BLOB_FLAG = 0x10;
constexpr std::uint32_t UNSIGNED_FLAG = 0x20;
constexpr std::uint32_t ZEROFILL_FLAG = 0x40;
constexpr std::uint32_t BINARY_FLAG = 0x80;
constexpr std::uint32_t ENUM_FLAG = 0x100;
constexpr std::uint32_t AUTO_INCREMENT_FLAG = 0x200;
constexpr std::uint32_t TIMESTAMP_FLAG = 0x400;
constexpr std::uint32_t SET_FLAG = 0x800;
constexpr std::uint32_t ON_UPDATE_NOW_FLAG = 0x2000;
constexpr std::uint32_t PART_KEY_FLAG = 0x4000;
constexpr std::uint32_t NUM_FLAG = 0x8000;

// Character-set numbers: sent at login, and a column's.
constexpr std::uint8_t CHARSET_UTF8_GENERAL_CI = 33;
constexpr std::uint8_t CHARSET_UTF8MB4_GENERAL_CI = 45;
constexpr std::uint8_t CHARSET_LATIN1_SWEDISH_CI = 8;
constexpr std::uint8_t CHARSET_BINARY = 63;

// Column description handed to the dataset layer.
struct TMYSQL_FIELD {
  std::string Name;
  std::string OrgName;  // the name when the server sent none
  std::string Table;    // alias
  std::string OrgTable;
  std::string Database;  // of the table
  std::uint32_t Flags = 0;
  std::uint8_t MyType = 0;
  int Decimals = 0;
  int CharsetNr = 0;
  std::uint32_t LengthInBytes = 0;
};
