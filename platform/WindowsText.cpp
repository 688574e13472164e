#include "platform/WindowsText.h"

#include "platform/AnsiText.h"
#include "platform/Utf16.h"

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view Utf16BigEndianMark = "\xFE\xFF";

// A trailing odd byte is not a whole unit and is dropped.
std::u16string Utf16Units(std::string_view bytes, bool bigEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
    units += static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
  }
  return units;
}

}  // namespace

std::string DecodeWindowsText(std::string_view bytes) {
  if (bytes.starts_with(Utf16LittleEndianMark) || bytes.starts_with(Utf16BigEndianMark))
    return Utf16ToUtf8(Utf16Units(bytes.substr(2), bytes.starts_with(Utf16BigEndianMark)));
  if (bytes.starts_with(Utf8Mark)) bytes.remove_prefix(Utf8Mark.size());
  return IsValidUtf8(bytes) ? std::string(bytes) : AnsiToUtf8(bytes);
}
