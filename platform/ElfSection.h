#pragma once
// Reading one named section of an ELF file.
#include "platform/BinaryFileReader.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Contents of the section called `name` of an ELF file (32- or 64-bit, either byte order).
// Nothing when the file is no ELF file, has no such section with contents, the section is larger
// than `maxSize`, or any table it passes through lies outside the file.
std::optional<std::vector<std::uint8_t>> ReadElfSection(const BinaryFileReader& file, std::string_view name,
                                                        std::uint64_t maxSize);
