#include "tests/platform/ElfFixture.h"

#include <atomic>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

namespace {

class ElfWriter {
 public:
  explicit ElfWriter(ElfFixtureOptions options) : options_(options) {}

  void Put(std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
      int shift = options_.bigEndian ? (width - 1 - i) * 8 : i * 8;
      bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
  }
  // An address-sized field: 8 bytes in 64-bit files, 4 in 32-bit ones.
  void PutWord(std::uint64_t value) { Put(value, options_.wide ? 8 : 4); }
  void PutBytes(const std::vector<std::uint8_t>& data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
  std::size_t Size() const { return bytes_.size(); }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  ElfFixtureOptions options_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace

std::vector<std::uint8_t> MakeElfFile(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& sections,
                                      ElfFixtureOptions options) {
  // Section 0 is the null section, then the given ones, then the name table.
  std::vector<std::uint8_t> names{0};
  std::vector<std::uint32_t> nameOffsets;
  for (const auto& [name, data] : sections) {
    nameOffsets.push_back(static_cast<std::uint32_t>(names.size()));
    names.insert(names.end(), name.begin(), name.end());
    names.push_back(0);
  }
  std::uint32_t nameTableName = static_cast<std::uint32_t>(names.size());
  for (char c : std::string(".shstrtab")) names.push_back(static_cast<std::uint8_t>(c));
  names.push_back(0);

  std::size_t headerSize = options.wide ? 64 : 52;
  std::size_t tableOffset = headerSize + names.size();
  for (const auto& [name, data] : sections) tableOffset += data.size();
  tableOffset = (tableOffset + 7) & ~std::size_t{7};

  ElfWriter out(options);
  out.PutBytes({0x7F, 'E', 'L', 'F', std::uint8_t(options.wide ? 2 : 1), std::uint8_t(options.bigEndian ? 2 : 1), 1});
  out.PutBytes(std::vector<std::uint8_t>(9, 0));
  out.Put(1, 2);                       // e_type: relocatable
  out.Put(options.wide ? 62 : 3, 2);   // e_machine
  out.Put(1, 4);                       // e_version
  out.PutWord(0);                      // e_entry
  out.PutWord(0);                      // e_phoff
  out.PutWord(tableOffset);            // e_shoff
  out.Put(0, 4);                       // e_flags
  out.Put(headerSize, 2);              // e_ehsize
  out.Put(0, 2);                       // e_phentsize
  out.Put(0, 2);                       // e_phnum
  out.Put(options.wide ? 64 : 40, 2);  // e_shentsize
  out.Put(sections.size() + 2, 2);     // e_shnum
  out.Put(sections.size() + 1, 2);     // e_shstrndx

  std::vector<std::pair<std::uint64_t, std::uint64_t>> placement;
  for (const auto& [name, data] : sections) {
    placement.emplace_back(out.Size(), data.size());
    out.PutBytes(data);
  }
  placement.emplace_back(out.Size(), names.size());
  out.PutBytes(names);
  while (out.Size() % 8 != 0) out.Put(0, 1);

  auto putSectionHeader = [&](std::uint32_t name, std::uint32_t type, std::uint64_t offset, std::uint64_t size) {
    out.Put(name, 4);
    out.Put(type, 4);
    out.PutWord(0);  // sh_flags
    out.PutWord(0);  // sh_addr
    out.PutWord(offset);
    out.PutWord(size);
    out.Put(0, 4);   // sh_link
    out.Put(0, 4);   // sh_info
    out.PutWord(1);  // sh_addralign
    out.PutWord(0);  // sh_entsize
  };
  putSectionHeader(0, 0, 0, 0);
  for (std::size_t i = 0; i < sections.size(); ++i)
    putSectionHeader(nameOffsets[i], 1, placement[i].first, placement[i].second);
  putSectionHeader(nameTableName, 3, placement.back().first, placement.back().second);
  return out.Take();
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ScratchFolder::ScratchFolder() {
  static std::atomic<int> serial{0};
  path_ = std::filesystem::temp_directory_path() /
          ("morvane-about-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}
