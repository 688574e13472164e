#pragma once
// A transport over memory: reads are served from a script of incoming bytes, writes are recorded
// one entry per Write call. The end of the script behaves like a peer that closed the connection.
#include "tests/support/ProtocolBytes.h"
#include "wire/CRVio.h"

#include <algorithm>
#include <cstring>
#include <vector>

class TMemoryVio : public TCRVio {
 public:
  explicit TMemoryVio(TBytes incoming = {}) : FIncoming(std::move(incoming)) { TCRVio::TryConnect(); }

  void Feed(std::span<const std::uint8_t> bytes) { FIncoming.insert(FIncoming.end(), bytes.begin(), bytes.end()); }
  const std::vector<TBytes>& Writes() const { return FWrites; }
  TBytes Written() const {
    TBytes all;
    for (const TBytes& w : FWrites) all.insert(all.end(), w.begin(), w.end());
    return all;
  }
  // The count asked of every ReadNoWait call.
  const std::vector<std::size_t>& ReadRequests() const { return FReadRequests; }
  std::size_t Unread() const { return FIncoming.size() - FPos; }

  int GetTimeout() const override { return 0; }
  void SetTimeout(int) override {}
  void SetDeadline(const TDeadline&) override {}
  void Connect() override {}
  void Close() override {}
  std::size_t ReadNoWait(void* buffer, std::size_t count) override {
    FReadRequests.push_back(count);
    const std::size_t n = std::min(count, FIncoming.size() - FPos);
    if (n > 0) std::memcpy(buffer, FIncoming.data() + FPos, n);
    FPos += n;
    return n;
  }
  std::size_t WriteNoWait(const void* buffer, std::size_t count) override {
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    FWrites.emplace_back(p, p + count);
    return count;
  }
  bool WaitForData(int) override { return Unread() > 0; }

 private:
  TBytes FIncoming;
  std::size_t FPos = 0;
  std::vector<TBytes> FWrites;
  std::vector<std::size_t> FReadRequests;
};
