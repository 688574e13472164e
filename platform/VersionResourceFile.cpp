#include "platform/VersionResourceFile.h"

#include "platform/BinaryFileReader.h"
#include "platform/ElfSection.h"
#include "platform/ModuleSearch.h"
#include "platform/PeVersionResource.h"
#include "platform/VersionResourceFormat.h"

std::optional<std::vector<std::uint8_t>> ReadFileVersionResource(const std::string& fileName) {
  BinaryFileReader file(ResolveModuleFileName(fileName));
  if (!file.IsOpen()) return std::nullopt;
  auto resource = ReadPeVersionResource(file, MaxVersionResourceSize);
  if (!resource) resource = ReadElfSection(file, VersionResourceSectionName, MaxVersionResourceSize);
  if (!resource || resource->empty()) return std::nullopt;
  return resource;
}
