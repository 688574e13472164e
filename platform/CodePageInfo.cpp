#include "platform/CodePageInfo.h"

#include <algorithm>

namespace {

struct KnownCodePage {
  std::uint32_t code;
  std::uint32_t maxCharSize;
  std::array<std::uint8_t, 12> leadBytes;
  const char* name;
};

constexpr std::array<std::uint8_t, 12> SingleByte{};
constexpr std::array<std::uint8_t, 12> ShiftJisLeads{0x81, 0x9F, 0xE0, 0xFC};
constexpr std::array<std::uint8_t, 12> WideLeads{0x81, 0xFE};

constexpr KnownCodePage KnownCodePages[] = {
    {437, 1, SingleByte, "437 (DOS, United States)"},
    {737, 1, SingleByte, "737 (DOS, Greek)"},
    {775, 1, SingleByte, "775 (DOS, Baltic)"},
    {850, 1, SingleByte, "850 (DOS, Western European)"},
    {852, 1, SingleByte, "852 (DOS, Central European)"},
    {855, 1, SingleByte, "855 (DOS, Cyrillic)"},
    {857, 1, SingleByte, "857 (DOS, Turkish)"},
    {858, 1, SingleByte, "858 (DOS, Western European with Euro)"},
    {862, 1, SingleByte, "862 (DOS, Hebrew)"},
    {866, 1, SingleByte, "866 (DOS, Russian)"},
    {874, 1, SingleByte, "874 (Thai)"},
    {932, 2, ShiftJisLeads, "932 (Japanese, Shift-JIS)"},
    {936, 2, WideLeads, "936 (Simplified Chinese, GBK)"},
    {949, 2, WideLeads, "949 (Korean)"},
    {950, 2, WideLeads, "950 (Traditional Chinese, Big5)"},
    {1250, 1, SingleByte, "1250 (Windows, Central European)"},
    {1251, 1, SingleByte, "1251 (Windows, Cyrillic)"},
    {1252, 1, SingleByte, "1252 (Windows, Western European)"},
    {1253, 1, SingleByte, "1253 (Windows, Greek)"},
    {1254, 1, SingleByte, "1254 (Windows, Turkish)"},
    {1255, 1, SingleByte, "1255 (Windows, Hebrew)"},
    {1256, 1, SingleByte, "1256 (Windows, Arabic)"},
    {1257, 1, SingleByte, "1257 (Windows, Baltic)"},
    {1258, 1, SingleByte, "1258 (Windows, Vietnamese)"},
    {10000, 1, SingleByte, "10000 (Macintosh, Roman)"},
    {20127, 1, SingleByte, "20127 (US-ASCII)"},
    {20866, 1, SingleByte, "20866 (Russian, KOI8-R)"},
    {28591, 1, SingleByte, "28591 (ISO 8859-1, Latin 1)"},
    {28592, 1, SingleByte, "28592 (ISO 8859-2, Latin 2)"},
    {28595, 1, SingleByte, "28595 (ISO 8859-5, Cyrillic)"},
    {28605, 1, SingleByte, "28605 (ISO 8859-15, Latin 9)"},
    {65000, 5, SingleByte, "65000 (UTF-7)"},
    {65001, 4, SingleByte, "65001 (UTF-8)"},
};

static_assert(std::ranges::is_sorted(KnownCodePages, {}, &KnownCodePage::code));

const KnownCodePage* Find(std::uint32_t codePage) {
  auto found = std::ranges::lower_bound(KnownCodePages, codePage, {}, &KnownCodePage::code);
  return found != std::end(KnownCodePages) && found->code == codePage ? &*found : nullptr;
}

}  // namespace

bool QueryCodePageInfo(std::uint32_t codePage, CodePageInfo& info) {
  const KnownCodePage* known = Find(codePage);
  if (!known) return false;
  info.MaxCharSize = known->maxCharSize;
  info.DefaultChar = {'?', 0};
  info.LeadByte = known->leadBytes;
  return true;
}

bool QueryCodePageInfoEx(std::uint32_t codePage, std::uint32_t /*flags*/, CodePageInfoEx& info) {
  CodePageInfo basic;
  if (!QueryCodePageInfo(codePage, basic)) return false;
  info.MaxCharSize = basic.MaxCharSize;
  info.DefaultChar = basic.DefaultChar;
  info.LeadByte = basic.LeadByte;
  info.UnicodeDefaultChar = u'?';
  info.CodePage = codePage;
  info.CodePageName = Find(codePage)->name;
  return true;
}
