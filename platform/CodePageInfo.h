#pragma once
// What the system tells about a code page.
#include <array>
#include <cstdint>
#include <string>

// What the system tells about a code page: the longest character in bytes, the byte used for
// characters it cannot represent, and the lead-byte ranges of double-byte code pages (pairs of
// first and last byte, ended by a zero pair).
struct CodePageInfo {
  std::uint32_t MaxCharSize = 0;
  std::array<std::uint8_t, 2> DefaultChar{};
  std::array<std::uint8_t, 12> LeadByte{};
};

// The same with the code page's number, the Unicode replacement character and its display name.
struct CodePageInfoEx {
  std::uint32_t MaxCharSize = 0;
  std::array<std::uint8_t, 2> DefaultChar{};
  std::array<std::uint8_t, 12> LeadByte{};
  char16_t UnicodeDefaultChar = 0;
  std::uint32_t CodePage = 0;
  std::string CodePageName;
};

// False, leaving `info` alone, for a code page the system does not know.
bool QueryCodePageInfo(std::uint32_t codePage, CodePageInfo& info);
bool QueryCodePageInfoEx(std::uint32_t codePage, std::uint32_t flags, CodePageInfoEx& info);
