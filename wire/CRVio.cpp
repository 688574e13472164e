#include "wire/CRVio.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

bool TCRVio::TryConnect() {
  FBufferLen = 0;
  FBufferPos = 0;
  if (!FBuffer) FBuffer = std::make_unique_for_overwrite<std::uint8_t[]>(ReadAheadSize);
  return true;
}

void TCRVio::ClearLastError() {
  FLastError.clear();
  FLastErrorCode = 0;
  FTimedOut = false;
}

void TCRVio::SetLastError(int code, std::string text) {
  FLastErrorCode = code;
  FLastError = std::move(text);
}

std::size_t TCRVio::Read(void* buffer, std::size_t count) {
  auto* dest = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  auto takeBuffered = [&] {
    const std::size_t n = std::min(count - done, FBufferLen - FBufferPos);
    std::memcpy(dest + done, FBuffer.get() + FBufferPos, n);
    done += n;
    FBufferPos += n;
    if (FBufferPos == FBufferLen) FBufferLen = FBufferPos = 0;
  };

  if (FBufferLen > 0) takeBuffered();
  if (done == count) return done;

  if (count - done < DirectReadThreshold && FBuffer) {
    const std::size_t got = ReadNoWait(FBuffer.get(), ReadAheadSize);
    if (got == 0 && FLastErrorCode != 0) return done;
    FBufferLen = got;
    FBufferPos = 0;
    if (got > 0) takeBuffered();
  }
  while (done < count) {
    const std::size_t got = ReadNoWait(dest + done, count - done);
    if (got == 0) break;
    done += got;
  }
  return done;
}

std::size_t TCRVio::Write(const void* buffer, std::size_t count) {
  const auto* src = static_cast<const std::uint8_t*>(buffer);
  std::size_t done = 0;
  int zeroResults = 0;
  while (done < count) {
    const std::size_t sent = WriteNoWait(src + done, count - done);
    if (sent > 0) {
      done += sent;
      continue;
    }
    if (FLastErrorCode != 0 || ++zeroResults >= 3) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done;
}
