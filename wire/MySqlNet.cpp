#include "wire/MySqlNet.h"

#include "wire/MessageFormat.h"
#include "wire/MySqlErrors.h"
#include "wire/MySqlMessages.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

constexpr std::size_t CompressThreshold = 50;
constexpr std::size_t ReceivePieceSize = 65536;
// Outgoing compressed frames carry at most this many uncompressed bytes, so that even an
// incompressible piece fits the 3-byte length fields of a frame.
constexpr std::size_t MaxFrameInput = 0x7FFFFF;
constexpr std::size_t CompressedHeaderSize = NET_HEADER_SIZE + COMP_HEADER_SIZE;
// Deflate expands at most about 1032 to 1; a frame claiming more cannot be genuine.
constexpr std::size_t MaxInflateRatio = 1032;
constexpr std::size_t InflateOverhead = 64;

void PutInt(std::uint8_t* p, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::size_t GetInt24(const std::uint8_t* p) {
  return static_cast<std::size_t>(p[0]) | static_cast<std::size_t>(p[1]) << 8 | static_cast<std::size_t>(p[2]) << 16;
}

}  // namespace

TMySqlNet::TMySqlNet() {
  FRows.emplace_back(BUFFER_LENGTH);
  Clear();
}

TMySqlNet::~TMySqlNet() {
  try {
    Close();
  } catch (...) {
  }
}

void TMySqlNet::SetVio(std::unique_ptr<TCRVio> vio) {
  if (Fvio) Fvio->Close();
  Fvio = std::move(vio);
}

void TMySqlNet::Close() {
  for (auto& row : FRows) row.SetLength(0);
  FCompressBuffer.SetLength(0);
  FCompressPos = 0;
  FRowNo = 0;
  FPosition = 0;
  if (!Fvio) return;
  std::unique_ptr<TCRVio> vio = std::move(Fvio);
  vio->Close();
}

// ---- building and sending ----

void TMySqlNet::NewCommand() {
  FPacketNumber = 0;
  FComprPacketNumber = 0;
  Clear();
}

void TMySqlNet::Clear() {
  Current().SetLength(NET_HEADER_SIZE);
  FPosition = NET_HEADER_SIZE;
}

void TMySqlNet::WriteByte(std::uint8_t value) {
  Current().Append(value);
}
void TMySqlNet::WriteInt16(std::uint16_t value) {
  PutInt(Current().Grow(2), value, 2);
}
void TMySqlNet::WriteInt24(std::uint32_t value) {
  PutInt(Current().Grow(3), value, 3);
}
void TMySqlNet::WriteInt32(std::uint32_t value) {
  PutInt(Current().Grow(4), value, 4);
}
void TMySqlNet::WriteInt64(std::uint64_t value) {
  PutInt(Current().Grow(8), value, 8);
}
void TMySqlNet::WriteBytes(std::span<const std::uint8_t> bytes) {
  Current().Append(bytes.data(), bytes.size());
}
void TMySqlNet::WriteBytes(const void* bytes, std::size_t count) {
  Current().Append(bytes, count);
}

void TMySqlNet::WriteString(std::string_view text) {
  Current().Append(text.data(), text.size());
  WriteByte(0);
}

void TMySqlNet::WriteFieldLength(std::uint64_t n) {
  if (n <= 250) {
    WriteByte(static_cast<std::uint8_t>(n));
  } else if (n <= 0xFFFF) {
    WriteByte(252);
    WriteInt16(static_cast<std::uint16_t>(n));
  } else if (n > 0xFFFFFF) {
    WriteByte(254);
    WriteInt64(n);
  } else {
    WriteByte(253);
    WriteInt24(static_cast<std::uint32_t>(n));
  }
}

void TMySqlNet::Fill(std::uint8_t byte, std::size_t count) {
  if (count > 0) std::fill_n(Current().Grow(count), count, byte);
}

void TMySqlNet::WriteHeader(std::size_t payloadLength) {
  std::uint8_t* header = Current().Data();
  PutInt(header, payloadLength, 3);
  header[3] = FPacketNumber++;
}

void TMySqlNet::AfterPacketSent() {
  Clear();
  if (FCompress) FPacketNumber = FComprPacketNumber;
}

void TMySqlNet::SendBuffered(std::size_t payloadLength) {
  WriteHeader(payloadLength);
  RealSend(Current().Data(), Current().Length());
  AfterPacketSent();
}

void TMySqlNet::Send() {
  const std::size_t length = Current().Length();
  if (length == NET_HEADER_SIZE) return;
  SendBuffered(length - NET_HEADER_SIZE);
}

void TMySqlNet::SendEmpty() {
  Clear();
  SendBuffered(0);
}

// Appends up to the buffer size; the rest of a packet of packetLength bytes goes out directly.
void TMySqlNet::AddBytes(const std::uint8_t*& bytes, std::size_t& count, std::size_t packetLength) {
  TByteBuffer& buffer = Current();
  const std::size_t room = buffer.Length() < BUFFER_LENGTH ? BUFFER_LENGTH - buffer.Length() : 0;
  const std::size_t n = std::min(room, count);
  buffer.Append(bytes, n);
  bytes += n;
  count -= n;
  if (count == 0) return;
  WriteHeader(packetLength);
  RealSend(buffer.Data(), buffer.Length());
  RealSend(bytes, count);
  bytes += count;
  count = 0;
  AfterPacketSent();
}

void TMySqlNet::WriteOrSendBytes(const void* data, std::size_t count) {
  auto bytes = static_cast<const std::uint8_t*>(data);
  std::size_t body = Current().Length() - NET_HEADER_SIZE;
  bool sentFullPacket = false;
  while (body + count >= MAX_PACKET_LENGTH) {
    std::size_t piece = MAX_PACKET_LENGTH - body;
    count -= piece;
    AddBytes(bytes, piece, MAX_PACKET_LENGTH);
    if (Current().Length() > NET_HEADER_SIZE) SendBuffered(MAX_PACKET_LENGTH);
    body = 0;
    sentFullPacket = true;
  }
  if (count > 0) {
    AddBytes(bytes, count, body + count);
  } else if (sentFullPacket) {
    // A body that ends on a packet boundary is closed by an empty packet.
    SendEmpty();
  }
}

void TMySqlNet::TransportWrite(const std::uint8_t* bytes, std::size_t count) {
  if (!Fvio) throw EMySqlException(CR_SERVER_LOST);
  if (Fvio->Write(bytes, count) != count) throw EMySqlException(CR_SERVER_LOST, Fvio->LastError());
}

void TMySqlNet::RealSend(const std::uint8_t* bytes, std::size_t count) {
  if (!FCompress) {
    TransportWrite(bytes, count);
    return;
  }
  do {
    const std::size_t piece = std::min(count, MaxFrameInput);
    WriteFrame(bytes, piece);
    bytes += piece;
    count -= piece;
  } while (count > 0);
}

void TMySqlNet::WriteFrame(const std::uint8_t* bytes, std::size_t count) {
  const std::size_t capacity = count + count / 5 + 12;
  FCompressScratch.SetLength(CompressedHeaderSize + capacity);
  std::uint8_t* frame = FCompressScratch.Data();
  std::size_t body = 0;
  std::size_t uncompressedLength = 0;
  if (count > CompressThreshold) body = CompressBytes(bytes, count, frame + CompressedHeaderSize, capacity);
  if (body > 0) {
    uncompressedLength = count;
  } else {
    body = count;
    std::copy_n(bytes, count, frame + CompressedHeaderSize);
  }
  PutInt(frame, body, 3);
  frame[3] = FComprPacketNumber++;
  PutInt(frame + 4, uncompressedLength, 3);
  TransportWrite(frame, CompressedHeaderSize + body);
}

// ---- receiving ----

void TMySqlNet::TransportRead(std::uint8_t* dest, std::size_t count) {
  if (!Fvio) throw EMySqlException(CR_SERVER_LOST);
  if (Fvio->Read(dest, count) != count) throw EMySqlException(CR_SERVER_LOST, Fvio->LastError());
}

void TMySqlNet::CheckSequence(std::uint8_t received, const char* where) {
  if (received != FPacketNumber)
    throw EMySqlException(ER_NET_PACKETS_OUT_OF_ORDER,
                          FormatTemplate("%s: Net packets out of order: received[%d], expected[%d]",
                                         {std::string(where), std::int64_t{received}, std::int64_t{FPacketNumber}}));
  ++FPacketNumber;
  FComprPacketNumber = FPacketNumber;
}

void TMySqlNet::CheckMessageSize(std::size_t have, std::size_t more) const {
  if (more > FMaxAllowedPacket || have > FMaxAllowedPacket - more) throw EMySqlException(CR_NET_PACKET_TOO_LARGE);
}

void TMySqlNet::RealReceive(std::uint8_t* dest, std::size_t count) {
  if (!FCompress) {
    TransportRead(dest, count);
    return;
  }
  while (count > 0) {
    const std::size_t available = FCompressBuffer.Length() - FCompressPos;
    if (available == 0) {
      FillCompressBuffer();
      continue;
    }
    const std::size_t n = std::min(available, count);
    std::copy_n(FCompressBuffer.Data() + FCompressPos, n, dest);
    FCompressPos += n;
    dest += n;
    count -= n;
  }
}

void TMySqlNet::FillCompressBuffer() {
  FCompressBuffer.SetLength(0);
  FCompressPos = 0;
  std::size_t bodyLength;
  do {
    std::uint8_t header[CompressedHeaderSize];
    TransportRead(header, sizeof header);
    CheckSequence(header[3], "ReceiveCompHeader");
    bodyLength = GetInt24(header);
    const std::size_t uncompressedLength = GetInt24(header + 4);
    if (uncompressedLength == 0) {
      CheckMessageSize(FCompressBuffer.Length(), bodyLength);
      ReceiveGrowing(FCompressBuffer, bodyLength, &TMySqlNet::TransportRead);
    } else {
      CheckMessageSize(FCompressBuffer.Length(), uncompressedLength);
      FCompressScratch.SetLength(0);
      ReceiveGrowing(FCompressScratch, bodyLength, &TMySqlNet::TransportRead);
      if (uncompressedLength > bodyLength * MaxInflateRatio + InflateOverhead)
        throw EMySqlException(CR_MALFORMED_PACKET);
      if (!FInflater.Inflate(FCompressScratch.Data(), bodyLength, FCompressBuffer.Grow(uncompressedLength),
                             uncompressedLength))
        throw EMySqlException(ER_NET_UNCOMPRESS_ERROR, "Couldn't uncompress communication packet");
    }
  } while (bodyLength == MAX_PACKET_LENGTH);
}

void TMySqlNet::ReceiveGrowing(TByteBuffer& buffer, std::size_t count,
                               void (TMySqlNet::*read)(std::uint8_t*, std::size_t)) {
  // A header's claim is not worth memory: the buffer grows with the bytes that arrive.
  while (count > 0) {
    const std::size_t piece = std::min(count, ReceivePieceSize);
    (this->*read)(buffer.Grow(piece), piece);
    count -= piece;
  }
}

std::size_t TMySqlNet::ReceiveHeader() {
  std::uint8_t header[NET_HEADER_SIZE];
  RealReceive(header, sizeof header);
  // Inside compressed frames the frame headers carry the sequence.
  if (!FCompress) CheckSequence(header[3], "ReceiveHeader");
  return GetInt24(header);
}

bool TMySqlNet::ReceiveBufferedPacket(TByteBuffer& buffer) {
  if (FCompress || !Fvio) return false;
  const std::size_t available = Fvio->BufferedLength();
  if (available < NET_HEADER_SIZE) return false;
  const std::uint8_t* packet = Fvio->Buffered();
  const std::size_t length = GetInt24(packet);
  if (length >= MAX_PACKET_LENGTH || length > available - NET_HEADER_SIZE) return false;
  CheckSequence(packet[3], "ReceiveHeader");
  CheckMessageSize(0, length);
  buffer.SetLength(length);
  std::memcpy(buffer.Data(), packet + NET_HEADER_SIZE, length);
  Fvio->Skip(NET_HEADER_SIZE + length);
  return true;
}

void TMySqlNet::ReceiveRow() {
  if (++FRowNo == FRows.size()) FRowNo = 0;
  FPosition = 0;
  TByteBuffer& buffer = Current();
  if (!ReceiveBufferedPacket(buffer)) {
    buffer.SetLength(0);
    std::size_t length;
    do {
      length = ReceiveHeader();
      CheckMessageSize(buffer.Length(), length);
      ReceiveGrowing(buffer, length, &TMySqlNet::RealReceive);
    } while (length == MAX_PACKET_LENGTH);
  }
  if (buffer.Length() > 0 && buffer.Data()[0] == 255) ReadError();
}

std::size_t TMySqlNet::SkipRow(std::uint8_t& firstByte) {
  if (!FSkipBuffer) FSkipBuffer = std::make_unique_for_overwrite<std::uint8_t[]>(ReceivePieceSize);
  TByteBuffer& buffer = Current();
  buffer.SetLength(0);
  FPosition = 0;
  firstByte = 0;
  std::size_t total = 0;
  std::size_t length;
  do {
    length = ReceiveHeader();
    for (std::size_t left = length; left > 0;) {
      const std::size_t n = std::min(left, ReceivePieceSize);
      RealReceive(FSkipBuffer.get(), n);
      if (total == 0) {
        firstByte = FSkipBuffer[0];
        if (firstByte == 255 || length <= 8) buffer.Append(FSkipBuffer.get(), n);
      }
      total += n;
      left -= n;
    }
  } while (length == MAX_PACKET_LENGTH);
  if (firstByte == 255) ReadError();
  return total;
}

// ---- reading the current message ----

std::uint8_t TMySqlNet::ReadByte() {
  return ReadWith([](TMySqlReader& r) { return r.ReadByte(); });
}
std::int16_t TMySqlNet::ReadInt16() {
  return ReadWith([](TMySqlReader& r) { return r.ReadInt16(); });
}
std::uint16_t TMySqlNet::ReadUInt16() {
  return ReadWith([](TMySqlReader& r) { return r.ReadUInt16(); });
}
std::int32_t TMySqlNet::ReadInt24() {
  return ReadWith([](TMySqlReader& r) { return r.ReadInt24(); });
}
std::int32_t TMySqlNet::ReadInt32() {
  return ReadWith([](TMySqlReader& r) { return r.ReadInt32(); });
}
std::int64_t TMySqlNet::ReadInt64() {
  return ReadWith([](TMySqlReader& r) { return r.ReadInt64(); });
}
void TMySqlNet::ReadBytes(void* dest, std::size_t count) {
  ReadWith([&](TMySqlReader& r) {
    r.ReadBytes(dest, count);
    return 0;
  });
}
std::string TMySqlNet::ReadString(std::size_t length) {
  return ReadWith([&](TMySqlReader& r) { return r.ReadString(length); });
}
std::string TMySqlNet::ReadString() {
  return ReadWith([](TMySqlReader& r) { return r.ReadString(); });
}
std::int64_t TMySqlNet::ReadFieldLength() {
  return ReadWith([](TMySqlReader& r) { return r.ReadFieldLength(); });
}

void TMySqlNet::ReadError() {
  const TMySqlServerError error = ParseErrorPacket(GetRow());
  throw EMySqlException(error.Code, error.Message);
}

void TMySqlNet::SetLength(std::size_t length) {
  Current().SetLength(length);
  FPosition = std::min(FPosition, length);
}

void TMySqlNet::SetPosition(std::size_t position) {
  if (position > GetLength()) throw EMySqlException(CR_MALFORMED_PACKET);
  FPosition = position;
}

void TMySqlNet::SetRowCount(std::size_t n) {
  if (n == 0) throw std::invalid_argument("RowCount must be more than zero");
  while (FRows.size() > n) FRows.pop_back();
  while (FRows.size() < n) FRows.emplace_back(BUFFER_LENGTH);
  if (FRowNo >= n) FRowNo = 0;
}
