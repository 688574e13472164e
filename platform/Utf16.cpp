#include "platform/Utf16.h"

namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

// Decodes one code point at text[pos], advancing pos; rejects overlong forms and surrogates.
char32_t DecodeUtf8(std::string_view text, size_t& pos) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos++);
  if (lead < 0x80) return lead;
  int extra = lead >= 0xF0 && lead <= 0xF4 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : -1;
  if (extra < 0) return ReplacementCharacter;
  char32_t cp = lead & (0x3F >> extra);
  for (int i = 0; i < extra; ++i) {
    if (pos >= text.size() || (byte(pos) & 0xC0) != 0x80) return ReplacementCharacter;
    cp = (cp << 6) | (byte(pos++) & 0x3F);
  }
  static constexpr char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
  if (cp < smallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return ReplacementCharacter;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (size_t pos = 0; pos < utf8.size();) {
    char32_t cp = DecodeUtf8(utf8, pos);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 | (cp >> 10));
      out += static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    char32_t unit = utf16[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF)
      unit = 0x10000 + ((unit - 0xD800) << 10) + (utf16[++i] - 0xDC00);
    else if (unit >= 0xD800 && unit <= 0xDFFF)
      unit = ReplacementCharacter;
    AppendUtf8(out, unit);
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  constexpr std::string_view EncodedReplacement = "\xEF\xBF\xBD";
  for (size_t pos = 0; pos < text.size();) {
    size_t start = pos;
    if (DecodeUtf8(text, pos) == ReplacementCharacter && text.substr(start, pos - start) != EncodedReplacement)
      return false;
  }
  return true;
}
