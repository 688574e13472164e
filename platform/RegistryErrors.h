#pragma once
// The error texts of registry reads and writes.
#include <string>
#include <string_view>

// The texts with which registry reads and writes fail.
inline std::string InvalidDataType(std::string_view name) {
  return "Invalid data type for '" + std::string(name) + "'";
}
inline std::string FailedToGetData(std::string_view name) {
  return "Failed to get data for '" + std::string(name) + "'";
}
inline std::string FailedToSetData(std::string_view name) {
  return "Failed to set data for '" + std::string(name) + "'";
}
