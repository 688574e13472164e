#pragma once
// zlib for the protocol's compressed framing.
#include <cstddef>
#include <cstdint>

// Compresses src into dest (capacity bytes); the result is the compressed size, 0 when zlib failed
// or the output did not fit.
std::size_t CompressBytes(const std::uint8_t* src, std::size_t count, std::uint8_t* dest, std::size_t capacity);

// Inflates src into exactly expected bytes at dest; false when the data is broken or of another size.
bool InflateBytes(const std::uint8_t* src, std::size_t count, std::uint8_t* dest, std::size_t expected);
