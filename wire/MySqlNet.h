#pragma once
// The packet layer: framing, sequence numbers, joining of continued packets, compressed framing,
// and the primitives that build and read message bodies.
#include "wire/ByteBuffer.h"
#include "wire/CRVio.h"
#include "wire/MySqlCompression.h"
#include "wire/MySqlReader.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t NET_HEADER_SIZE = 4;
constexpr std::size_t COMP_HEADER_SIZE = 3;
constexpr std::size_t BUFFER_LENGTH = 8192;
constexpr std::size_t MAX_ALLOWED_PACKET = 0x40000000;
constexpr std::size_t MAX_PACKET_LENGTH = 0xFFFFFF;

class TMySqlNet {
 public:
  TMySqlNet();
  TMySqlNet(const TMySqlNet&) = delete;
  TMySqlNet& operator=(const TMySqlNet&) = delete;
  ~TMySqlNet();

  // Takes ownership; a transport held before is closed and freed.
  void SetVio(std::unique_ptr<TCRVio> vio);
  TCRVio* GetVio() const { return Fvio.get(); }
  void Close();

  bool GetCompress() const { return FCompress; }
  void SetCompress(bool on) { FCompress = on; }
  // Largest message accepted on receipt (joined from continued packets); more raises 2020.
  void SetMaxAllowedPacket(std::size_t bytes) { FMaxAllowedPacket = bytes; }

  // Building a message in the current buffer (bytes 0..3 are kept for the header).
  void NewCommand();
  void Clear();
  void WriteByte(std::uint8_t value);
  void WriteBool(bool value) { WriteByte(value ? 1 : 0); }
  void WriteInt16(std::uint16_t value);
  void WriteInt24(std::uint32_t value);
  void WriteInt32(std::uint32_t value);
  void WriteInt64(std::uint64_t value);
  void WriteBytes(std::span<const std::uint8_t> bytes);
  void WriteBytes(const void* bytes, std::size_t count);
  // The bytes of text followed by a zero byte.
  void WriteString(std::string_view text);
  void WriteFieldLength(std::uint64_t n);
  void Fill(std::uint8_t byte, std::size_t count);
  // Adds a body of any size without copying it whole: what does not fit the buffer goes straight
  // from the caller's memory to the transport.
  void WriteOrSendBytes(const void* bytes, std::size_t count);
  void Send();
  void SendEmpty();

  // Receiving. ReceiveRow raises an error packet as the server's error.
  void ReceiveRow();
  // Receives and drops one message; the result is its length. Messages of up to 8 bytes and error
  // packets are kept in the current buffer.
  std::size_t SkipRow(std::uint8_t& firstByte);

  // Reading the current message from the current position.
  std::uint8_t ReadByte();
  std::int16_t ReadInt16();
  std::uint16_t ReadUInt16();
  std::int32_t ReadInt24();
  std::int32_t ReadInt32();
  std::int64_t ReadInt64();
  void ReadBytes(void* dest, std::size_t count);
  std::string ReadString(std::size_t length);
  std::string ReadString();
  std::int64_t ReadFieldLength();
  // Raises the current message as the server's error.
  [[noreturn]] void ReadError();

  std::span<const std::uint8_t> GetRow() const { return FRows[FRowNo].View(); }
  std::span<const std::uint8_t> GetRows(std::size_t i) const { return FRows.at(i).View(); }
  std::size_t GetLength() const { return FRows[FRowNo].Length(); }
  void SetLength(std::size_t length);
  std::size_t GetPosition() const { return FPosition; }
  void SetPosition(std::size_t position);
  std::size_t GetRowCount() const { return FRows.size(); }
  void SetRowCount(std::size_t n);

 private:
  TByteBuffer& Current() { return FRows[FRowNo]; }
  template <class F>
  auto ReadWith(F read) {
    TMySqlReader reader(GetRow(), FPosition);
    auto value = read(reader);
    FPosition = reader.Position();
    return value;
  }
  void WriteHeader(std::size_t payloadLength);
  void SendBuffered(std::size_t payloadLength);
  void AddBytes(const std::uint8_t*& bytes, std::size_t& count, std::size_t packetLength);
  void AfterPacketSent();
  void RealSend(const std::uint8_t* bytes, std::size_t count);
  void WriteFrame(const std::uint8_t* bytes, std::size_t count);
  void TransportWrite(const std::uint8_t* bytes, std::size_t count);
  void TransportRead(std::uint8_t* dest, std::size_t count);
  void RealReceive(std::uint8_t* dest, std::size_t count);
  // Appends count bytes read with read, in pieces.
  void ReceiveGrowing(TByteBuffer& buffer, std::size_t count, void (TMySqlNet::*read)(std::uint8_t*, std::size_t));
  std::size_t ReceiveHeader();
  // Takes a whole single packet straight from the transport's read-ahead when it is all there;
  // false leaves everything untouched for the general path.
  bool ReceiveBufferedPacket(TByteBuffer& buffer);
  void FillCompressBuffer();
  void CheckSequence(std::uint8_t received, const char* where);
  void CheckMessageSize(std::size_t have, std::size_t more) const;

  std::unique_ptr<TCRVio> Fvio;
  std::vector<TByteBuffer> FRows;
  std::size_t FRowNo = 0;
  std::size_t FPosition = 0;
  TByteBuffer FCompressBuffer{100};
  std::size_t FCompressPos = 0;
  TByteBuffer FCompressScratch;
  TInflater FInflater;
  std::unique_ptr<std::uint8_t[]> FSkipBuffer;
  std::uint8_t FPacketNumber = 0;
  std::uint8_t FComprPacketNumber = 0;
  bool FCompress = false;
  std::size_t FMaxAllowedPacket = MAX_ALLOWED_PACKET;
};
