#include "dataset/DateTime.h"
#include "dataset/Exceptions.h"
#include "dataset/RecordValues.h"
#include "driver/RowConversion.h"
#include "driver/Utf8ToWs.h"
#include "wire/MySqlField.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace {

// A store with one field, and a converter for it.
struct OneField {
  TMemData data;
  TRowConverter converter;
  char* record;

  OneField(TDataType type, std::uint8_t myType, int length = 0, TRowConversionOptions options = {.UseUnicode = true})
      : converter(data, options) {
    TFieldDesc desc;
    desc.Name = "f";
    desc.DataType = type;
    desc.MyType = myType;
    desc.Length = length;
    desc.Fixed = myType == MYSQL_TYPE_STRING;
    data.Fields = {desc};
    data.InitLayout();
    record = data.NewRecord();
  }
  ~OneField() { data.DiscardRecord(record); }

  TValue Convert(std::string_view text, bool isNull = false) {
    const TFieldDesc& desc = data.Fields[0];
    data.ReleaseValues(record);  // conversion writes into fresh records only
    data.SetNullFlag(record, desc, converter.ConvertValue(record, desc, text, isNull));
    return ReadFieldValue(data, record, desc);
  }
};

TDateTime At(int y, int m, int d, int h = 0, int n = 0, int s = 0, int ms = 0) {
  TDateTime date = 0;
  EXPECT_TRUE(TryEncodeDate(y, m, d, date));
  return CombineDateTime(date, EncodeTime(h, n, s, ms));
}

}  // namespace

TEST(RowConversion, Integers) {
  struct Case {
    TDataType type;
    std::uint8_t myType;
    std::string_view text;
    TValue expected;
  };
  const Case cases[] = {
      {dtInt8, MYSQL_TYPE_TINY, "-128", std::int64_t{-128}},
      {dtUInt8, MYSQL_TYPE_TINY, "255", std::int64_t{255}},
      {dtInt16, MYSQL_TYPE_SHORT, "-32768", std::int64_t{-32768}},
      {dtUInt16, MYSQL_TYPE_YEAR, "2014", std::int64_t{2014}},
      {dtInt32, MYSQL_TYPE_LONG, "-2147483648", std::int64_t{-2147483647 - 1}},
      {dtUInt32, MYSQL_TYPE_LONG, "4294967295", std::int64_t{4294967295}},
      {dtInt64, MYSQL_TYPE_LONGLONG, "-9223372036854775807", std::int64_t{-9223372036854775807}},
      {dtInt64, MYSQL_TYPE_BIT, std::string_view("\x01\x02", 2), std::int64_t{258}},
      {dtBoolean, MYSQL_TYPE_TINY, "2", true},
      {dtBoolean, MYSQL_TYPE_TINY, "0", false},
      {dtBoolean, MYSQL_TYPE_TINY, "-1", true},
      {dtBoolean, MYSQL_TYPE_BIT, std::string_view("\x00\x01", 2), true},
      {dtBoolean, MYSQL_TYPE_BIT, std::string_view("\x01\x00", 2), false},
  };
  for (const Case& c : cases) {
    OneField f(c.type, c.myType);
    EXPECT_EQ(f.Convert(c.text), c.expected) << c.text;
  }
  OneField flag(dtBoolean, MYSQL_TYPE_TINY, 1);
  flag.Convert("2");
  std::int16_t stored;
  std::memcpy(&stored, flag.record, 2);
  EXPECT_EQ(stored, -1) << "TINYINT(1) true is stored as -1";
}

TEST(RowConversion, FloatsAreParsedWhateverTheLocale) {
  OneField f(dtFloat, MYSQL_TYPE_DOUBLE);
  EXPECT_EQ(f.Convert("1.5e3"), TValue(1500.0));
  EXPECT_EQ(f.Convert("-0.1"), TValue(-0.1));
  EXPECT_EQ(f.Convert("+2.5E-2"), TValue(0.025));
  EXPECT_EQ(f.Convert("1.7976931348623157e308"), TValue(1.7976931348623157e308));
  try {
    f.Convert("1,5");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'1,5' is not a valid floating point value");
  }
  try {
    f.Convert("1e5x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'1e5x' is not a valid integer value");
  }
}

TEST(RowConversion, DecimalsAsCurrencyAndAsDecimalText) {
  OneField bcd(dtBCD, MYSQL_TYPE_NEWDECIMAL, 10);
  EXPECT_EQ(bcd.Convert("12.34"), TValue(12.34));
  std::int64_t scaled;
  std::memcpy(&scaled, bcd.record, 8);
  EXPECT_EQ(scaled, 123400);
  EXPECT_EQ(ParseCurrencyValue("-1.00005", "f"), -10001);
  EXPECT_EQ(ParseCurrencyValue("922337203685477.5807", "f"), std::numeric_limits<std::int64_t>::max());
  // Past the range a value never wraps to the other sign.
  for (const char* outside : {"922337203685478", "999999999999999", "-999999999999999.9", "922337203685477.5808",
                              "123456789012345678901234"}) {
    try {
      bcd.Convert(outside);
      ADD_FAILURE() << outside;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.what(), "Value '" + std::string(outside) + "' of field 'f' is outside the currency range");
    }
  }
  OneField fmt(dtFMTBCD, MYSQL_TYPE_NEWDECIMAL, 30);
  EXPECT_EQ(fmt.Convert("-123456789012345678901234.56789"), TValue(std::string("-123456789012345678901234.56789")));
  EXPECT_EQ(ParseFloatValue("1234567890123456789012345678901234567890123456789"), 1.2345678901234568e48)
      << "every digit counts";
}

TEST(RowConversion, DatesTimesAndZeroDates) {
  struct Case {
    TDataType type;
    std::uint8_t myType;
    int length;
    std::string_view text;
    TValue expected;
  };
  const Case cases[] = {
      {dtDate, MYSQL_TYPE_DATE, 10, "2014-04-12", At(2014, 4, 12)},
      {dtDateTime, MYSQL_TYPE_DATETIME, 19, "2014-04-12 10:11:12", At(2014, 4, 12, 10, 11, 12)},
      {dtDateTime, MYSQL_TYPE_DATETIME, 26, "2014-04-12 10:11:12.250000", At(2014, 4, 12, 10, 11, 12, 250)},
      {dtDateTime, MYSQL_TYPE_DATETIME, 19, "1899-12-29 06:00:00", -1.25},
      {dtDateTime, MYSQL_TYPE_TIMESTAMP, 14, "20140412153000", At(2014, 4, 12, 15, 30)},
      {dtDateTime, MYSQL_TYPE_TIMESTAMP, 12, "690412153000", At(2069, 4, 12, 15, 30)},
      {dtDateTime, MYSQL_TYPE_TIMESTAMP, 6, "700412", At(1970, 4, 12)},
      {dtDateTime, MYSQL_TYPE_TIMESTAMP, 2, "99", At(1999, 1, 1)},
      {dtDateTime, MYSQL_TYPE_TIMESTAMP, 19, "2014-04-12 15:30:00", At(2014, 4, 12, 15, 30)},
      // Fractional seconds are kept to the millisecond.
      {dtDateTime, MYSQL_TYPE_TIMESTAMP, 26, "2014-04-12 15:30:00.999999", At(2014, 4, 12, 15, 30, 0, 999)},
      {dtDateTime, MYSQL_TYPE_TIMESTAMP, 21, "2014-04-12 15:30:01.5", At(2014, 4, 12, 15, 30, 1, 500)},
      {dtTime, MYSQL_TYPE_TIME, 10, "-01:30:00", -0.0625},
      {dtTime, MYSQL_TYPE_TIME, 10, "838:59:59", EncodeTime(838, 59, 59)},
      {dtDateTime, MYSQL_TYPE_DATETIME, 19, "0000-00-00 00:00:00", TValue{}},
      {dtDate, MYSQL_TYPE_DATE, 10, "2014-00-10", TValue{}},
      {dtDate, MYSQL_TYPE_DATE, 10, "2014-02-3", TValue{}},  // too short: never read past the value
      {dtDateTime, MYSQL_TYPE_DATETIME, 19, "2014-04-12 10:11", TValue{}},
      {dtDate, MYSQL_TYPE_DATE, 10, "20x4-04-12", TValue{}},
      {dtDateTime, MYSQL_TYPE_DATETIME, 19, "2014-04-12 10:1/:12", TValue{}},
      // Bytes just past '9' and with the high bit set, in each word the digits are read from.
      {dtDate, MYSQL_TYPE_DATE, 10, "201:-04-12", TValue{}},
      {dtDate, MYSQL_TYPE_DATE, 10, "2014-04-1\xBA", TValue{}},
      {dtDateTime, MYSQL_TYPE_DATETIME, 19,
       "2014-04-12 \xFF"
       "0:11:12",
       TValue{}},
      {dtDateTime, MYSQL_TYPE_DATETIME, 19, "2014-04-12 10:11:1:", TValue{}},
      {dtDateTime, MYSQL_TYPE_DATETIME, 19, "2014-04-12 24:00:00", TValue{}},
      {dtDateTime, MYSQL_TYPE_DATETIME, 19, "2014-04-12 23:60:00", TValue{}},
      {dtDate, MYSQL_TYPE_DATE, 10, "2000-02-29", At(2000, 2, 29)},
      {dtDate, MYSQL_TYPE_DATE, 10, "1900-02-29", TValue{}},
      {dtDate, MYSQL_TYPE_DATE, 10, "2014-04-31", TValue{}},
      {dtDateTime, MYSQL_TYPE_DATETIME, 19, "2016-02-29 23:59:59", At(2016, 2, 29, 23, 59, 59)},
      {dtDateTime, MYSQL_TYPE_DATETIME, 19, "1899-12-30 00:00:01", 1.0 / 86400},
      {dtDateTime, MYSQL_TYPE_DATETIME, 19, "1899-12-29 23:59:59", -1 - 86399.0 / 86400},
      {dtDateTime, MYSQL_TYPE_DATETIME, 19, "0001-01-01 00:00:00", -693593.0},
      {dtDateTime, MYSQL_TYPE_DATETIME, 19, "9999-12-31 23:59:59", 2958465 + 86399.0 / 86400},
  };
  for (const Case& c : cases) {
    OneField f(c.type, c.myType, c.length);
    EXPECT_EQ(f.Convert(c.text), c.expected) << c.text;
  }

  OneField zero(dtDateTime, MYSQL_TYPE_DATETIME, 19, {.UseUnicode = true, .NullForZeroDate = false});
  EXPECT_EQ(zero.Convert("0000-00-00 00:00:00"), TValue(ZeroDate()));
  OneField base(dtDateTime, MYSQL_TYPE_DATETIME, 19, {.NullForZeroBaseDate = true});
  EXPECT_EQ(base.Convert("1899-12-30 00:00:00"), TValue{});

  for (int oddWidth : {16, 20, 27}) {
    OneField odd(dtDateTime, MYSQL_TYPE_TIMESTAMP, oddWidth);
    EXPECT_THROW(odd.Convert("2014-04-12 15:30:00.0000000"), EConvertError) << oddWidth;
  }
  OneField longTime(dtTime, MYSQL_TYPE_TIME, 10);
  try {
    longTime.Convert("1234:00:00");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Wrong time format at field f");
  }
}

TEST(RowConversion, StringsBytesAndLargeObjects) {
  OneField wide(dtWideString, MYSQL_TYPE_VAR_STRING, 4);  // 10 bytes: four characters and the terminator
  EXPECT_EQ(wide.Convert("\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F"
                         "x"),
            TValue(std::string("\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F")));
  OneField fixed(dtWideString, MYSQL_TYPE_STRING, 17);
  EXPECT_EQ(fixed.Convert("54-2F-89-00   "), TValue(std::string("54-2F-89-00")));
  OneField narrow(dtString, MYSQL_TYPE_VAR_STRING, 3, {.UseUnicode = false});
  EXPECT_EQ(narrow.Convert("abcdef"), TValue(std::string("abc")));

  using namespace std::string_literals;
  const std::string note = "it's \\ \"q\" \0 \r\n \x1A '); DROP TABLE pixels; --"s;
  OneField ext(dtExtWideString, MYSQL_TYPE_VAR_STRING, 255);
  EXPECT_EQ(ext.Convert(note), TValue(note));
  EXPECT_EQ(ext.Convert(""), TValue(std::string()));
  EXPECT_EQ(ext.Convert("", true), TValue{});
  OneField extNarrow(dtExtString, MYSQL_TYPE_VAR_STRING, 255, {.UseUnicode = false});
  EXPECT_EQ(extNarrow.Convert(note), TValue(note));

  OneField bytes(dtVarBytes, MYSQL_TYPE_VAR_STRING, 4);
  EXPECT_EQ(bytes.Convert(std::string_view("\0\xFF\x01", 3)), TValue(std::string("\0\xFF\x01", 3)));
  OneField extBytes(dtExtVarBytes, MYSQL_TYPE_VAR_STRING, 100);
  EXPECT_EQ(extBytes.Convert(std::string_view("\0\0", 2)), TValue(std::string("\0\0", 2)));

  OneField memo(dtWideMemo, MYSQL_TYPE_BLOB);
  EXPECT_EQ(memo.Convert("\xE2\x82\xAC long text"), TValue(std::string("\xE2\x82\xAC long text")));
  EXPECT_EQ(memo.Convert("", true), TValue{});
  OneField blob(dtBlob, MYSQL_TYPE_BLOB, 0, {.UseUnicode = true});
  EXPECT_EQ(blob.Convert(std::string_view("\xFF\0", 2)), TValue(std::string("\xFF\0", 2)));
}

// Values that repeat down a column share one buffer: every record still reads its own value,
// values that differ only in one byte, in length or after a zero byte are told apart, long values
// are never shared, and a value changed in one record leaves the records that shared it alone.
TEST(RowConversion, RepeatedColumnValuesShareABufferAndStayApart) {
  using namespace std::string_literals;
  TMemData data;
  TFieldDesc desc;
  desc.Name = "PixelType";
  desc.DataType = dtExtWideString;
  desc.MyType = MYSQL_TYPE_VAR_STRING;
  desc.Length = 255;
  data.Fields = {desc};
  data.InitLayout();
  TRowConverter converter(data, {.UseUnicode = true});
  const TFieldDesc& field = data.Fields[0];
  const std::string values[] = {"Pixel-A",
                                "Pixel-B",
                                "Pixel-A ",
                                "pixel-A",
                                "P",
                                "Q",
                                "",
                                "a\0b"s,
                                "a\0c"s,
                                "Shield-1",
                                "Shield-2",
                                std::string(64, 'x'),
                                std::string(63, 'x') + "y",
                                std::string(65, 'x'),
                                "\xC3\xA4hnlich"};
  // Each value on three rows in a row, the whole list twice.
  constexpr std::size_t Repeats = 3;
  auto valueOf = [&values](std::size_t row) { return values[row / Repeats % std::size(values)]; };
  for (std::size_t row = 0; row < 2 * Repeats * std::size(values); ++row) {
    char* record = data.NewRecord();
    data.SetNullFlag(record, field, converter.ConvertValue(record, field, valueOf(row), false));
    data.AppendRecord(record);
  }
  for (std::size_t row = 0; row < data.RecordCount(); ++row)
    ASSERT_EQ(ReadFieldValue(data, data.Record(row), field), TValue(valueOf(row))) << row;
  auto bufferOf = [&](std::size_t row) { return LoadReference(data.Record(row), field); };
  EXPECT_EQ(bufferOf(0), bufferOf(2)) << "shared";
  EXPECT_NE(bufferOf(13 * Repeats), bufferOf(13 * Repeats + 1)) << "65 bytes are not shared";

  WriteFieldValue(data, data.Record(1), field, std::string("Pixel-C"));
  EXPECT_EQ(ReadFieldValue(data, data.Record(0), field), TValue(std::string("Pixel-A")));
  EXPECT_EQ(ReadFieldValue(data, data.Record(2), field), TValue(std::string("Pixel-A")));
  data.DeleteRecord(0);
  EXPECT_EQ(ReadFieldValue(data, data.Record(1), field), TValue(std::string("Pixel-A")));
}

TEST(Utf8ToWs, DecodesAndRejectsMalformedSequences) {
  char16_t out[8];
  EXPECT_EQ(Utf8ToWs("\xE2\x82\xAC", out, 8, true), 1u);
  EXPECT_EQ(out[0], u'\u20AC');
  EXPECT_EQ(out[1], 0);
  EXPECT_EQ(Utf8ToWs("abcdef", out, 3, true), 2u) << "the terminator takes the last unit";
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(Utf8ToWs("abc", out, 3, false), 3u);
  EXPECT_EQ(Utf8ToWs("\xF0\x9F\x98\x80\xF0\xA0\x9C\x8E", out, 8, true), 4u);
  EXPECT_EQ(std::u16string(out, 4), u"\U0001F600\U0002070E");
  EXPECT_EQ(Utf8ToWs("a\xF0\x9F\x98\x80", out, 3, true), 1u) << "a pair is not split";
  struct Case {
    std::string_view bytes;
    const char* message;
  };
  const Case cases[] = {
      {"\xE2\x22\xAC", "malformed trail byte or out of range char"},
      {"\xC3\xC3", "malformed trail byte"},
      {"\xE2\x82\xC3", "malformed trail byte"},
      {"a\xE2\x82", "incomplete multibyte char"},
      {"\xC3", "incomplete multibyte char"},
      {"\xF0\x9F\x98", "incomplete multibyte char"},
      {"\xF0\x9F\x28\x80", "malformed trail byte or out of range char"},
      {"\xF0\x8F\xBF\xBF", "malformed trail byte or out of range char"},
      {"\xF4\x90\x80\x80", "malformed trail byte or out of range char"},
  };
  for (const Case& c : cases) {
    try {
      Utf8ToWs(c.bytes, out, 8, true);
      ADD_FAILURE() << c.message;
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}
