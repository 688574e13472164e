#pragma once
// Reading the version resource of a Windows executable or DLL.
#include "platform/BinaryFileReader.h"

#include <cstdint>
#include <optional>
#include <vector>

// The version resource (type RT_VERSION) of a Windows executable or DLL, PE32 or PE32+: the one with
// identifier 1 when there is one, else the first, in its first language. At most `maxSize` bytes of it.
// Nothing when the file is no PE file, has none, or a table it passes through lies outside the file.
std::optional<std::vector<std::uint8_t>> ReadPeVersionResource(const BinaryFileReader& file, std::uint32_t maxSize);
