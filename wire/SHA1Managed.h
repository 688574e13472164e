#pragma once
// SHA-1 as used by the password methods of the protocol.
#include <array>
#include <cstdint>
#include <span>

using TSHA1Digest = std::array<std::uint8_t, 20>;

class TSHA1Managed {
 public:
  static TSHA1Digest ComputeHash(std::span<const std::uint8_t> data);
};
