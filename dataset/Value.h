#pragma once
// The value type through which fields are read and written.
#include <cstdint>
#include <string>
#include <variant>

// A field value: NULL (monostate), Boolean, integer, unsigned 64-bit integer, floating point
// (also dates and times, by the field's type) or text (UTF-8; raw bytes for binary fields).
using TValue = std::variant<std::monostate, bool, std::int64_t, std::uint64_t, double, std::string>;

inline bool IsNullValue(const TValue& value) {
  return std::holds_alternative<std::monostate>(value);
}
