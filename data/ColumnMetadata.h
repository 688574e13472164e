#pragma once

#include <cstdint>
#include <string>

// A result column as the protocol client describes it to the dataset layer.
struct TColumnMetadata {
  std::string Name;
  std::string OrgName;  // the name when the server sent none
  std::string Table;    // alias
  std::string OrgTable;
  std::string Database;  // of the table
  std::uint32_t Flags = 0;
  std::uint8_t MyType = 0;
  int Decimals = 0;
  std::uint16_t CharsetNr = 0;
  std::uint32_t LengthInBytes = 0;
};

// Column type codes and flags of the protocol that the dataset layer looks at.
namespace mysql_type {
constexpr std::uint8_t Decimal = 0, Tiny = 1, Short = 2, Long = 3, Float = 4, Double = 5,
                       Null = 6, Timestamp = 7, LongLong = 8, Int24 = 9, Date = 10, Time = 11,
                       DateTime = 12, Year = 13, NewDate = 14, VarChar = 15, Bit = 16,
                       NewDecimal = 246, Enum = 247, Set = 248, TinyBlob = 249,
                       MediumBlob = 250, LongBlob = 251, Blob = 252, VarString = 253,
                       String = 254, Geometry = 255;
}

namespace column_flag {
constexpr std::uint32_t NotNull = 1, PrimaryKey = 2, UniqueKey = 4, MultipleKey = 8,
                        Unsigned = 32, Binary = 128, AutoIncrement = 512, Timestamp = 1024,
                        OnUpdateNow = 8192, PartKey = 16384;
}

constexpr std::uint16_t BinaryCharset = 63;
constexpr std::uint16_t Utf8Charset = 33;
