#include "platform/VersionResourceBuilder.h"

#include "platform/Utf16.h"

#include <stdexcept>

namespace {

constexpr std::uint16_t BinaryValue = 0;
constexpr std::uint16_t TextValue = 1;

class BlockWriter {
 public:
  explicit BlockWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  // Starts a block; its length is filled in by End. `valueLength` counts bytes for binary values
  // and characters (with the terminator) for text values.
  std::size_t Begin(std::string_view key, std::uint16_t valueLength, std::uint16_t type) {
    Pad();
    std::size_t start = out_.size();
    Put16(0);
    Put16(valueLength);
    Put16(type);
    PutText(key);
    Pad();
    return start;
  }

  void End(std::size_t start) {
    std::size_t length = out_.size() - start;
    if (length > MaxVersionResourceSize) throw std::length_error("version resource block longer than 65535 bytes");
    out_[start] = static_cast<std::uint8_t>(length);
    out_[start + 1] = static_cast<std::uint8_t>(length >> 8);
  }

  void PutText(std::string_view text) {
    for (char16_t unit : Utf8ToUtf16(text)) Put16(unit);
    Put16(0);
  }

  void Put16(std::uint32_t value) {
    out_.push_back(static_cast<std::uint8_t>(value));
    out_.push_back(static_cast<std::uint8_t>(value >> 8));
  }

  void Put32(std::uint32_t value) {
    Put16(value & 0xFFFF);
    Put16(value >> 16);
  }

  void Pad() {
    while (out_.size() % 4 != 0) out_.push_back(0);
  }

 private:
  std::vector<std::uint8_t>& out_;
};

void WriteFixedInfo(BlockWriter& writer, VS_FIXEDFILEINFO fixed) {
  fixed.dwSignature = FixedFileInfoSignature;
  fixed.dwStrucVersion = FixedFileInfoStructVersion;
  for (std::uint32_t field :
       {fixed.dwSignature, fixed.dwStrucVersion, fixed.dwFileVersionMS, fixed.dwFileVersionLS, fixed.dwProductVersionMS,
        fixed.dwProductVersionLS, fixed.dwFileFlagsMask, fixed.dwFileFlags, fixed.dwFileOS, fixed.dwFileType,
        fixed.dwFileSubtype, fixed.dwFileDateMS, fixed.dwFileDateLS})
    writer.Put32(field);
}

void WriteStringFileInfo(BlockWriter& writer, const std::vector<VersionResourceContent::StringTable>& tables) {
  std::size_t info = writer.Begin("StringFileInfo", 0, TextValue);
  for (const auto& table : tables) {
    std::size_t tableStart = writer.Begin(table.key, 0, TextValue);
    for (const auto& [name, value] : table.strings) {
      auto characters = static_cast<std::uint16_t>(Utf8ToUtf16(value).size() + 1);
      std::size_t stringStart = writer.Begin(name, characters, TextValue);
      writer.PutText(value);
      writer.End(stringStart);
    }
    writer.End(tableStart);
  }
  writer.End(info);
}

void WriteVarFileInfo(BlockWriter& writer, const std::vector<VersionResourceContent::Translation>& translations) {
  std::size_t info = writer.Begin("VarFileInfo", 0, TextValue);
  std::size_t var = writer.Begin("Translation", static_cast<std::uint16_t>(translations.size() * 4), BinaryValue);
  for (const auto& translation : translations) {
    writer.Put16(translation.language);
    writer.Put16(translation.codePage);
  }
  writer.End(var);
  writer.End(info);
}

}  // namespace

std::vector<std::uint8_t> BuildVersionResource(const VersionResourceContent& content) {
  std::vector<std::uint8_t> out;
  BlockWriter writer(out);
  std::size_t root = writer.Begin("VS_VERSION_INFO", FixedFileInfoSize, BinaryValue);
  WriteFixedInfo(writer, content.fixed);
  if (!content.stringTables.empty()) WriteStringFileInfo(writer, content.stringTables);
  if (!content.translations.empty()) WriteVarFileInfo(writer, content.translations);
  writer.End(root);
  return out;
}
