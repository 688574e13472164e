#pragma once
// The one exception for a text that is not a number of the expected kind, shared by the numeric
// controls and the record fields, so that a handler catches it whichever layer threw it.

#include <stdexcept>

class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
