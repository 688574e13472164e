#include "dataset/DAError.h"
#include "dataset/FieldDescBuilder.h"

#include <gtest/gtest.h>

namespace {

TMYSQL_FIELD Column(const char* name, std::uint8_t type, std::uint32_t length, std::uint32_t flags = 0,
                    std::uint16_t charset = CHARSET_BINARY, const char* table = "t") {
  TMYSQL_FIELD column;
  column.Name = column.OrgName = name;
  column.Table = column.OrgTable = table;
  column.MyType = type;
  column.LengthInBytes = length;
  column.Flags = flags;
  column.CharsetNr = charset;
  return column;
}

TFieldDescs Build(const std::vector<TMYSQL_FIELD>& columns, bool unicode = true) {
  std::vector<TTableInfo> tables;
  TFieldMapping mapping;
  mapping.UseUnicode = unicode;
  return BuildFieldDescs(columns, mapping, tables);
}

}  // namespace

TEST(FieldDescBuilder, EveryColumnTypeGetsItsDataTypeAndFieldType) {
  using enum TFieldType;
  constexpr std::uint32_t U = UNSIGNED_FLAG, B = BINARY_FLAG;
  struct Case {
    TMYSQL_FIELD column;
    TDataType dataType;
    TFieldType fieldType;
  };
  const Case cases[] = {
      {Column("dec", MYSQL_TYPE_NEWDECIMAL, 10), dtFloat, ftFloat},
      {Column("olddec", MYSQL_TYPE_DECIMAL, 10), dtFloat, ftFloat},
      {Column("flag", MYSQL_TYPE_TINY, 1), dtBoolean, ftBoolean},
      {Column("tiny", MYSQL_TYPE_TINY, 4), dtInt8, ftShortint},
      {Column("utiny", MYSQL_TYPE_TINY, 3, U), dtUInt8, ftByte},
      {Column("small", MYSQL_TYPE_SHORT, 6), dtInt16, ftSmallint},
      {Column("usmall", MYSQL_TYPE_SHORT, 5, U), dtUInt16, ftWord},
      {Column("int", MYSQL_TYPE_LONG, 11), dtInt32, ftInteger},
      {Column("uint", MYSQL_TYPE_LONG, 10, U), dtUInt32, ftLongWord},
      {Column("medium", MYSQL_TYPE_INT24, 9), dtInt32, ftInteger},
      {Column("big", MYSQL_TYPE_LONGLONG, 20), dtInt64, ftLargeint},
      {Column("bit", MYSQL_TYPE_BIT, 8, U), dtInt64, ftLargeint},
      {Column("float", MYSQL_TYPE_FLOAT, 12), dtFloat, ftFloat},
      {Column("double", MYSQL_TYPE_DOUBLE, 22), dtFloat, ftFloat},
      {Column("null", MYSQL_TYPE_NULL, 0, 0, CHARSET_UTF8_GENERAL_CI), dtExtWideString, ftWideString},
      {Column("ts", MYSQL_TYPE_TIMESTAMP, 19), dtDateTime, ftDateTime},
      {Column("dt", MYSQL_TYPE_DATETIME, 19), dtDateTime, ftDateTime},
      {Column("date", MYSQL_TYPE_DATE, 10), dtDate, ftDate},
      {Column("time", MYSQL_TYPE_TIME, 10), dtTime, ftTime},
      {Column("year", MYSQL_TYPE_YEAR, 4, U), dtUInt16, ftWord},
      {Column("mac", MYSQL_TYPE_STRING, 51, 0, CHARSET_UTF8_GENERAL_CI), dtWideString, ftWideString},
      {Column("vc", MYSQL_TYPE_VAR_STRING, 96, 0, CHARSET_UTF8_GENERAL_CI), dtExtWideString, ftWideString},
      {Column("vbin", MYSQL_TYPE_VAR_STRING, 8, B), dtExtString, ftString},  // bytes, not decoded
      {Column("enum", MYSQL_TYPE_ENUM, 9, 0, CHARSET_UTF8_GENERAL_CI), dtWideString, ftWideString},
      {Column("set", MYSQL_TYPE_SET, 15, 0, CHARSET_UTF8_GENERAL_CI), dtWideString, ftWideString},
      {Column("text", MYSQL_TYPE_BLOB, 196605, 0, CHARSET_UTF8_GENERAL_CI), dtWideMemo, ftWideMemo},
      {Column("blob", MYSQL_TYPE_BLOB, 65535, B), dtBlob, ftBlob},
      {Column("geo", MYSQL_TYPE_GEOMETRY, 4294967295u, B), dtBlob, ftBlob},
  };
  std::vector<TMYSQL_FIELD> columns;
  for (const Case& c : cases) columns.push_back(c.column);
  TFieldDescs descs = Build(columns);
  for (std::size_t i = 0; i < descs.size(); ++i) {
    SCOPED_TRACE(descs[i].Name);
    EXPECT_EQ(descs[i].DataType, cases[i].dataType);
    EXPECT_EQ(FieldTypeOf(descs[i].DataType), cases[i].fieldType);
  }
  EXPECT_TRUE(descs[20].Fixed);
  EXPECT_TRUE(descs[14].ReadOnly) << "columns of the NULL type";
}

TEST(FieldDescBuilder, OptionsChangeTheMapping) {
  std::vector<TTableInfo> tables;
  TFieldMapping mapping;
  mapping.UseUnicode = false;
  mapping.BinaryAsString = false;
  mapping.OptimizedBigInt = true;
  mapping.EnableBCD = true;
  mapping.LongStrings = false;
  mapping.EnableBoolean = false;
  TFieldDescs descs =
      BuildFieldDescs({Column("vb", MYSQL_TYPE_VARCHAR, 10, BINARY_FLAG),
                       Column("b", MYSQL_TYPE_STRING, 4, BINARY_FLAG), Column("big", MYSQL_TYPE_LONGLONG, 11),
                       Column("dec", MYSQL_TYPE_NEWDECIMAL, 10), Column("long", MYSQL_TYPE_VARCHAR, 300, 0, 8),
                       Column("flag", MYSQL_TYPE_TINY, 1), Column("short", MYSQL_TYPE_VARCHAR, 20, 0, 8)},
                      mapping, tables);
  EXPECT_EQ(descs[0].DataType, dtVarBytes);
  EXPECT_EQ(descs[1].DataType, dtBytes);
  EXPECT_EQ(descs[2].DataType, dtInt32);
  EXPECT_EQ(descs[3].DataType, dtBCD);
  EXPECT_EQ(descs[4].DataType, dtMemo);
  EXPECT_EQ(descs[5].DataType, dtInt8);
  EXPECT_EQ(descs[6].DataType, dtString);
  EXPECT_EQ(descs[6].Length, 20) << "no division without Unicode";
}

TEST(FieldDescBuilder, LengthsInCharacters) {
  TFieldDescs descs = Build({Column("vc", MYSQL_TYPE_VAR_STRING, 96, 0, CHARSET_UTF8_GENERAL_CI),
                             Column("computed", MYSQL_TYPE_VAR_STRING, 1023, 0, CHARSET_UTF8_GENERAL_CI, ""),
                             Column("bin", MYSQL_TYPE_VAR_STRING, 96, BINARY_FLAG),
                             Column("dt", MYSQL_TYPE_DATETIME, 57, 0, CHARSET_UTF8_GENERAL_CI)});
  EXPECT_EQ(descs[0].Length, 32);
  EXPECT_EQ(descs[1].Length, 1023);
  EXPECT_EQ(descs[2].Length, 96);
  EXPECT_EQ(descs[3].Length, 19);
  EXPECT_EQ(descs[1].TableIndex, -1);
}

TEST(FieldDescBuilder, UnknownTypeIsRefused) {
  try {
    Build({Column("odd", 17, 4)});
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Unknown MySQL datatype (17)");
  }
}

TEST(FieldDescBuilder, FlagsBecomeKeysRequiredAndTables) {
  std::vector<TTableInfo> tables;
  TFieldDescs descs = BuildFieldDescs(
      {Column("id", MYSQL_TYPE_LONG, 11, NOT_NULL_FLAG | PRI_KEY_FLAG | AUTO_INCREMENT_FLAG, 63, "p"),
       Column("mac", MYSQL_TYPE_STRING, 51, NOT_NULL_FLAG | UNIQUE_KEY_FLAG, CHARSET_UTF8_GENERAL_CI, "p"),
       Column("ts", MYSQL_TYPE_TIMESTAMP, 19, NOT_NULL_FLAG | TIMESTAMP_FLAG | ON_UPDATE_NOW_FLAG, 63, "o"),
       Column("part", MYSQL_TYPE_LONG, 11, PART_KEY_FLAG, 63, "o")},
      {}, tables);
  EXPECT_TRUE(descs[0].IsPrimaryKey && descs[0].IsKey && descs[0].IsAutoIncrement);
  EXPECT_FALSE(descs[0].Required) << "auto-increment columns are filled by the server";
  EXPECT_TRUE(descs[1].Required && descs[1].IsKey && !descs[1].IsPrimaryKey);
  EXPECT_FALSE(descs[2].Required) << "TIMESTAMP columns are filled by the server";
  EXPECT_TRUE(descs[3].IsKey);
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(descs[3].TableIndex, 1);
  EXPECT_EQ(tables[1].TimestampField, 2);
}

TEST(FieldDescBuilder, RepeatedNamesAreNumberedFromTheLeft) {
  struct Case {
    std::vector<std::string> names;
    std::vector<std::string> unique;
  };
  const Case cases[] = {
      {{"id", "id"}, {"id", "id_1"}},           {{"id", "x", "ID", "id"}, {"id", "x", "ID_1", "id_2"}},
      {{"", "a", ""}, {"_0", "a", "_1"}},       {{"id", "id_1", "id"}, {"id", "id_1", "id_2"}},
      {{"a", "a", "a_1"}, {"a", "a_2", "a_1"}},
  };
  for (const Case& c : cases) {
    TFieldDescs descs;
    for (const std::string& name : c.names) {
      descs.emplace_back();
      descs.back().Name = name;
    }
    MakeUniqueFieldNames(descs);
    std::vector<std::string> names;
    for (const TFieldDesc& desc : descs) names.push_back(desc.Name);
    EXPECT_EQ(names, c.unique);
  }
}
