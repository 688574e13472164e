// The INI reader over any file, looked up as the window reads its type lists.
#include "fuzz/FuzzFile.h"
#include "platform/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TIniFile ini(FuzzFile(data, size));
  for (const char* section : {"PixelType", "ShieldType"})
    for (const char* key : {"1", "2", "3"}) (void)ini.ReadString(section, key, "");
  return 0;
}
