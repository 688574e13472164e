#include "about/FileVersionNumber.h"

TFileVersionNumber TFileVersionNumber::FromDoubleWords(std::uint32_t mostSignificant, std::uint32_t leastSignificant) {
  return {static_cast<std::uint16_t>(mostSignificant >> 16), static_cast<std::uint16_t>(mostSignificant & 0xFFFF),
          static_cast<std::uint16_t>(leastSignificant >> 16), static_cast<std::uint16_t>(leastSignificant & 0xFFFF)};
}

TFileVersionNumber::operator std::string() const {
  return VerNumToStr(*this);
}

std::string VerNumToStr(const TFileVersionNumber& version) {
  return std::to_string(version.V1) + '.' + std::to_string(version.V2) + '.' + std::to_string(version.V3) + '.' +
         std::to_string(version.V4);
}

int CompareVerNums(const TFileVersionNumber& a, const TFileVersionNumber& b) {
  for (auto field :
       {&TFileVersionNumber::V1, &TFileVersionNumber::V2, &TFileVersionNumber::V3, &TFileVersionNumber::V4})
    if (a.*field != b.*field) return int{a.*field} - int{b.*field};
  return 0;
}
