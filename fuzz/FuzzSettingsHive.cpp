// The settings hive's reader, with the round-trip property: a hive that parses serializes to a text
// that parses again, to a hive that serializes to the same text.
#include "platform/RegistryHive.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto hive = RegistryHive::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!hive) return 0;
  const std::string written = hive->Serialize();
  const auto again = RegistryHive::Parse(written);
  if (!again || again->Serialize() != written) std::abort();
  return 0;
}
