#include "platform/VersionResourceQuery.h"

#include "platform/ByteFields.h"
#include "platform/Utf16.h"

#include <algorithm>

namespace {

constexpr std::size_t BlockHeaderSize = 6;
constexpr std::uint16_t TextValueType = 1;

std::size_t AlignToFour(std::size_t offset) {
  return (offset + 3) & ~std::size_t{3};
}

// One block: wLength, wValueLength, wType, a zero-terminated UTF-16 key, its value and child blocks.
// All offsets are relative to the start of the resource, so alignment is that of the file.
struct Block {
  std::u16string key;
  std::size_t valueBegin = 0, valueEnd = 0;
  std::size_t childrenBegin = 0, end = 0;
};

std::optional<Block> ParseBlock(std::span<const std::uint8_t> resource, std::size_t offset, std::size_t limit) {
  ByteFields fields(resource.first(limit));
  std::uint16_t length = fields.U16(offset);
  std::uint16_t valueLength = fields.U16(offset + 2);
  std::uint16_t type = fields.U16(offset + 4);
  if (fields.Failed() || length < BlockHeaderSize || length > limit - offset) return std::nullopt;

  Block block;
  block.end = offset + length;
  std::size_t position = offset + BlockHeaderSize;
  for (;; position += 2) {
    if (position + 2 > block.end) return std::nullopt;
    char16_t unit = static_cast<char16_t>(resource[position] | (resource[position + 1] << 8));
    if (unit == 0) break;
    block.key += unit;
  }
  block.valueBegin = std::min(AlignToFour(position + 2), block.end);
  std::size_t valueBytes = type == TextValueType ? std::size_t{valueLength} * 2 : valueLength;
  block.valueEnd = std::min(block.valueBegin + valueBytes, block.end);
  block.childrenBegin = std::min(AlignToFour(block.valueEnd), block.end);
  return block;
}

bool KeysMatch(std::u16string_view key, std::string_view wanted) {
  auto fold = [](char32_t c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  if (key.size() != wanted.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i)
    if (fold(key[i]) != fold(static_cast<unsigned char>(wanted[i]))) return false;
  return true;
}

std::optional<Block> FindChild(std::span<const std::uint8_t> resource, const Block& parent, std::string_view key) {
  for (std::size_t offset = parent.childrenBegin; offset + BlockHeaderSize <= parent.end;) {
    auto child = ParseBlock(resource, offset, parent.end);
    if (!child) return std::nullopt;
    if (KeysMatch(child->key, key)) return child;
    offset = AlignToFour(child->end);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> QueryVersionValue(std::span<const std::uint8_t> resource,
                                                               std::string_view path) {
  auto block = ParseBlock(resource, 0, resource.size());
  while (block && !path.empty()) {
    std::size_t separator = path.find('\\');
    std::string_view key = path.substr(0, separator);
    path = separator == std::string_view::npos ? std::string_view() : path.substr(separator + 1);
    if (!key.empty()) block = FindChild(resource, *block, key);
  }
  if (!block) return std::nullopt;
  return resource.subspan(block->valueBegin, block->valueEnd - block->valueBegin);
}

std::string VersionValueText(std::span<const std::uint8_t> value) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
    char16_t unit = static_cast<char16_t>(value[i] | (value[i + 1] << 8));
    if (unit == 0) break;
    text += unit;
  }
  return Utf16ToUtf8(text);
}

std::optional<VS_FIXEDFILEINFO> DecodeFixedFileInfo(std::span<const std::uint8_t> value) {
  ByteFields fields(value);
  VS_FIXEDFILEINFO info;
  std::uint32_t* targets[] = {&info.dwSignature,     &info.dwStrucVersion,     &info.dwFileVersionMS,
                              &info.dwFileVersionLS, &info.dwProductVersionMS, &info.dwProductVersionLS,
                              &info.dwFileFlagsMask, &info.dwFileFlags,        &info.dwFileOS,
                              &info.dwFileType,      &info.dwFileSubtype,      &info.dwFileDateMS,
                              &info.dwFileDateLS};
  for (std::size_t i = 0; i < std::size(targets); ++i) *targets[i] = fields.U32(i * 4);
  if (fields.Failed() || info.dwSignature != FixedFileInfoSignature) return std::nullopt;
  return info;
}
