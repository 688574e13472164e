#include "platform/PeVersionResource.h"

#include "platform/ByteFields.h"

#include <algorithm>

namespace {

constexpr std::uint32_t ResourceTypeVersion = 16;
constexpr std::uint32_t VersionResourceId = 1;
constexpr std::uint32_t ResourceDirectoryIndex = 2;
constexpr std::uint32_t SubdirectoryFlag = 0x80000000u;
constexpr std::uint32_t NamedEntryFlag = 0x80000000u;
constexpr std::size_t SectionHeaderSize = 40;
constexpr std::size_t ResourceDirectorySize = 16;
constexpr std::size_t ResourceEntrySize = 8;

struct Section {
  std::uint32_t virtualAddress = 0;
  std::uint32_t virtualSize = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t rawOffset = 0;
};

class PeImage {
 public:
  explicit PeImage(const BinaryFileReader& file) : file_(file) {}

  bool Load();
  std::optional<std::vector<std::uint8_t>> VersionResource(std::uint32_t maxSize) const;

 private:
  // File offset of `size` bytes at a relative virtual address, when they lie inside one section's raw data.
  std::optional<std::uint64_t> FileOffset(std::uint32_t rva, std::uint32_t size) const;
  std::optional<std::vector<std::uint8_t>> ReadResource(std::uint32_t offset, std::uint32_t size) const;
  // Offset field of the directory entry at `directory` with identifier `id`, or of its first entry.
  std::optional<std::uint32_t> FindEntry(std::uint32_t directory, std::uint32_t id, bool firstIfMissing) const;

  const BinaryFileReader& file_;
  std::vector<Section> sections_;
  std::uint32_t resourceRva_ = 0;
  std::uint32_t resourceSize_ = 0;
};

bool PeImage::Load() {
  auto dosHeader = file_.Read(0, 64);
  if (!dosHeader || (*dosHeader)[0] != 'M' || (*dosHeader)[1] != 'Z') return false;
  std::uint32_t peOffset = ByteFields(*dosHeader).U32(0x3C);

  auto fileHeader = file_.Read(peOffset, 24);
  if (!fileHeader || !std::equal(fileHeader->begin(), fileHeader->begin() + 4, "PE\0\0")) return false;
  ByteFields coff(*fileHeader);
  std::uint16_t sectionCount = coff.U16(6);
  std::uint16_t optionalHeaderSize = coff.U16(20);

  auto optionalHeader = file_.Read(std::uint64_t{peOffset} + 24, optionalHeaderSize);
  if (!optionalHeader) return false;
  ByteFields optional(*optionalHeader);
  std::uint16_t magic = optional.U16(0);
  if (magic != 0x10B && magic != 0x20B) return false;
  std::size_t directoryCountOffset = magic == 0x20B ? 108 : 92;
  std::uint32_t directoryCount = optional.U32(directoryCountOffset);
  if (optional.Failed() || directoryCount <= ResourceDirectoryIndex) return false;
  std::size_t resourceEntry = directoryCountOffset + 4 + 8 * ResourceDirectoryIndex;
  resourceRva_ = optional.U32(resourceEntry);
  resourceSize_ = optional.U32(resourceEntry + 4);
  if (optional.Failed() || resourceRva_ == 0 || resourceSize_ == 0) return false;

  auto sectionTable =
      file_.Read(std::uint64_t{peOffset} + 24 + optionalHeaderSize, std::uint64_t{sectionCount} * SectionHeaderSize);
  if (!sectionTable) return false;
  ByteFields table(*sectionTable);
  for (std::size_t i = 0; i < sectionCount; ++i) {
    std::size_t base = i * SectionHeaderSize;
    sections_.push_back({table.U32(base + 12), table.U32(base + 8), table.U32(base + 16), table.U32(base + 20)});
  }
  return true;
}

std::optional<std::uint64_t> PeImage::FileOffset(std::uint32_t rva, std::uint32_t size) const {
  for (const Section& section : sections_) {
    std::uint32_t extent = std::max(section.virtualSize, section.rawSize);
    if (rva < section.virtualAddress || rva - section.virtualAddress >= extent) continue;
    std::uint32_t within = rva - section.virtualAddress;
    if (within > section.rawSize || size > section.rawSize - within) return std::nullopt;
    return std::uint64_t{section.rawOffset} + within;
  }
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> PeImage::ReadResource(std::uint32_t offset, std::uint32_t size) const {
  if (offset > resourceSize_ || size > resourceSize_ - offset) return std::nullopt;
  auto fileOffset = FileOffset(resourceRva_ + offset, size);
  if (!fileOffset) return std::nullopt;
  return file_.Read(*fileOffset, size);
}

std::optional<std::uint32_t> PeImage::FindEntry(std::uint32_t directory, std::uint32_t id, bool firstIfMissing) const {
  auto header = ReadResource(directory, ResourceDirectorySize);
  if (!header) return std::nullopt;
  ByteFields fields(*header);
  std::uint32_t count = std::uint32_t{fields.U16(12)} + fields.U16(14);
  if (count == 0) return std::nullopt;
  auto entries = ReadResource(directory + ResourceDirectorySize, count * ResourceEntrySize);
  if (!entries) return std::nullopt;
  ByteFields table(*entries);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t name = table.U32(i * ResourceEntrySize);
    if ((name & NamedEntryFlag) == 0 && name == id) return table.U32(i * ResourceEntrySize + 4);
  }
  if (firstIfMissing) return table.U32(4);
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> PeImage::VersionResource(std::uint32_t maxSize) const {
  // Type, then name, then language; the first two levels lead to subdirectories, the last to data.
  auto names = FindEntry(0, ResourceTypeVersion, false);
  if (!names || (*names & SubdirectoryFlag) == 0) return std::nullopt;
  auto languages = FindEntry(*names & ~SubdirectoryFlag, VersionResourceId, true);
  if (!languages || (*languages & SubdirectoryFlag) == 0) return std::nullopt;
  auto dataEntry = FindEntry(*languages & ~SubdirectoryFlag, 0, true);
  if (!dataEntry || (*dataEntry & SubdirectoryFlag) != 0) return std::nullopt;

  auto entry = ReadResource(*dataEntry, 16);
  if (!entry) return std::nullopt;
  ByteFields fields(*entry);
  std::uint32_t dataRva = fields.U32(0);
  std::uint32_t size = std::min(fields.U32(4), maxSize);
  auto offset = FileOffset(dataRva, size);
  if (!offset) return std::nullopt;
  return file_.Read(*offset, size);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadPeVersionResource(const BinaryFileReader& file, std::uint32_t maxSize) {
  PeImage image(file);
  if (!image.Load()) return std::nullopt;
  return image.VersionResource(maxSize);
}
