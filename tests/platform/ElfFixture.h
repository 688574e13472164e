#pragma once
// Writing small ELF files for the section reader's tests.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// A minimal ELF file holding only named sections (plus the section-name table), in either class
// and byte order: enough for a reader that looks sections up by name.
struct ElfFixtureOptions {
  bool wide = true;
  bool bigEndian = false;
};

std::vector<std::uint8_t> MakeElfFile(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& sections,
                                      ElfFixtureOptions options = {});

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

// A folder of its own under the system's temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};
