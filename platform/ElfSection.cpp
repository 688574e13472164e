#include "platform/ElfSection.h"

#include "platform/ByteFields.h"

#include <algorithm>

namespace {

constexpr std::uint32_t SectionTypeNoBits = 8;
constexpr std::uint16_t ExtendedSectionIndex = 0xFFFF;
// Far above what any real program has; bounds the header table read from a damaged file.
constexpr std::uint64_t MaxSectionCount = 0x10000;
constexpr std::uint64_t MaxNameTableSize = 16 * 1024 * 1024;

struct SectionHeader {
  std::uint32_t name = 0;
  std::uint32_t type = 0;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::uint32_t link = 0;
};

// Field offsets that differ between the two ELF classes.
struct ElfLayout {
  std::size_t fileHeaderSize;
  std::size_t sectionTableOffset, sectionEntrySize, sectionCount, nameTableIndex;
  std::size_t minSectionEntrySize;
  bool wide;
};

constexpr ElfLayout Elf32Layout{52, 0x20, 0x2E, 0x30, 0x32, 40, false};
constexpr ElfLayout Elf64Layout{64, 0x28, 0x3A, 0x3C, 0x3E, 64, true};

SectionHeader DecodeSectionHeader(ByteFields& fields, std::size_t base, bool wide) {
  SectionHeader header;
  header.name = fields.U32(base);
  header.type = fields.U32(base + 4);
  header.offset = wide ? fields.U64(base + 0x18) : fields.U32(base + 0x10);
  header.size = wide ? fields.U64(base + 0x20) : fields.U32(base + 0x14);
  header.link = fields.U32(base + (wide ? 0x28 : 0x18));
  return header;
}

std::optional<std::vector<std::uint8_t>> SectionContents(const BinaryFileReader& file, const SectionHeader& header,
                                                         std::uint64_t maxSize) {
  if (header.type == SectionTypeNoBits || header.size > maxSize) return std::nullopt;
  return file.Read(header.offset, header.size);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadElfSection(const BinaryFileReader& file, std::string_view name,
                                                        std::uint64_t maxSize) {
  auto ident = file.Read(0, 16);
  if (!ident || (*ident)[0] != 0x7F || (*ident)[1] != 'E' || (*ident)[2] != 'L' || (*ident)[3] != 'F')
    return std::nullopt;
  std::uint8_t elfClass = (*ident)[4], dataOrder = (*ident)[5];
  if ((elfClass != 1 && elfClass != 2) || (dataOrder != 1 && dataOrder != 2)) return std::nullopt;
  const ElfLayout& layout = elfClass == 2 ? Elf64Layout : Elf32Layout;
  auto order = dataOrder == 2 ? ByteFields::Order::BigEndian : ByteFields::Order::LittleEndian;

  auto headerBytes = file.Read(0, layout.fileHeaderSize);
  if (!headerBytes) return std::nullopt;
  ByteFields header(*headerBytes, order);
  std::uint64_t tableOffset =
      layout.wide ? header.U64(layout.sectionTableOffset) : header.U32(layout.sectionTableOffset);
  std::uint64_t entrySize = header.U16(layout.sectionEntrySize);
  std::uint64_t count = header.U16(layout.sectionCount);
  std::uint32_t nameTableIndex = header.U16(layout.nameTableIndex);
  if (tableOffset == 0 || entrySize < layout.minSectionEntrySize) return std::nullopt;

  // Files with very many sections keep the real count and name-table index in section 0.
  if (count == 0 || nameTableIndex == ExtendedSectionIndex) {
    auto firstEntry = file.Read(tableOffset, entrySize);
    if (!firstEntry) return std::nullopt;
    ByteFields fields(*firstEntry, order);
    SectionHeader first = DecodeSectionHeader(fields, 0, layout.wide);
    if (count == 0) count = first.size;
    if (nameTableIndex == ExtendedSectionIndex) nameTableIndex = first.link;
  }
  if (count == 0 || count > MaxSectionCount || nameTableIndex >= count) return std::nullopt;

  auto tableBytes = file.Read(tableOffset, count * entrySize);
  if (!tableBytes) return std::nullopt;
  ByteFields table(*tableBytes, order);
  std::vector<SectionHeader> sections;
  sections.reserve(count);
  for (std::uint64_t i = 0; i < count; ++i) sections.push_back(DecodeSectionHeader(table, i * entrySize, layout.wide));

  auto names = SectionContents(file, sections[nameTableIndex], MaxNameTableSize);
  if (!names) return std::nullopt;
  for (const SectionHeader& section : sections) {
    if (section.name >= names->size()) continue;
    auto begin = names->begin() + section.name;
    auto end = std::find(begin, names->end(), std::uint8_t{0});
    if (end == names->end() || !std::equal(begin, end, name.begin(), name.end())) continue;
    return SectionContents(file, section, maxSize);
  }
  return std::nullopt;
}
