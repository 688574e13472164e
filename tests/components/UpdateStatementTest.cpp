#include "components/MyDataSetUpdater.h"
#include "components/MySQLGenerator.h"
#include "components/RowIdentity.h"
#include "components/SqlLiterals.h"
#include "dataset/DAError.h"
#include "dataset/DateTime.h"
#include "dataset/RecordValues.h"
#include "wire/MySqlField.h"

#include <gtest/gtest.h>

namespace {

// The pixel table as "SELECT mac,PixelType, ShieldType , birthday, Org_ID, note FROM pixels"
// describes it, with mac as its primary key.
struct PixelRows {
  TMemData data;
  std::vector<TTableKey> Keys{{{"mac"}}};  // as the server tells them
  char* oldRecord;
  char* newRecord;

  PixelRows() {
    const struct {
      const char* name;
      TDataType type;
      int length;
    } columns[] = {{"mac", dtWideString, 17},
                   {"PixelType", dtExtWideString, 64},
                   {"ShieldType", dtExtWideString, 64},
                   {"birthday", dtDateTime, 19},
                   {"Org_ID", dtInt32, 11},
                   {"note", dtExtWideString, 255}};
    for (const auto& c : columns) {
      TFieldDesc desc;
      desc.Name = desc.ActualName = c.name;
      desc.DataType = c.type;
      desc.Length = c.length;
      desc.TableIndex = 0;
      data.Fields.push_back(desc);
    }
    data.Fields[0].IsKey = data.Fields[0].IsPrimaryKey = true;
    data.Tables.push_back({"pixels", "pixels", "pixels", -1, ""});
    data.InitLayout();
    oldRecord = data.NewEmptyRecord();
    newRecord = data.NewEmptyRecord();
  }
  ~PixelRows() {
    data.DiscardRecord(oldRecord);
    data.DiscardRecord(newRecord);
  }

  void Set(char* record, int field, const TValue& value) {
    WriteFieldValue(data, record, data.Fields[static_cast<std::size_t>(field)], value);
  }

  TUpdateContext Context() {
    TKeyAndDataFields fields =
        FillKeyAndDataFields(data, "", "", "quPixels", false, [this](const TTableInfo&) { return Keys; });
    TUpdateContext context;
    context.Data = &data;
    context.Table = "pixels";
    context.KeyFields = fields.KeyFieldDescs;
    context.DataFields = fields.DataFieldDescs;
    context.OldRecord = oldRecord;
    context.NewRecord = newRecord;
    return context;
  }

  void FillNewPixel(char* record, const std::string& note) {
    TDateTime day = 0;
    TryEncodeDate(2014, 4, 12, day);
    Set(record, 0, std::string("54-2F-89-0A-1B-2C"));
    Set(record, 1, std::string("Pixel-A"));
    Set(record, 2, std::string("Shield-1"));
    Set(record, 3, CombineDateTime(day, EncodeTime(10, 11, 12)));
    Set(record, 5, note);
  }
};

std::vector<TTableKey> NoKeys(const TTableInfo&) {
  return {};
}

}  // namespace

TEST(UpdateStatement, InsertOfANewPixelLeavesNullFieldsOut) {
  PixelRows rows;
  rows.FillNewPixel(rows.newRecord, "it's new");
  TUpdateContext context = rows.Context();
  TGeneratedStatement insert = GenerateStatement(stInsert, context);
  EXPECT_EQ(insert.Text,
            "INSERT INTO pixels\r\n  (mac, PixelType, ShieldType, birthday, note)\r\nVALUES\r\n"
            "  (?, ?, ?, ?, ?)");
  EXPECT_EQ(PlaceParamValues(insert, context, true, true),
            "INSERT INTO pixels\r\n  (mac, PixelType, ShieldType, birthday, note)\r\nVALUES\r\n"
            "  ('54-2F-89-0A-1B-2C', 'Pixel-A', 'Shield-1', '2014-04-12 10:11:12', 'it\\'s new')");
}

TEST(UpdateStatement, UpdateAssignsOnlyChangedFieldsAndNothingWhenUnchanged) {
  PixelRows rows;
  rows.FillNewPixel(rows.oldRecord, "old");
  rows.FillNewPixel(rows.newRecord, "old");
  TUpdateContext context = rows.Context();
  EXPECT_TRUE(GenerateStatement(stUpdate, context).Text.empty());

  rows.Set(rows.newRecord, 5, std::string());
  rows.Set(rows.newRecord, 4, std::int64_t{2});
  TGeneratedStatement update = GenerateStatement(stUpdate, context);
  EXPECT_EQ(update.Text, "UPDATE pixels\r\nSET\r\n  Org_ID = ?, note = ?\r\nWHERE\r\n  mac = ?");
  EXPECT_EQ(PlaceParamValues(update, context, false, true),
            "UPDATE pixels\r\nSET\r\n  Org_ID = 2, note = ''\r\nWHERE\r\n  mac = '54-2F-89-0A-1B-2C'");
}

TEST(UpdateStatement, DeleteConditionsFromAWholeKeyOrAllComparableFields) {
  PixelRows rows;
  rows.FillNewPixel(rows.oldRecord, "n");
  TUpdateContext context = rows.Context();
  EXPECT_EQ(PlaceParamValues(GenerateStatement(stDelete, context), context, false, true),
            "DELETE FROM pixels\r\nWHERE\r\n  mac = '54-2F-89-0A-1B-2C'");

  const std::string allFields =
      "DELETE FROM pixels\r\nWHERE\r\n  mac = ? AND PixelType = ? AND ShieldType = ? AND "
      "birthday = ? AND Org_ID IS NULL AND note = ?\r\nLIMIT 1";
  rows.Keys.clear();
  context = rows.Context();
  EXPECT_EQ(GenerateStatement(stDelete, context).Text, allFields);

  context.DataFields.clear();
  try {
    GenerateStatement(stDelete, context);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Key fields not found");
  }

  // A unique key names one row only while it holds a value.
  rows.Keys = {{{"Org_ID"}}};
  context = rows.Context();
  EXPECT_EQ(GenerateStatement(stDelete, context).Text, allFields);
  rows.Set(rows.oldRecord, 4, std::int64_t{7});
  rows.FillNewPixel(rows.newRecord, "changed");
  rows.Set(rows.newRecord, 4, std::int64_t{7});
  EXPECT_EQ(GenerateStatement(stUpdate, context).Text, "UPDATE pixels\r\nSET\r\n  note = ?\r\nWHERE\r\n  Org_ID = ?");
}

TEST(UpdateStatement, KeyAndUpdatingTableChoice) {
  PixelRows rows;
  EXPECT_EQ(FillKeyAndDataFields(rows.data, "", "note; Org_ID", "q", false, NoKeys).KeyFieldDescs.size(), 2u);
  try {
    FillKeyAndDataFields(rows.data, "", "mac;nope", "quPixels", false, NoKeys);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "quPixels: Key field 'nope' not found");
  }
  try {
    FillKeyAndDataFields(rows.data, "other", "", "q", false, NoKeys);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Wrong UpdatingTable value - table other is unknown");
  }
  // The first of the table's keys whose columns the dataset all read.
  rows.Keys = {{{"mac", "serial"}}, {{"PixelType", "ShieldType"}}, {{"note"}}};
  const TKeyAndDataFields fields =
      FillKeyAndDataFields(rows.data, "`pixels`", "", "q", false, [&](const TTableInfo& t) {
        EXPECT_EQ(t.TableName, "pixels");
        return rows.Keys;
      });
  ASSERT_EQ(fields.KeyFieldDescs.size(), 2u);
  EXPECT_EQ(fields.KeyFieldDescs[1]->Name, "ShieldType");
}

// The literals exact and near comparisons put in place of their placeholders.
TEST(RowIdentity, LiteralsOfExactAndNearComparisons) {
  auto desc = [](TDataType type, std::uint8_t myType, int scale) {
    TFieldDesc d;
    d.DataType = type;
    d.MyType = myType;
    d.Scale = scale;
    return d;
  };
  const TFieldDesc fixedText = desc(dtString, MYSQL_TYPE_STRING, 0), decimal = desc(dtFloat, MYSQL_TYPE_NEWDECIMAL, 2),
                   single = desc(dtFloat, MYSQL_TYPE_FLOAT, 31), twice = desc(dtFloat, MYSQL_TYPE_DOUBLE, 31),
                   time6 = desc(dtTime, MYSQL_TYPE_TIME, 6), stamp6 = desc(dtDateTime, MYSQL_TYPE_DATETIME, 6);
  TDateTime day = 0;
  TryEncodeDate(2024, 1, 2, day);
  const struct {
    const TFieldDesc* field;
    TLiteralForm form;
    TValue value;
    const char* literal;
  } cases[] = {
      {&fixedText, TLiteralForm::FixedText, std::string("ab  "), "'ab'"},
      {&decimal, TLiteralForm::Decimal, 1e14, "100000000000000"},
      {&decimal, TLiteralForm::Decimal, 1.5e-5, "0.000015"},
      {&single, TLiteralForm::StoredFloat, 0.1, "0.10000000149011612"},
      {&single, TLiteralForm::NearBelow, 1.5, "1.499994999999"},
      {&twice, TLiteralForm::NearAbove, 0.3, "0.3000000000000005"},
      {&twice, TLiteralForm::NearBelow, 0.0, "0"},
      {&stamp6, TLiteralForm::NearBelow, CombineDateTime(day, EncodeTime(1, 2, 3, 456)), "'2024-01-02 01:02:03.456'"},
      {&stamp6, TLiteralForm::NearAbove, CombineDateTime(day, EncodeTime(1, 2, 3, 456)),
       "'2024-01-02 01:02:03.456999'"},
      {&time6, TLiteralForm::NearBelow, -EncodeTime(1, 0, 0, 5), "'-1:00:00.005999'"},
      {&time6, TLiteralForm::NearAbove, -EncodeTime(1, 0, 0, 5), "'-1:00:00.005'"},
  };
  for (const auto& c : cases) {
    TDAParamInfo param;
    param.Field = c.field;
    param.Form = c.form;
    std::string written = "x = ";
    AppendParamLiteral(written, param, c.value, true);
    EXPECT_EQ(written, "x = " + std::string(c.literal)) << c.literal;
  }
}

TEST(SqlLiterals, EscapingKeepsEveryByteInsideTheLiteral) {
  using namespace std::string_literals;
  const std::string note = "a'b\"c\\d\0e\rf\ng\x1Ah'); DROP TABLE pixels; --"s;
  EXPECT_EQ(QuotedString(note, true), std::string("'a\\'b\\\"c\\\\d\\0e\\rf\\ng\\Zh\\'); DROP TABLE pixels; --'"));
  EXPECT_EQ(QuotedString("it's \\", false), "'it''s \\'");
  EXPECT_EQ(QuotedString("", true), "''");
  // Escapes at either end and side by side, and bytes above ASCII, which are never escaped.
  EXPECT_EQ(QuotedString("''caf\xC3\xA9\\", true), "'\\'\\'caf\xC3\xA9\\\\'");
  EXPECT_EQ(QuotedString("'x''", false), "'''x'''''");
  std::string statement = "SET note = ";
  AppendQuotedString(statement, "a'b", true);
  EXPECT_EQ(statement, "SET note = 'a\\'b'");
}

TEST(SqlLiterals, ValuesByDataType) {
  TDateTime day = 0;
  TryEncodeDate(2014, 4, 12, day);
  struct Case {
    TValue value;
    TDataType type;
    const char* literal;
  };
  const Case cases[] = {
      {TValue{}, dtString, "NULL"},
      {true, dtBoolean, "1"},
      {false, dtBoolean, "0"},
      {std::int64_t{-42}, dtInt32, "-42"},
      {0.1, dtFloat, "0.1"},
      {1.5e300, dtFloat, "1.5e+300"},
      {12.34, dtBCD, "12.34"},
      {-0.5, dtBCD, "-0.5"},
      {std::string("-12.50"), dtFMTBCD, "-12.50"},
      {day, dtDate, "'2014-04-12'"},
      {-0.0625, dtTime, "'-1:30:00'"},
      {EncodeTime(100, 0, 0), dtTime, "'100:00:00'"},
      {CombineDateTime(day, EncodeTime(10, 11, 12)), dtDateTime, "'2014-04-12 10:11:12'"},
      {ZeroDate(), dtDateTime, "'0000-00-00 00:00:00'"},
      {ZeroDate(), dtDate, "'0000-00-00 00:00:00'"},
      {std::string("\xFF\0", 2), dtVarBytes, "'\xFF\\0'"},
  };
  for (const Case& c : cases) EXPECT_EQ(ValueLiteral(c.value, c.type, true), c.literal);
  // Fractional seconds as many as the column keeps.
  EXPECT_EQ(ValueLiteral(CombineDateTime(day, EncodeTime(10, 11, 12, 345)), dtDateTime, true, 3),
            "'2014-04-12 10:11:12.345'");
  EXPECT_EQ(ValueLiteral(-EncodeTime(1, 2, 3, 450), dtTime, true, 6), "'-1:02:03.450000'");
  EXPECT_EQ(ValueLiteral(EncodeTime(1, 2, 3, 450), dtTime, true, 1), "'1:02:03.4'");
}

TEST(SqlLiterals, NamesInBackticksWhenTheyNeedThem) {
  EXPECT_EQ(QuoteName("PixelType", false), "PixelType");
  EXPECT_EQ(QuoteName("1st", false), "`1st`");
  EXPECT_EQ(QuoteName("my col", false), "`my col`");
  EXPECT_EQ(QuoteName("a`b", false), "`a``b`");
  EXPECT_EQ(QuoteName("kova.pixels", false), "kova.pixels");
  EXPECT_EQ(QuoteName("kova.pixels", true), "`kova`.`pixels`");
  EXPECT_EQ(QuoteName("`x y`", false), "`x y`");
  // Names the server reported are one identifier, whatever they look like.
  EXPECT_EQ(QuoteIdentifier("kova.pixels", false), "`kova.pixels`");
  EXPECT_EQ(QuoteIdentifier("`x`", false), "```x```");
  EXPECT_EQ(QuoteIdentifier("Org_ID", true), "`Org_ID`");
}

TEST(EMyError, FatalKeyViolationAndLineNumber) {
  for (int code : {1053, 2003, 2006, 2013, 1156, 1157, 2020, 2027}) EXPECT_TRUE(EMyError(code, "").IsFatalError());
  EXPECT_FALSE(EMyError(1062, "").IsFatalError());
  EXPECT_TRUE(EMyError(1062, "").IsKeyViolation());
  EXPECT_EQ(EMyError(1064, "\r\n#42000You have an error near 'x' at line 3").LineNumber, 3);
  EXPECT_EQ(EMyError(1064, "no digits").LineNumber, 0);
  EXPECT_EQ(EMyError(1062, "at line 3").LineNumber, 0);
}
