#pragma once
// The MAC text of a pixel: the fixed vendor prefix and three variable bytes.
#include <string>

// The fixed first three bytes of every pixel's MAC address, as the MAC text begins.
inline constexpr const char* MacPrefix = "54-2F-89-";

// Two upper-case hexadecimal digits with a leading zero: 10 -> "0A".
std::string TwoHexDigits(int byte);

// The 17-character MAC text: the fixed prefix and the three variable bytes, e.g. 54-2F-89-0A-FF-03.
std::string MacText(int byte4, int byte5, int byte6);
