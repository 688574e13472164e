#include <gtest/gtest.h>

#include "data/DAError.h"
#include "data/FieldDescBuilder.h"

namespace {

TColumnMetadata Column(const char* name, std::uint8_t type, std::uint32_t length,
                       std::uint32_t flags = 0, std::uint16_t charset = BinaryCharset,
                       const char* table = "t") {
  TColumnMetadata column;
  column.Name = column.OrgName = name;
  column.Table = column.OrgTable = table;
  column.MyType = type;
  column.LengthInBytes = length;
  column.Flags = flags;
  column.CharsetNr = charset;
  return column;
}

TFieldDescs Build(const std::vector<TColumnMetadata>& columns, bool unicode = true) {
  std::vector<TTableInfo> tables;
  TFieldMapping mapping;
  mapping.UseUnicode = unicode;
  return BuildFieldDescs(columns, mapping, tables);
}

}  // namespace

TEST(FieldDescBuilder, EveryColumnTypeGetsItsDataTypeAndFieldType) {
  using namespace mysql_type;
  using enum TFieldType;
  constexpr std::uint32_t U = column_flag::Unsigned, B = column_flag::Binary;
  struct Case {
    TColumnMetadata column;
    TDataType dataType;
    TFieldType fieldType;
  };
  const Case cases[] = {
      {Column("dec", NewDecimal, 10), dtFloat, ftFloat},
      {Column("olddec", Decimal, 10), dtFloat, ftFloat},
      {Column("flag", Tiny, 1), dtBoolean, ftBoolean},
      {Column("tiny", Tiny, 4), dtInt8, ftShortint},
      {Column("utiny", Tiny, 3, U), dtUInt8, ftByte},
      {Column("small", Short, 6), dtInt16, ftSmallint},
      {Column("usmall", Short, 5, U), dtUInt16, ftWord},
      {Column("int", Long, 11), dtInt32, ftInteger},
      {Column("uint", Long, 10, U), dtUInt32, ftLongWord},
      {Column("medium", Int24, 9), dtInt32, ftInteger},
      {Column("big", LongLong, 20), dtInt64, ftLargeint},
      {Column("bit", Bit, 8, U), dtInt64, ftLargeint},
      {Column("float", Float, 12), dtFloat, ftFloat},
      {Column("double", Double, 22), dtFloat, ftFloat},
      {Column("null", Null, 0, 0, Utf8Charset), dtExtWideString, ftWideString},
      {Column("ts", Timestamp, 19), dtDateTime, ftDateTime},
      {Column("dt", DateTime, 19), dtDateTime, ftDateTime},
      {Column("date", Date, 10), dtDate, ftDate},
      {Column("time", Time, 10), dtTime, ftTime},
      {Column("year", Year, 4, U), dtUInt16, ftWord},
      {Column("mac", String, 51, 0, Utf8Charset), dtWideString, ftWideString},
      {Column("vc", VarString, 96, 0, Utf8Charset), dtExtWideString, ftWideString},
      {Column("vbin", VarString, 8, B), dtExtString, ftString},  // bytes, not decoded
      {Column("enum", Enum, 9, 0, Utf8Charset), dtWideString, ftWideString},
      {Column("set", Set, 15, 0, Utf8Charset), dtWideString, ftWideString},
      {Column("text", Blob, 196605, 0, Utf8Charset), dtWideMemo, ftWideMemo},
      {Column("blob", Blob, 65535, B), dtBlob, ftBlob},
      {Column("geo", Geometry, 4294967295u, B), dtBlob, ftBlob},
  };
  std::vector<TColumnMetadata> columns;
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
  using namespace mysql_type;
  std::vector<TTableInfo> tables;
  TFieldMapping mapping;
  mapping.UseUnicode = false;
  mapping.BinaryAsString = false;
  mapping.OptimizedBigInt = true;
  mapping.EnableBCD = true;
  mapping.LongStrings = false;
  mapping.EnableBoolean = false;
  TFieldDescs descs = BuildFieldDescs(
      {Column("vb", VarChar, 10, column_flag::Binary), Column("b", String, 4, column_flag::Binary),
       Column("big", LongLong, 11), Column("dec", NewDecimal, 10), Column("long", VarChar, 300, 0, 8),
       Column("flag", Tiny, 1), Column("short", VarChar, 20, 0, 8)},
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
  using namespace mysql_type;
  TFieldDescs descs = Build({Column("vc", VarString, 96, 0, Utf8Charset),
                             Column("computed", VarString, 1023, 0, Utf8Charset, ""),
                             Column("bin", VarString, 96, column_flag::Binary),
                             Column("dt", DateTime, 57, 0, Utf8Charset)});
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
  using namespace column_flag;
  std::vector<TTableInfo> tables;
  TFieldDescs descs = BuildFieldDescs(
      {Column("id", mysql_type::Long, 11, NotNull | PrimaryKey | AutoIncrement, 63, "p"),
       Column("mac", mysql_type::String, 51, NotNull | UniqueKey, Utf8Charset, "p"),
       Column("ts", mysql_type::Timestamp, 19, NotNull | Timestamp | OnUpdateNow, 63, "o"),
       Column("part", mysql_type::Long, 11, PartKey, 63, "o")},
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
      {{"id", "id"}, {"id", "id_1"}},
      {{"id", "x", "ID", "id"}, {"id", "x", "ID_1", "id_2"}},
      {{"", "a", ""}, {"_0", "a", "_1"}},
      {{"id", "id_1", "id"}, {"id", "id_1", "id_2"}},
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
