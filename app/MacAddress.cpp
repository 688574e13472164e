#include "app/MacAddress.h"

std::string TwoHexDigits(int byte) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  return {Digits[(byte >> 4) & 0xF], Digits[byte & 0xF]};
}

std::string MacText(int byte4, int byte5, int byte6) {
  return MacPrefix + TwoHexDigits(byte4) + "-" + TwoHexDigits(byte5) + "-" + TwoHexDigits(byte6);
}
