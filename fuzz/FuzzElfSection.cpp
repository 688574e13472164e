// The version section of an ELF executable, read from any file.
#include "fuzz/FuzzFile.h"
#include "fuzz/FuzzVersionResource.h"
#include "platform/BinaryFileReader.h"
#include "platform/ElfSection.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const BinaryFileReader file(FuzzFile(data, size));
  QueryLikeTheAboutBox(ReadElfSection(file, VersionResourceSectionName, MaxVersionResourceSize));
  return 0;
}
