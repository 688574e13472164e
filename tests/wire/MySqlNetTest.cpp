#include "tests/support/HeapInUse.h"
#include "tests/support/MemoryVio.h"
#include "wire/MySqlErrors.h"
#include "wire/MySqlNet.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <stdexcept>

namespace {

// The packet layer over a memory transport that it owns.
struct TNetFixture {
  TMySqlNet Net;
  TMemoryVio* Vio;
  explicit TNetFixture(TBytes incoming = {}) {
    auto vio = std::make_unique<TMemoryVio>(std::move(incoming));
    Vio = vio.get();
    Net.SetVio(std::move(vio));
  }
};

EMySqlException Raised(const std::function<void()>& action) {
  try {
    action();
  } catch (const EMySqlException& e) {
    return e;
  }
  return EMySqlException(0);
}

// Frames written with compression on, inflated and joined.
TBytes Unframe(const TBytes& written, std::vector<std::uint8_t>* sequences = nullptr) {
  TBytes plain;
  std::size_t pos = 0;
  while (pos < written.size()) {
    const std::size_t length = Int24(&written[pos]);
    const std::size_t uncompressed = Int24(&written[pos + 4]);
    if (sequences) sequences->push_back(written[pos + 3]);
    const std::uint8_t* body = &written[pos + 7];
    if (uncompressed == 0) {
      plain.insert(plain.end(), body, body + length);
    } else {
      TBytes out(uncompressed);
      uLongf outLength = uncompressed;
      EXPECT_EQ(uncompress(out.data(), &outLength, body, length), Z_OK);
      plain.insert(plain.end(), out.begin(), out.end());
    }
    pos += 7 + length;
  }
  return plain;
}

}  // namespace

TEST(TMySqlNet, SendsOneFramedPacketPerMessageAndCountsSequence) {
  TNetFixture f;
  f.Net.NewCommand();
  f.Net.WriteByte(3);
  f.Net.WriteString("ab");
  f.Net.WriteInt16(0x0201);
  f.Net.WriteFieldLength(300);
  f.Net.Send();
  f.Net.Send();  // empty body: nothing goes out
  f.Net.WriteByte(9);
  f.Net.Send();
  ASSERT_EQ(f.Vio->Writes().size(), 2u);
  EXPECT_EQ(f.Vio->Writes()[0], (TBytes{9, 0, 0, 0, 3, 'a', 'b', 0, 1, 2, 252, 0x2C, 0x01}));
  EXPECT_EQ(f.Vio->Writes()[1], (TBytes{1, 0, 0, 1, 9}));
}

TEST(TMySqlNet, WritesLengthEncodedIntegersInTheShortestForm) {
  struct TCase {
    std::uint64_t Value;
    TBytes Bytes;
  };
  const TCase cases[] = {
      {250, {250}},
      {251, {252, 251, 0}},
      {65535, {252, 255, 255}},
      {65536, {253, 0, 0, 1}},
      {16777215, {253, 255, 255, 255}},
      {16777216, {254, 0, 0, 0, 1, 0, 0, 0, 0}},
  };
  for (const TCase& c : cases) {
    TNetFixture f;
    f.Net.NewCommand();
    f.Net.WriteFieldLength(c.Value);
    f.Net.Send();
    const TBytes written = f.Vio->Written();
    EXPECT_EQ(TBytes(written.begin() + 4, written.end()), c.Bytes) << c.Value;
  }
}

TEST(TMySqlNet, LargeBodyLeavesInTwoWritesWithoutCopy) {
  TNetFixture f;
  const TBytes argument(8192, 'q');
  f.Net.NewCommand();
  f.Net.WriteByte(3);
  f.Net.WriteOrSendBytes(argument.data(), argument.size());
  f.Net.Send();
  const auto& writes = f.Vio->Writes();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].size(), 8192u);
  EXPECT_EQ(Int24(writes[0].data()), 8193u);
  EXPECT_EQ(writes[0][3], 0);
  EXPECT_EQ(writes[1].size(), 5u);
}

TEST(TMySqlNet, BodiesOfFullPacketsAreSplitAndClosed) {
  struct TCase {
    std::size_t Argument;
    std::vector<std::size_t> PacketLengths;
  };
  const TCase cases[] = {
      {MAX_PACKET_LENGTH - 1, {MAX_PACKET_LENGTH, 0}},
      {MAX_PACKET_LENGTH + 9, {MAX_PACKET_LENGTH, 10}},
      {2 * MAX_PACKET_LENGTH - 1, {MAX_PACKET_LENGTH, MAX_PACKET_LENGTH, 0}},
  };
  for (const TCase& c : cases) {
    TNetFixture f;
    const TBytes argument(c.Argument, 'x');
    f.Net.NewCommand();
    f.Net.WriteByte(3);
    f.Net.WriteOrSendBytes(argument.data(), argument.size());
    f.Net.Send();
    const TBytes written = f.Vio->Written();
    std::vector<std::size_t> lengths;
    std::size_t pos = 0;
    std::uint8_t expectedSequence = 0;
    while (pos < written.size()) {
      const std::size_t length = Int24(&written[pos]);
      EXPECT_EQ(written[pos + 3], expectedSequence++);
      lengths.push_back(length);
      pos += 4 + length;
    }
    EXPECT_EQ(pos, written.size());
    EXPECT_EQ(lengths, c.PacketLengths) << c.Argument;
  }
}

TEST(TMySqlNet, JoinsContinuedPacketsIntoOneMessage) {
  const TBytes full(MAX_PACKET_LENGTH, 'z');
  TBytes incoming = WirePacket(0, full);
  const TBytes empty = WirePacket(1, {});
  incoming.insert(incoming.end(), empty.begin(), empty.end());
  const TBytes next = WirePacket(2, {'n'});
  incoming.insert(incoming.end(), next.begin(), next.end());
  TNetFixture f(incoming);
  f.Net.ReceiveRow();
  EXPECT_EQ(f.Net.GetLength(), MAX_PACKET_LENGTH);
  f.Net.ReceiveRow();
  EXPECT_EQ(f.Net.GetLength(), 1u);
  EXPECT_EQ(f.Net.ReadByte(), 'n');
}

TEST(TMySqlNet, MessagesBeyondTheLimitRaise2020) {
  const TBytes full(MAX_PACKET_LENGTH, 'z');
  TBytes incoming = WirePacket(0, full);
  const TBytes more = WirePacket(1, TBytes(1000, 'y'));
  incoming.insert(incoming.end(), more.begin(), more.end());
  TNetFixture f(incoming);
  f.Net.SetMaxAllowedPacket(MAX_PACKET_LENGTH + 999);
  EXPECT_EQ(Raised([&] { f.Net.ReceiveRow(); }).ErrorCode(), CR_NET_PACKET_TOO_LARGE);
}

TEST(TMySqlNet, OutOfOrderPacketNamesBothNumbers) {
  TNetFixture f(WirePacket(5, {0}));
  f.Net.NewCommand();
  f.Net.WriteByte(14);
  f.Net.Send();
  const EMySqlException e = Raised([&] { f.Net.ReceiveRow(); });
  EXPECT_EQ(e.ErrorCode(), ER_NET_PACKETS_OUT_OF_ORDER);
  EXPECT_STREQ(e.what(), "\r\nReceiveHeader: Net packets out of order: received[5], expected[1]");
}

TEST(TMySqlNet, ShortReadsRaiseLostConnection) {
  const TBytes truncated{10, 0, 0, 0, 'a', 'b'};
  for (const TBytes& incoming : {TBytes{}, TBytes{3, 0}, truncated}) {
    TNetFixture f(incoming);
    const EMySqlException e = Raised([&] { f.Net.ReceiveRow(); });
    EXPECT_EQ(e.ErrorCode(), CR_SERVER_LOST);
    EXPECT_STREQ(e.what(), "Lost connection to MySQL server during query");
  }
}

TEST(TMySqlNet, ErrorPacketIsRaisedAsTheServerError) {
  TNetFixture f(WirePacket(0, TBytesWriter().Byte(255).Int(1045, 2).Raw("#28000Access denied").Bytes()));
  const EMySqlException e = Raised([&] { f.Net.ReceiveRow(); });
  EXPECT_EQ(e.ErrorCode(), 1045);
  EXPECT_STREQ(e.what(), "\r\n#28000Access denied");
}

TEST(TMySqlNet, SkipRowDropsLargeMessagesAndKeepsShortOnes) {
  TBytes incoming = WirePacket(0, TBytes(200000, 'r'));
  const TBytes end = WirePacket(1, {254, 0, 0, 2, 0});
  incoming.insert(incoming.end(), end.begin(), end.end());
  TNetFixture f(incoming);
  std::uint8_t first = 0;
  EXPECT_EQ(f.Net.SkipRow(first), 200000u);
  EXPECT_EQ(first, 'r');
  EXPECT_EQ(f.Net.SkipRow(first), 5u);
  EXPECT_EQ(first, 254);
  EXPECT_EQ(f.Net.GetRow().size(), 5u);
  EXPECT_EQ(f.Vio->Unread(), 0u);
}

TEST(TMySqlNet, SkipRowCountsTheWholeContinuedMessage) {
  // A row whose first value needs the 8-byte length prefix 254 and whose last packet is short must
  // not pass for an end packet.
  TBytes row(MAX_PACKET_LENGTH + 3, 'v');
  row[0] = 254;
  TBytes incoming = WirePacket(0, TBytes(row.begin(), row.begin() + MAX_PACKET_LENGTH));
  const TBytes rest = WirePacket(1, TBytes(row.begin() + MAX_PACKET_LENGTH, row.end()));
  incoming.insert(incoming.end(), rest.begin(), rest.end());
  TNetFixture f(incoming);
  std::uint8_t first = 0;
  EXPECT_EQ(f.Net.SkipRow(first), MAX_PACKET_LENGTH + 3);
  EXPECT_EQ(first, 254);
}

TEST(TMySqlNet, SkipRowRaisesErrorPackets) {
  TNetFixture f(
      WirePacket(0, TBytesWriter().Byte(255).Int(1317, 2).Raw("#70100Query execution was interrupted").Bytes()));
  std::uint8_t first = 0;
  EXPECT_EQ(Raised([&] { f.Net.SkipRow(first); }).ErrorCode(), 1317);
}

TEST(TMySqlNet, CompressesOnlyBodiesOverFiftyBytes) {
  TNetFixture f;
  f.Net.SetCompress(true);
  f.Net.NewCommand();
  f.Net.Fill('s', 36);  // 40 bytes with the header
  f.Net.Send();
  f.Net.Fill('l', 56);  // 60 bytes with the header
  f.Net.Send();
  const auto& writes = f.Vio->Writes();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(Int24(&writes[0][0]), 40u);
  EXPECT_EQ(writes[0][3], 0);
  EXPECT_EQ(Int24(&writes[0][4]), 0u);
  EXPECT_EQ(writes[1][3], 1);
  EXPECT_EQ(Int24(&writes[1][4]), 60u);
  // The inner packets keep their own sequence, synchronised with the frames.
  const TBytes plain = Unframe(f.Vio->Written());
  EXPECT_EQ(plain[3], 0);
  EXPECT_EQ(plain[40 + 3], 1);
}

TEST(TMySqlNet, CompressedLargeBodyArrivesIntact) {
  TNetFixture f;
  f.Net.SetCompress(true);
  TBytes argument(MAX_PACKET_LENGTH + 100);
  for (std::size_t i = 0; i < argument.size(); ++i) argument[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
  f.Net.NewCommand();
  f.Net.WriteByte(3);
  f.Net.WriteOrSendBytes(argument.data(), argument.size());
  f.Net.Send();
  std::vector<std::uint8_t> sequences;
  const TBytes plain = Unframe(f.Vio->Written(), &sequences);
  for (std::size_t i = 0; i < sequences.size(); ++i) EXPECT_EQ(sequences[i], i);
  ASSERT_EQ(plain.size(), 4 + MAX_PACKET_LENGTH + 4 + 101);
  EXPECT_EQ(Int24(&plain[0]), MAX_PACKET_LENGTH);
  EXPECT_EQ(plain[4], 3);
  EXPECT_TRUE(std::equal(argument.begin(), argument.begin() + MAX_PACKET_LENGTH - 1, plain.begin() + 5));
  const std::size_t second = 4 + MAX_PACKET_LENGTH;
  EXPECT_EQ(Int24(&plain[second]), 101u);
  EXPECT_TRUE(std::equal(argument.end() - 101, argument.end(), plain.begin() + second + 4));
}

TEST(TMySqlNet, ReceivesPacketsFromCompressedFrames) {
  // Two packets in one compressed frame, then one packet split over two plain frames.
  TBytes both = WirePacket(0, TBytes(70, 'a'));
  const TBytes second = WirePacket(0, {'b', 'c'});
  both.insert(both.end(), second.begin(), second.end());
  const TBytes third = WirePacket(0, TBytes(30, 'd'));
  TBytes incoming = WireFrame(1, both, true);
  const TBytes part1 = WireFrame(2, TBytes(third.begin(), third.begin() + 10), false);
  const TBytes part2 = WireFrame(3, TBytes(third.begin() + 10, third.end()), false);
  incoming.insert(incoming.end(), part1.begin(), part1.end());
  incoming.insert(incoming.end(), part2.begin(), part2.end());
  TNetFixture f(incoming);
  f.Net.SetCompress(true);
  f.Net.NewCommand();
  f.Net.WriteByte(14);
  f.Net.Send();
  f.Net.ReceiveRow();
  EXPECT_EQ(f.Net.GetLength(), 70u);
  f.Net.ReceiveRow();
  EXPECT_EQ(f.Net.ReadString(2), "bc");
  f.Net.ReceiveRow();
  EXPECT_EQ(f.Net.GetLength(), 30u);
}

TEST(TMySqlNet, BrokenCompressedFramesRaise) {
  {
    TNetFixture f(WireFrame(4, WirePacket(0, {1}), false));
    f.Net.SetCompress(true);
    f.Net.NewCommand();
    const EMySqlException e = Raised([&] { f.Net.ReceiveRow(); });
    EXPECT_EQ(e.ErrorCode(), ER_NET_PACKETS_OUT_OF_ORDER);
    EXPECT_STREQ(e.what(), "\r\nReceiveCompHeader: Net packets out of order: received[4], expected[0]");
  }
  {
    const TBytes garbage = TBytesWriter().Int(5, 3).Byte(0).Int(100, 3).Raw("xxxxx").Bytes();
    TNetFixture f(garbage);
    f.Net.SetCompress(true);
    f.Net.NewCommand();
    const EMySqlException e = Raised([&] { f.Net.ReceiveRow(); });
    EXPECT_EQ(e.ErrorCode(), ER_NET_UNCOMPRESS_ERROR);
    EXPECT_STREQ(e.what(), "\r\nCouldn't uncompress communication packet");
  }
}

TEST(TMySqlNet, HeaderClaimsReserveNoMemoryAheadOfTheBytes) {
  struct TCase {
    const char* Name;
    TBytes Incoming;
    bool Compress;
    int Code;
  };
  const TCase cases[] = {
      {"packet of 16 MiB, one byte", TBytes{0xFF, 0xFF, 0xFF, 0, 'x'}, false, CR_SERVER_LOST},
      {"frame of 16 MiB, one byte", TBytes{0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 'x'}, true, CR_SERVER_LOST},
      {"five bytes inflating to 16 MiB", TBytesWriter().Int(5, 3).Byte(0).Int(0xFFFFFF, 3).Raw("xxxxx").Bytes(), true,
       CR_MALFORMED_PACKET},
  };
  constexpr std::size_t Allowance = 1 << 20;
  for (const TCase& c : cases) {
    TNetFixture f(c.Incoming);
    f.Net.SetCompress(c.Compress);
    f.Net.NewCommand();
    const std::size_t before = HeapInUse();
    EXPECT_EQ(Raised([&] { f.Net.ReceiveRow(); }).ErrorCode(), c.Code) << c.Name;
    EXPECT_LT(HeapInUse(), before + Allowance) << c.Name;
  }
}

TEST(TMySqlNet, RowCountKeepsSeveralReceivedMessages) {
  TBytes incoming;
  for (std::uint8_t i = 0; i < 4; ++i) {
    const TBytes p = WirePacket(i, {static_cast<std::uint8_t>('a' + i)});
    incoming.insert(incoming.end(), p.begin(), p.end());
  }
  TNetFixture f(incoming);
  try {
    f.Net.SetRowCount(0);
    ADD_FAILURE() << "row count 0 accepted";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "RowCount must be more than zero");
  }
  f.Net.SetRowCount(3);
  for (int i = 0; i < 3; ++i) f.Net.ReceiveRow();
  EXPECT_EQ(f.Net.GetRows(1)[0], 'a');
  EXPECT_EQ(f.Net.GetRows(2)[0], 'b');
  EXPECT_EQ(f.Net.GetRows(0)[0], 'c');
  f.Net.SetRowCount(1);
  f.Net.ReceiveRow();
  EXPECT_EQ(f.Net.GetRow()[0], 'd');
}

TEST(TMySqlNet, ReadPrimitivesStayInsideTheMessage) {
  TNetFixture f(WirePacket(0, {252, 0x34, 0x12, 'h', 'i', 1, 2, 3, 4, 5, 6, 7}));
  f.Net.ReceiveRow();
  EXPECT_EQ(f.Net.ReadFieldLength(), 4660);
  EXPECT_EQ(f.Net.ReadString(2), "hi");
  EXPECT_EQ(f.Net.ReadInt32(), 0x04030201);
  EXPECT_EQ(Raised([&] { f.Net.ReadInt64(); }).ErrorCode(), CR_MALFORMED_PACKET);
  EXPECT_EQ(Raised([&] { f.Net.ReadInt32(); }).ErrorCode(), CR_MALFORMED_PACKET);
  EXPECT_EQ(f.Net.ReadString(), std::string("\x05\x06\x07"));
  EXPECT_EQ(Raised([&] { f.Net.ReadByte(); }).ErrorCode(), CR_MALFORMED_PACKET);
}
