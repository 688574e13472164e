#pragma once
// The exceptions of the dataset framework and the formatting of their fixed message texts.
#include "platform/ConvertError.h"

#include <cstdio>
#include <stdexcept>
#include <string>

// A silent abort: ends an operation without a message to the user.
class EAbort : public std::runtime_error {
 public:
  EAbort() : std::runtime_error("Operation aborted") {}
};

// Checks of the dataset framework and the components themselves (fixed English texts).
class EDatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// printf-style formatting of the fixed message texts.
template <typename... Args>
std::string FormatMessage(const char* format, Args... args) {
  int size = std::snprintf(nullptr, 0, format, args...);
  std::string text(static_cast<std::size_t>(size), '\0');
  std::snprintf(text.data(), text.size() + 1, format, args...);
  return text;
}
