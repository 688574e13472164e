#pragma once
// The abstract transport: a blocking byte stream with a read-ahead buffer for small reads.
#include "wire/Deadline.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// A transport that cannot connect, or a setting it refuses.
class SocketException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TCRVio {
 public:
  static constexpr std::size_t ReadAheadSize = 32768;
  // Requests below this size are served through the read-ahead buffer; larger ones land directly.
  static constexpr std::size_t DirectReadThreshold = 2048;

  TCRVio() = default;
  TCRVio(const TCRVio&) = delete;
  TCRVio& operator=(const TCRVio&) = delete;
  virtual ~TCRVio() = default;

  virtual int GetTimeout() const = 0;
  virtual void SetTimeout(int seconds) = 0;
  // While set, the connect and every read and write end by then, however the peer trickles its
  // bytes; the time-out of each call still applies within it.
  virtual void SetDeadline(const TDeadline& deadline) = 0;
  // Prepares a connect attempt; the result tells whether it succeeded.
  virtual bool TryConnect();
  virtual void Connect() = 0;
  virtual void Close() = 0;
  // One platform call each; the result is the number of bytes moved, 0 on failure.
  virtual std::size_t ReadNoWait(void* buffer, std::size_t count) = 0;
  virtual std::size_t WriteNoWait(const void* buffer, std::size_t count) = 0;
  // Loop until count bytes are moved or the stream is stuck; the result is the bytes moved.
  virtual std::size_t Read(void* buffer, std::size_t count);
  virtual std::size_t Write(const void* buffer, std::size_t count);
  virtual bool WaitForData(int seconds) = 0;
  // The next write is the last before Close: a transport may hold its bytes back to leave with
  // the end of the connection in one segment. Close sends whatever is held.
  virtual void HoldLastWriteForClose() {}

  // The read-ahead bytes not yet taken, for callers that can use them in place; Skip takes n
  // of them (n no more than their count).
  const std::uint8_t* Buffered() const { return FBuffer.get() + FBufferPos; }
  std::size_t BufferedLength() const { return FBufferLen - FBufferPos; }
  void Skip(std::size_t n) {
    FBufferPos += n;
    if (FBufferPos == FBufferLen) FBufferLen = FBufferPos = 0;
  }

  const std::string& LastError() const { return FLastError; }
  int LastErrorCode() const { return FLastErrorCode; }
  // The last read or write failed because its time-out passed.
  bool TimedOut() const { return FTimedOut; }

 protected:
  void ClearLastError();
  void SetLastError(int code, std::string text);

  std::string FLastError;
  int FLastErrorCode = 0;
  bool FTimedOut = false;

 private:
  std::unique_ptr<std::uint8_t[]> FBuffer;
  std::size_t FBufferLen = 0;
  std::size_t FBufferPos = 0;
};
