// The version resource of a Windows executable, read from any file.
#include "fuzz/FuzzFile.h"
#include "fuzz/FuzzVersionResource.h"
#include "platform/BinaryFileReader.h"
#include "platform/PeVersionResource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const BinaryFileReader file(FuzzFile(data, size));
  QueryLikeTheAboutBox(ReadPeVersionResource(file, MaxVersionResourceSize));
  return 0;
}
