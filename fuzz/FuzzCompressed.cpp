// Compressed framing: frames, stored and deflated, joined into packets and messages.
#include "tests/support/MemoryVio.h"
#include "wire/MySqlErrors.h"
#include "wire/MySqlNet.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMySqlNet net;
  net.SetVio(std::make_unique<TMemoryVio>(TBytes(data, data + size)));
  net.SetCompress(true);
  net.NewCommand();
  constexpr int MaxMessages = 1000;
  try {
    for (int i = 0; i < MaxMessages; ++i) net.ReceiveRow();
  } catch (const EMySqlException&) {
  }
  return 0;
}
