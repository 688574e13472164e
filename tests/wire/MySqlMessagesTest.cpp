#include "tests/support/ProtocolBytes.h"
#include "wire/MySqlConsts.h"
#include "wire/MySqlErrors.h"
#include "wire/MySqlMessages.h"
#include "wire/MySqlReader.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

int CodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EMySqlException& e) {
    return e.ErrorCode();
  }
  return 0;
}

}  // namespace

TEST(MySqlReader, ReadsLengthEncodedIntegers) {
  struct TCase {
    TBytes Bytes;
    std::int64_t Value;
  };
  const TCase cases[] = {
      {{250}, 250},
      {{251}, NULL_LENGTH},
      {{252, 0x34, 0x12}, 4660},
      {{253, 1, 2, 3}, 0x030201},
      {{254, 1, 0, 0, 0, 1, 0, 0, 0}, 0x100000001},
  };
  for (const TCase& c : cases) {
    TMySqlReader reader(c.Bytes);
    EXPECT_EQ(reader.ReadFieldLength(), c.Value);
    EXPECT_EQ(reader.Remaining(), 0u);
  }
}

TEST(MySqlReader, MalformedLengthsRaiseMalformedPacket) {
  const TBytes first255{255};
  const TBytes shortEight{254, 1, 2, 3};
  const TBytes negativeEight{254, 0, 0, 0, 0, 0, 0, 0, 0x80, 'a'};
  for (const TBytes* bytes : {&first255, &shortEight, &negativeEight})
    EXPECT_EQ(CodeOf([&] { TMySqlReader(*bytes).ReadLengthString(); }), CR_MALFORMED_PACKET);
}

TEST(MySqlReader, ReadsNeverPassTheEndOfTheMessage) {
  const TBytes three{1, 2, 3};
  EXPECT_EQ(CodeOf([&] { TMySqlReader(three).ReadInt32(); }), CR_MALFORMED_PACKET);
  EXPECT_EQ(CodeOf([&] { TMySqlReader(three, 2).ReadInt16(); }), CR_MALFORMED_PACKET);
  EXPECT_EQ(CodeOf([&] { TMySqlReader(three).ReadString(4); }), CR_MALFORMED_PACKET);
  const TBytes claimsMore{5, 'a', 'b'};
  EXPECT_EQ(CodeOf([&] { TMySqlReader(claimsMore).ReadLengthString(); }), CR_MALFORMED_PACKET);
  EXPECT_EQ(CodeOf([&] { TMySqlReader(three, 4); }), CR_MALFORMED_PACKET);
}

TEST(MySqlReader, ZeroTerminatedStringWithoutZeroTakesTheRest) {
  const TBytes bytes{'a', 'b', 0, 'c', 'd'};
  TMySqlReader reader(bytes);
  EXPECT_EQ(reader.ReadString(), "ab");
  EXPECT_EQ(reader.ReadString(), "cd");
  EXPECT_EQ(reader.ReadString(), "");
}

TEST(ParseGreeting, ReadsA41Greeting) {
  const TMySqlGreeting g = ParseGreeting(Greeting41(0xF7FF));
  EXPECT_EQ(g.ServerVersion, "5.5.36-fake");
  EXPECT_EQ(g.ThreadId, 77u);
  EXPECT_EQ(g.ServerCapabilities, 0xF7FFu);
  EXPECT_EQ(g.ServerLanguage, 8);
  EXPECT_EQ(g.ServerStatus, 2);
  EXPECT_TRUE(g.ScrambleComplete);
  EXPECT_EQ(g.Scramble, TestScramble);
}

TEST(ParseGreeting, PreFourOneGreetingHasOnlyEightScrambleBytes) {
  const TMySqlGreeting g = ParseGreeting(GreetingPre41(0x002C));
  EXPECT_EQ(g.ServerCapabilities, 0x002Cu);
  EXPECT_FALSE(g.ScrambleComplete);
  EXPECT_FALSE(g.HasStatus);
}

TEST(ParseGreeting, OtherProtocolVersionsAndTruncationAreRefused) {
  try {
    ParseGreeting(Greeting41(0xF7FF, 9));
    FAIL() << "protocol version 9 accepted";
  } catch (const EMySqlException& e) {
    EXPECT_EQ(e.ErrorCode(), CR_VERSION_ERROR);
    EXPECT_STREQ(e.what(), "Protocol mismatch. Server Version = 9 Client Version = 10");
  }
  const TBytes full = Greeting41(0xF7FF);
  // Cut inside the server version (no zero byte: the rest is the version) and inside the thread id.
  for (std::size_t length : {std::size_t{1}, std::size_t{5}, std::size_t{14}, std::size_t{20}}) {
    const TBytes cut(full.begin(), full.begin() + static_cast<long>(length));
    EXPECT_EQ(CodeOf([&] { ParseGreeting(cut); }), CR_MALFORMED_PACKET) << length;
  }
}

TEST(ParseErrorPacket, KeepsTheSqlStateInTheText) {
  const TMySqlServerError e = ParseErrorPacket(ErrorPacket(1062, "#23000Duplicate entry 'x' for key 'PRIMARY'"));
  EXPECT_EQ(e.Code, 1062);
  EXPECT_EQ(e.Message, "#23000Duplicate entry 'x' for key 'PRIMARY'");
  const TBytes withZero{255, 0x15, 0x04, 'a', 0, 'b'};
  EXPECT_EQ(ParseErrorPacket(withZero).Message, "a");
  const TBytes truncated{255, 0x15};
  EXPECT_EQ(CodeOf([&] { ParseErrorPacket(truncated); }), CR_MALFORMED_PACKET);
}

TEST(ParseOkPacket, ReadsCountsStatusWarningsAndInfo) {
  const TBytes bytes = OkPacket(1, 300, 0x000A, 3, "Rows matched: 1");
  TMySqlReader reader(bytes, 1);
  const TMySqlOkPacket ok = ParseOkPacket(reader, true, true);
  EXPECT_EQ(ok.AffectedRows, 1u);
  EXPECT_EQ(ok.InsertId, 300u);
  EXPECT_EQ(ok.ServerStatus, 0x000A);
  EXPECT_EQ(ok.WarningCount, 3);
  EXPECT_EQ(ok.Info, "Rows matched: 1");
  const TBytes old = TBytesWriter().Byte(0).Byte(2).Byte(0).Int(2, 2).Raw("done").Bytes();
  TMySqlReader oldReader(old, 1);
  EXPECT_EQ(ParseOkPacket(oldReader, false, true).Info, "done");
  const TBytes cut{0, 1};
  TMySqlReader shortReader(cut, 1);
  EXPECT_EQ(CodeOf([&] { ParseOkPacket(shortReader, true, true); }), CR_MALFORMED_PACKET);
}

TEST(ParseFieldInfo, Reads41DefinitionsAndMarksNumericColumns) {
  const TMySqlFieldInfo text = ParseFieldInfo(ColumnDefinition41("mac", MYSQL_TYPE_STRING, 51, 0x4003), true, true);
  EXPECT_EQ(text.Database, "kova");
  EXPECT_EQ(text.Table, "t");
  EXPECT_EQ(text.Name, "mac");
  EXPECT_EQ(text.OrgName, "mac");
  EXPECT_EQ(text.CharsetNr, 33);
  EXPECT_EQ(text.Length, 51u);
  EXPECT_EQ(text.MyType, MYSQL_TYPE_STRING);
  EXPECT_EQ(text.Flags, 0x4003u);

  struct TCase {
    std::uint8_t Type;
    std::uint32_t Length;
    bool Numeric;
  };
  const TCase cases[] = {
      {MYSQL_TYPE_LONG, 11, true},        {MYSQL_TYPE_INT24, 9, true},      {MYSQL_TYPE_YEAR, 4, true},
      {MYSQL_TYPE_TIMESTAMP, 19, false},  {MYSQL_TYPE_TIMESTAMP, 14, true}, {MYSQL_TYPE_DATETIME, 19, false},
      {MYSQL_TYPE_NEWDECIMAL, 10, false},
  };
  for (const TCase& c : cases) {
    const TMySqlFieldInfo f = ParseFieldInfo(ColumnDefinition41("c", c.Type, c.Length), true, true);
    EXPECT_EQ((f.Flags & NUM_FLAG) != 0, c.Numeric) << int(c.Type) << "/" << c.Length;
  }
}

TEST(ParseFieldInfo, ReadsPre41DefinitionsWithAndWithoutLongFlags) {
  const TBytes longFlags = TBytesWriter()
                               .LengthString("t")
                               .LengthString("id")
                               .Byte(3)
                               .Int(11, 3)
                               .Byte(1)
                               .Byte(MYSQL_TYPE_LONG)
                               .Byte(3)
                               .Int(0x0203, 2)
                               .Byte(0)
                               .Bytes();
  const TMySqlFieldInfo a = ParseFieldInfo(longFlags, false, true);
  EXPECT_EQ(a.Table, "t");
  EXPECT_EQ(a.OrgTable, "t");
  EXPECT_EQ(a.Name, "id");
  EXPECT_EQ(a.Length, 11u);
  EXPECT_EQ(a.Flags, 0x0203u | NUM_FLAG);
  EXPECT_EQ(a.CharsetNr, 0);

  const TBytes shortFlags = TBytesWriter()
                                .LengthString("t")
                                .LengthString("s")
                                .Byte(3)
                                .Int(20, 3)
                                .Byte(1)
                                .Byte(MYSQL_TYPE_VAR_STRING)
                                .Byte(2)
                                .Byte(0x01)
                                .Byte(0)
                                .Bytes();
  EXPECT_EQ(ParseFieldInfo(shortFlags, false, false).Flags, 0x01u);
}

TEST(ParseFieldInfo, TruncatedDefinitionsAreMalformed) {
  const TBytes full = ColumnDefinition41("name");
  for (std::size_t cut = 1; cut < full.size() - 2; cut += 3) {
    const TBytes part(full.begin(), full.begin() + static_cast<long>(cut));
    EXPECT_EQ(CodeOf([&] { ParseFieldInfo(part, true, true); }), CR_MALFORMED_PACKET) << cut;
  }
}

TEST(LocateRowValues, LocatesValuesInPlace) {
  const std::string big(300, 'v');
  const TBytes row = TextRow({std::string("abc"), std::nullopt, std::string(), big});
  std::vector<TMySqlBind> slots(4);
  LocateRowValues(row, slots);
  EXPECT_FALSE(slots[0].IsNull);
  EXPECT_EQ(slots[0].Offset, 1u);
  EXPECT_EQ(slots[0].Length, 3u);
  EXPECT_TRUE(slots[1].IsNull);
  EXPECT_EQ(slots[1].Length, 0u);
  EXPECT_FALSE(slots[2].IsNull);
  EXPECT_EQ(slots[2].Length, 0u);
  // 300 bytes follow the prefix 252 0x2C 0x01.
  EXPECT_EQ(row[slots[3].Offset - 3], 252);
  EXPECT_EQ(row[slots[3].Offset - 2], 0x2C);
  EXPECT_EQ(row[slots[3].Offset - 1], 0x01);
  EXPECT_EQ(slots[3].Length, 300u);
}

TEST(LocateRowValues, ShortOrBrokenRowsRaise) {
  std::vector<TMySqlBind> slots(2);
  const TBytes oneValue = TextRow({std::string("a")});
  EXPECT_EQ(CodeOf([&] { LocateRowValues(oneValue, slots); }), CR_MALFORMED_PACKET);
  const TBytes runsPastEnd{1, 'a', 10, 'b'};
  EXPECT_EQ(CodeOf([&] { LocateRowValues(runsPastEnd, slots); }), CR_MALFORMED_PACKET);
  const TBytes cutPrefix{1, 'a', 253, 1};
  EXPECT_EQ(CodeOf([&] { LocateRowValues(cutPrefix, slots); }), CR_MALFORMED_PACKET);
  const TBytes prefix255{1, 'a', 255};
  EXPECT_EQ(CodeOf([&] { LocateRowValues(prefix255, slots); }), CR_MALFORMED_PACKET);
  // 2^32 + 5 in the eight-byte form, five bytes behind it: the high bytes count too.
  const TBytes wideLength{1, 'a', 254, 5, 0, 0, 0, 1, 0, 0, 0, 'v', 'a', 'l', 'u', 'e'};
  EXPECT_EQ(CodeOf([&] { LocateRowValues(wideLength, slots); }), CR_MALFORMED_PACKET);
}

TEST(EndPacket, IsRecognisedOnlyWhenShort) {
  EXPECT_TRUE(IsEndPacket(EndPacket()));
  EXPECT_FALSE(IsEndPacket(TBytes{}));
  EXPECT_FALSE(IsEndPacket(TBytes(9, 254)));
  const TMySqlEndPacket end = ParseEndPacket(EndPacket(4, 0x0A));
  EXPECT_EQ(end.WarningCount, 4);
  EXPECT_EQ(end.ServerStatus, 0x0A);
  EXPECT_FALSE(ParseEndPacket(TBytes{254}).HasStatus);
}
