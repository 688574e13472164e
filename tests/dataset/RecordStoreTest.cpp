#include "dataset/Blob.h"
#include "dataset/DateTime.h"
#include "dataset/MemData.h"
#include "dataset/RecordValues.h"
#include "platform/BulkMemory.h"
#include "tests/support/HeapInUse.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace {

TFieldDesc Desc(const char* name, TDataType type, int length = 0) {
  TFieldDesc desc;
  desc.Name = desc.ActualName = name;
  desc.DataType = type;
  desc.Length = length;
  return desc;
}

// The pixel table as a Unicode connection sees it.
void AddPixelFields(TMemData& data) {
  data.Fields = {Desc("mac", dtWideString, 17),
                 Desc("PixelType", dtExtWideString, 64),
                 Desc("ShieldType", dtExtWideString, 64),
                 Desc("birthday", dtDateTime),
                 Desc("Org_ID", dtInt32),
                 Desc("note", dtExtWideString, 255)};
  data.InitLayout();
}

}  // namespace

TEST(RecordLayout, SizesOffsetsAndNullArea) {
  struct Case {
    TDataType type;
    int length;
    int size;
  };
  const Case cases[] = {{dtString, 10, 11}, {dtBytes, 4, 5},      {dtVarBytes, 4, 6},     {dtWideString, 32, 66},
                        {dtInt8, 0, 2},     {dtUInt8, 0, 2},      {dtInt16, 0, 2},        {dtUInt16, 0, 2},
                        {dtBoolean, 0, 2},  {dtInt32, 0, 4},      {dtUInt32, 0, 4},       {dtInt64, 0, 8},
                        {dtFloat, 0, 8},    {dtBCD, 0, 8},        {dtDate, 0, 8},         {dtTime, 0, 8},
                        {dtDateTime, 0, 8}, {dtFMTBCD, 10, 34},   {dtFMTBCD, 40, 41},     {dtFMTBCD, 65, 64},
                        {dtBlob, 0, 8},     {dtExtString, 40, 8}, {dtExtWideString, 0, 8}};
  for (const Case& c : cases) EXPECT_EQ(FieldSizeOf(Desc("f", c.type, c.length)), c.size) << "type " << c.type;

  TFieldDescs descs = {Desc("a", dtString, 2), Desc("w", dtWideString, 3), Desc("i", dtInt32)};
  for (std::size_t i = 0; i < descs.size(); ++i) descs[i].FieldNo = static_cast<int>(i) + 1;
  TRecordLayout layout = ComputeRecordLayout(descs);
  EXPECT_EQ(descs[0].Offset, 0);
  EXPECT_EQ(descs[1].Offset, 4);  // a pad byte puts the wide string on an even offset
  EXPECT_EQ(descs[2].Offset, 12);
  EXPECT_EQ(layout.DataSize, 16);
  EXPECT_EQ(layout.RecordSize, 20);  // 16 + 3 null bytes, rounded up to even
}

TEST(RecordValues, RoundTripOfEveryStoredKind) {
  TMemData data;
  data.Fields = {Desc("s", dtString, 5),      Desc("w", dtWideString, 4),
                 Desc("xs", dtExtString, 40), Desc("xw", dtExtWideString, 40),
                 Desc("vb", dtVarBytes, 6),   Desc("b", dtBoolean),
                 Desc("i8", dtInt8),          Desc("u16", dtUInt16),
                 Desc("i32", dtInt32),        Desc("u32", dtUInt32),
                 Desc("i64", dtInt64),        Desc("f", dtFloat),
                 Desc("bcd", dtBCD),          Desc("fmt", dtFMTBCD, 20),
                 Desc("dt", dtDateTime),      Desc("memo", dtWideMemo)};
  data.InitLayout();
  char* record = data.NewEmptyRecord();
  const TValue values[] = {std::string("abcde"),
                           std::string("\xC3\xA4\xE2\x82\xAC"
                                       "ab"),
                           std::string("a\0'\\\r\n\x1A"
                                       "z",
                                       8),
                           std::string("x\0y", 3),
                           std::string("\0\1\2", 3),
                           true,
                           std::int64_t{-5},
                           std::int64_t{65535},
                           std::int64_t{-2147483647 - 1},
                           std::int64_t{4294967295},
                           std::int64_t{-9000000000000000000},
                           1.5e-300,
                           12.3456,
                           std::string("-12345678901234.567"),
                           44298.25,
                           std::string("\xE2\x82\xAC memo")};
  for (std::size_t i = 0; i < data.Fields.size(); ++i) {
    EXPECT_TRUE(IsNullValue(ReadFieldValue(data, record, data.Fields[i]))) << data.Fields[i].Name;
    WriteFieldValue(data, record, data.Fields[i], values[i]);
  }
  for (std::size_t i = 0; i < data.Fields.size(); ++i)
    EXPECT_EQ(ReadFieldValue(data, record, data.Fields[i]), values[i]) << data.Fields[i].Name;

  WriteFieldValue(data, record, data.Fields[2], std::string());
  EXPECT_EQ(ReadFieldValue(data, record, data.Fields[2]), TValue(std::string()))
      << "an empty out-of-line text is a value, not NULL";
  data.DiscardRecord(record);
}

// The length of an out-of-line value takes one byte below 255 and five from there: each side of
// that edge, every byte comes back, zeros included.
TEST(RecordValues, OutOfLineValuesOfEveryLengthKeepTheirBytes) {
  TMemData data;
  data.Fields = {Desc("xb", dtExtVarBytes, 0)};
  data.InitLayout();
  char* record = data.NewEmptyRecord();
  for (std::size_t length : {0, 1, 17, 254, 255, 256, 70000}) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i % 7 == 0 ? 0 : 0xFF - i % 251);
    WriteFieldValue(data, record, data.Fields[0], bytes);
    ASSERT_EQ(ReadFieldValue(data, record, data.Fields[0]), TValue(bytes)) << length;
  }
  data.DiscardRecord(record);
}

TEST(RecordValues, TextIsWrittenIntoAReusedBufferWithNothingLeftOver) {
  TMemData data;
  data.Fields = {Desc("s", dtString, 5),    Desc("w", dtWideString, 4), Desc("xs", dtExtString, 40),
                 Desc("vb", dtVarBytes, 6), Desc("n", dtExtString, 40), Desc("f", dtFloat)};
  data.InitLayout();
  char* record = data.NewEmptyRecord();
  const std::string texts[] = {"ab",
                               "\xC3\xA4\xE2\x82\xAC"
                               "a",
                               std::string("a\0z", 3), std::string("\0\1", 2)};
  for (std::size_t i = 0; i < std::size(texts); ++i) WriteFieldValue(data, record, data.Fields[i], texts[i]);
  WriteFieldValue(data, record, data.Fields[5], 7.5);

  std::string out;
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    out = "a longer text left over from the value read before";
    ASSERT_TRUE(ReadFieldText(data, record, data.Fields[i], out)) << data.Fields[i].Name;
    EXPECT_EQ(out, texts[i]) << data.Fields[i].Name;
  }
  out = "left over";
  EXPECT_TRUE(ReadFieldText(data, record, data.Fields[4], out));
  EXPECT_EQ(out, "") << "NULL reads as an empty text";
  out = "left over";
  EXPECT_FALSE(ReadFieldText(data, record, data.Fields[5], out)) << "a float is formatted from its value";
  EXPECT_EQ(out, "left over");
  data.DiscardRecord(record);
}

// Words, overlapping tails and short texts each looked at: a non-ASCII byte anywhere is found.
TEST(RecordValues, NonAsciiByteIsFoundAtEveryPlace) {
  for (std::size_t size = 0; size <= 20; ++size) {
    std::string text(size, 'a');
    EXPECT_TRUE(IsAsciiText(text)) << size;
    for (std::size_t at = 0; at < size; ++at) {
      text[at] = '\x80';
      EXPECT_FALSE(IsAsciiText(text)) << size << " at " << at;
      EXPECT_TRUE(IsAsciiText(std::string_view(text).substr(0, at))) << size << " before " << at;
      text[at] = 'a';
    }
  }
}

// Integers are written straight from the record; their text must be that of their value.
TEST(RecordValues, IntegerTextIsTheTextOfItsValue) {
  TMemData data;
  TFieldDesc unsignedBig = Desc("ub", dtInt64);
  unsignedBig.IsUnsigned = true;
  data.Fields = {Desc("i8", dtInt8),   Desc("u16", dtUInt16), Desc("b", dtBoolean),
                 Desc("i32", dtInt32), Desc("u32", dtUInt32), Desc("i64", dtInt64),
                 unsignedBig,          Desc("u64", dtUInt64), Desc("n", dtInt32)};
  data.InitLayout();
  char* record = data.NewEmptyRecord();
  const std::pair<TValue, std::string> cases[] = {{std::int64_t{-128}, "-128"},
                                                  {std::int64_t{65535}, "65535"},
                                                  {true, "1"},
                                                  {std::int64_t{-2147483647 - 1}, "-2147483648"},
                                                  {std::int64_t{4294967295}, "4294967295"},
                                                  {std::int64_t{-9223372036854775807 - 1}, "-9223372036854775808"},
                                                  {std::int64_t{-1}, "18446744073709551615"},
                                                  {std::int64_t{-1}, "18446744073709551615"},
                                                  {std::monostate{}, ""}};
  std::string out;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    WriteFieldValue(data, record, data.Fields[i], cases[i].first);
    out = "a longer text left over from the value read before";
    ASSERT_TRUE(ReadFieldText(data, record, data.Fields[i], out)) << data.Fields[i].Name;
    EXPECT_EQ(out, cases[i].second) << data.Fields[i].Name;
  }
  data.DiscardRecord(record);
}

TEST(RecordValues, DateTimeTextIsWrittenInTheFormOfItsType) {
  TMemData data;
  data.Fields = {Desc("d", dtDate), Desc("t", dtTime), Desc("dt", dtDateTime), Desc("n", dtDateTime)};
  data.InitLayout();
  char* record = data.NewEmptyRecord();
  const std::pair<TValue, std::string> cases[] = {
      {41741.5, "2014-04-12"}, {-0.0625, "-01:30:00"}, {-1.25, "1899-12-29 06:00:00"}, {std::monostate{}, ""}};
  std::string out;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    WriteFieldValue(data, record, data.Fields[i], cases[i].first);
    out = "a longer text left over from the value read before";
    ASSERT_TRUE(ReadFieldText(data, record, data.Fields[i], out)) << data.Fields[i].Name;
    EXPECT_EQ(out, cases[i].second) << data.Fields[i].Name;
  }
  data.DiscardRecord(record);
}

TEST(RecordValues, InlineTextIsCutToTheFieldLength) {
  TMemData data;
  data.Fields = {Desc("s", dtString, 3), Desc("w", dtWideString, 2)};
  data.InitLayout();
  char* record = data.NewEmptyRecord();
  WriteFieldValue(data, record, data.Fields[0], std::string("abcdef"));
  WriteFieldValue(data, record, data.Fields[1], std::string("xyz"));
  EXPECT_EQ(ReadFieldValue(data, record, data.Fields[0]), TValue(std::string("abc")));
  EXPECT_EQ(ReadFieldValue(data, record, data.Fields[1]), TValue(std::string("xy")));
  EXPECT_EQ(record[data.Layout().DataSize], 0) << "null byte of field 1 cleared";
  data.DiscardRecord(record);
}

// Plain ASCII and other text take different inline forms; one field going from one to the
// other must never show the form left before.
TEST(RecordValues, InlineWideTextChangesBetweenAsciiAndOtherText) {
  TMemData data;
  data.Fields = {Desc("w", dtWideString, 4), Desc("i", dtInt32)};
  data.InitLayout();
  char* record = data.NewEmptyRecord();
  WriteFieldValue(data, record, data.Fields[1], std::int64_t{-1});
  const std::string texts[] = {"abcd", "\xE2\x82\xAC\xE2\x82\xAC", "x", std::string("a\0b", 3), "", "\xC3\xA4"};
  std::string out;
  for (const std::string& text : texts) {
    WriteFieldValue(data, record, data.Fields[0], text);
    EXPECT_EQ(ReadFieldValue(data, record, data.Fields[0]), TValue(text));
    ASSERT_TRUE(ReadFieldText(data, record, data.Fields[0], out));
    EXPECT_EQ(out, text);
  }
  EXPECT_EQ(ReadFieldValue(data, record, data.Fields[1]), TValue(std::int64_t{-1})) << "neighbour untouched";
  data.DiscardRecord(record);
}

TEST(RecordStore, CopiesShareOutOfLineValuesUntilTheLastUseIsGone) {
  TMemData data;
  AddPixelFields(data);
  EXPECT_EQ(data.RecordSize(), 36 + 8 + 8 + 8 + 4 + 8 + 6);
  char* stored = data.NewEmptyRecord();
  WriteFieldValue(data, stored, data.Fields[5], std::string("first note"));
  data.AppendRecord(stored);

  char* copy = data.NewRecord();
  data.CopyRecord(copy, stored);
  EXPECT_EQ(LoadReference(copy, data.Fields[5]), LoadReference(stored, data.Fields[5]));
  WriteFieldValue(data, copy, data.Fields[5], std::string("second note"));
  EXPECT_EQ(ReadFieldValue(data, stored, data.Fields[5]), TValue(std::string("first note")));
  data.ReplaceRecord(0, copy);
  EXPECT_EQ(ReadFieldValue(data, data.Record(0), data.Fields[5]), TValue(std::string("second note")));
}

TEST(RecordStore, InsertAndDeleteKeepTheIndexInRowOrder) {
  TMemData data;
  data.Fields = {Desc("n", dtInt32)};
  data.InitLayout();
  data.ReserveBlock(25);
  for (int i = 0; i < 5; ++i) {
    char* record = data.NewRecord();
    WriteFieldValue(data, record, data.Fields[0], std::int64_t{i});
    data.AppendRecord(record);
  }
  char* inserted = data.NewEmptyRecord();
  WriteFieldValue(data, inserted, data.Fields[0], std::int64_t{99});
  data.InsertRecord(2, inserted);
  data.DeleteRecord(0);
  std::vector<TValue> order;
  for (std::size_t i = 0; i < data.RecordCount(); ++i)
    order.push_back(ReadFieldValue(data, data.Record(i), data.Fields[0]));
  EXPECT_EQ(order, (std::vector<TValue>{std::int64_t{1}, std::int64_t{99}, std::int64_t{2}, std::int64_t{3},
                                        std::int64_t{4}}));
  char* reused = data.NewRecord();
  EXPECT_EQ(ReadFieldValue(data, reused, data.Fields[0]), TValue(std::int64_t{0}))
      << "a reused record starts zero-filled";
  data.DiscardRecord(reused);
}

// 16,384 VARCHAR(31) columns make records of about 1 MB: a fetch block of 25 of them would hold
// 26 MB before the rows arrive.
TEST(RecordStore, WideRecordsAreReservedAChunkAtATime) {
  TMemData data;
  data.Fields.assign(16384, Desc("v", dtWideString, 31));
  data.InitLayout();
  const std::size_t recordSize = static_cast<std::size_t>(data.RecordSize());
  ASSERT_GT(recordSize, std::size_t{1} << 20);
  // Big chunks are mapped in bulk, out of the C heap's sight.
  auto held = [] { return HeapInUse() + BulkBytesHeld(); };
  const std::size_t before = held();
  data.ReserveBlock(25);
  EXPECT_LT(held() - before, TChunkArena::LastChunk + recordSize);
  for (int i = 0; i < 3; ++i) data.AppendRecord(data.NewRecord());
  EXPECT_EQ(data.RecordCount(), 3u);
}

// Enough rows for records and heap buffers to spread over chunks of every size, so that a carve
// that overlapped another or ran past its chunk would show in the values read back.
TEST(RecordStore, ManyFetchBlocksKeepEveryValue) {
  TMemData data;
  AddPixelFields(data);
  constexpr int Rows = 60000;
  auto noteOf = [](int i) { return std::string(static_cast<std::size_t>(i % 200), 'n') + std::to_string(i); };
  for (int i = 0; i < Rows; ++i) {
    if (i % 25 == 0) data.ReserveBlock(25);
    char* record = data.NewRecord();
    WriteFieldValue(data, record, data.Fields[4], std::int64_t{i});
    WriteFieldValue(data, record, data.Fields[5], noteOf(i));
    data.AppendRecord(record);
  }
  for (int i = 0; i < Rows; i += 7) {
    const char* record = data.Record(static_cast<std::size_t>(i));
    ASSERT_EQ(ReadFieldValue(data, record, data.Fields[4]), TValue(std::int64_t{i}));
    ASSERT_EQ(ReadFieldValue(data, record, data.Fields[5]), TValue(noteOf(i)));
  }
  data.ClearRecords();
  EXPECT_TRUE(data.StringHeap().Empty());
}

TEST(StringHeap, ReusesFreedBuffersOfTheSameSizeClass) {
  TStringHeap heap;
  char* a = heap.Alloc(10);
  EXPECT_EQ(heap.AddRef(a), a);
  heap.DisposeBuf(a);
  char* b = heap.Alloc(12);
  EXPECT_NE(a, b) << "a still has a use";
  heap.DisposeBuf(a);
  EXPECT_EQ(heap.Alloc(11), a) << "same multiple of 8 bytes";
  char* large = heap.Alloc(5000);
  std::memset(large, 'x', 5000);
  heap.DisposeBuf(large);
  heap.Clear();
  EXPECT_TRUE(heap.Empty());
}

// A value shared by as many rows as a use count holds is not shared further: the next equal value
// gets a buffer of its own, and a buffer with every use taken is copied rather than shared.
TEST(StringHeap, SharingStopsBeforeTheUseCountIsFull) {
  TMemData data;
  AddPixelFields(data);
  const TFieldDesc& type = data.Fields[1];
  std::vector<const char*> buffers;
  for (int i = 0; i < 40000; ++i) {
    char* record = data.NewRecord();
    StoreReference(record, type, AllocColumnExtBytes(data.StringHeap(), 1, "Pixel-A"));
    buffers.push_back(LoadReference(record, type));
    data.AppendRecord(record);
  }
  EXPECT_EQ(buffers.front(), buffers[30000]);
  EXPECT_NE(buffers.front(), buffers.back());
  EXPECT_EQ(ExtBytes(buffers.back()), "Pixel-A");

  TStringHeap heap;
  char* full = heap.Alloc(12);
  std::memcpy(full, "twelve bytes", 12);
  for (int i = 1; i < 0xFFFF; ++i) ASSERT_EQ(heap.AddRef(full), full);
  char* copy = heap.AddRef(full);
  EXPECT_NE(copy, full);
  EXPECT_EQ(std::string_view(copy, 12), "twelve bytes");
}

TEST(Blob, PiecesReadWriteTruncateAndCancel) {
  TBlob* blob = new TBlob();
  blob->PieceSize = 4;
  blob->Write(0, 10, "0123456789");
  EXPECT_EQ(blob->PieceCount(), 3u);
  blob->Commit();
  blob->Write(100, 2, "ab");  // past the end: appended
  blob->Write(2, 3, "XYZ");
  EXPECT_EQ(blob->AsBytes(), "01XYZ56789ab");
  char out[4] = {};
  EXPECT_EQ(blob->Read(10, 0, out), 2u);
  EXPECT_EQ(blob->Read(12, 4, out), 0u);
  blob->Truncate(5);
  EXPECT_EQ(blob->AsBytes(), "01XYZ");
  blob->Cancel();
  EXPECT_EQ(blob->AsBytes(), "0123456789");
  blob->Defrag();
  EXPECT_EQ(blob->PieceCount(), 1u);
  blob->Release();

  TBlob* wide = new TBlob(true);
  wide->SetAsString(
      "\xE2\x82\xAC"
      "1");
  EXPECT_EQ(wide->GetSize(), 4u);
  EXPECT_EQ(wide->AsWideString(), u"\u20AC1");
  EXPECT_EQ(wide->AsString(),
            "\xE2\x82\xAC"
            "1");
  wide->Release();
}

TEST(DateTime, EncodeDecodeFormatAndParse) {
  TDateTime value = 0;
  ASSERT_TRUE(TryEncodeDate(2014, 4, 12, value));
  EXPECT_DOUBLE_EQ(value, 41741);
  EXPECT_FALSE(TryEncodeDate(0, 0, 0, value));
  EXPECT_FALSE(TryEncodeDate(2014, 2, 29, value));
  EXPECT_DOUBLE_EQ(ZeroDate(), -657434);
  EXPECT_EQ(FormatDateTime(CombineDateTime(41741, EncodeTime(10, 11, 12))), "2014-04-12 10:11:12");
  EXPECT_EQ(FormatDateTime(-1.25), "1899-12-29 06:00:00");
  EXPECT_EQ(FormatDate(ZeroDate()), "0100-01-01");
  EXPECT_EQ(FormatTime(-0.0625), "-01:30:00");
  EXPECT_EQ(FormatTime(EncodeTime(838, 59, 59)), "838:59:59");
  ASSERT_TRUE(TryParseDateTime("1899-12-29 06:00:00", value));
  EXPECT_DOUBLE_EQ(value, -1.25);
  ASSERT_TRUE(TryParseDateTime("-01:30:00", value));
  EXPECT_DOUBLE_EQ(value, -0.0625);
  EXPECT_FALSE(TryParseDateTime("2014-13-01", value));
  EXPECT_FALSE(TryParseDateTime("12:61:00", value));
}

// Text to value and back across the base date, leap days and the ends of the date range;
// fractions round to the millisecond, the text cuts to the second, a full day stays in the day.
TEST(DateTime, FormatsWhatItParsesAndRoundsToTheMillisecond) {
  for (const char* text : {"1899-12-30 00:00:00", "1899-12-29 23:59:59", "1899-12-29 00:00:01", "1899-12-31 00:00:00",
                           "1600-02-29 12:00:00", "1900-03-01 00:00:00", "2000-02-29 23:59:59", "2100-03-01 00:00:01",
                           "0001-01-01 00:00:00", "9999-12-31 23:59:59", "0100-01-01 00:00:00"}) {
    TDateTime value = 0;
    ASSERT_TRUE(TryParseDateTime(text, value)) << text;
    EXPECT_EQ(FormatDateTime(value), text);
  }
  TDateTime unused = 0;
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, unused));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, unused));

  struct Case {
    TDateTime value;
    const char* text;
    int milliSecond;
  };
  const double ms = 1.0 / 86400000;
  const Case cases[] = {
      {41741 + 0.999999999, "2014-04-12 23:59:59", 999},  // rounds to a full day: stays in it
      {41741 + 999.6 * ms, "2014-04-12 00:00:01", 0},
      {41741 + 999.4 * ms, "2014-04-12 00:00:00", 999},
      {-1 - 0.25 * ms, "1899-12-29 00:00:00", 0},  // fractions before the base run from midnight
      {-1 - 1000.6 * ms, "1899-12-29 00:00:01", 1},
      {-0.5, "1899-12-30 12:00:00", 0},  // no whole day: the base date itself
      {-2.75, "1899-12-28 18:00:00", 0},
      {std::numeric_limits<double>::infinity(), "1899-12-30 00:00:00", 0},
      {std::numeric_limits<double>::quiet_NaN(), "1899-12-30 00:00:00", 0},
      {1e19, "1899-12-30 00:00:00", 0},  // no whole-day count: decoded like an infinity
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatDateTime(c.value), c.text) << c.value;
    EXPECT_EQ(DecodeDateTime(c.value).MilliSecond, c.milliSecond) << c.value;
  }
}
