#include "platform/IniFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

TEST(IniFile, AppliesTheProfileRules) {
  TempDir dir;
  WriteFile(dir / "types.ini",
            "\xEF\xBB\xBF; comment line\r\n"
            "[PixelType]\r\n"
            "  2 =   second  \r\n"
            "1=\"  quoted keeps inner blanks  \"\r\n"
            "3='single'\r\n"
            "4=\"unbalanced\r\n"
            "5=\"a\" and \"b\"\r\n"
            "1=repeated key is ignored\r\n"
            "[ shieldtype ]\n"
            "ONE=upper\n"
            "[PixelType]\n"
            "9=repeated section is ignored\n");
  TIniFile ini(dir / "types.ini");

  struct Case {
    const char* section;
    const char* key;
    std::string expected;
  };
  const Case cases[] = {
      {"PixelType", "1", "  quoted keeps inner blanks  "},
      {"pixeltype", "2", "second"},
      {"PIXELTYPE", "3", "single"},
      {"PixelType", "4", "\"unbalanced"},
      {"PixelType", "5", "a\" and \"b"},
      {"ShieldType", "one", "upper"},
      {"PixelType", "9", "default"},
      {"NoSuchSection", "1", "default"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ini.ReadString(c.section, c.key, "default"), c.expected) << c.section << "/" << c.key;
}

TEST(IniFile, CutsLongValuesAtWholeCharacters) {
  TempDir dir;
  std::string longValue(TIniFile::MaxValueLength - 1, 'x');
  longValue += "\xC3\xA9\xC3\xA9tail";  // two two-byte characters straddle the limit
  WriteFile(dir / "long.ini", "[s]\nk=" + longValue + "\n");

  std::string value = TIniFile(dir / "long.ini").ReadString("s", "k", "");
  EXPECT_EQ(value, std::string(TIniFile::MaxValueLength - 1, 'x') + "\xC3\xA9");
}

TEST(IniFile, MissingFileReadsAsEmpty) {
  TempDir dir;
  EXPECT_EQ(TIniFile(dir / "absent.ini").ReadString("PixelType", "1", ""), "");
}

TEST(IniFile, ReadsTheEncodingsWindowsSavesIn) {
  const std::string utf8 =
      "[PixelType]\r\n1=Pixel f\xC3\xBCr Au\xC3\x9F"
      "en\r\n";
  auto utf16 = [&](bool bigEndian) {
    std::u16string units = u"\uFEFF[PixelType]\r\n1=Pixel f\u00FCr Au\u00DFen\r\n";
    std::string bytes;
    for (char16_t unit : units) {
      char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
      bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
  };
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"UTF-8", utf8},
      {"UTF-8 with byte-order mark", "\xEF\xBB\xBF" + utf8},
      {"ANSI code page",
       "[PixelType]\r\n1=Pixel f\xFCr Au\xDF"
       "en\r\n"},
      {"UTF-16 little-endian", utf16(false)},
      {"UTF-16 little-endian with an odd last byte", utf16(false) + "\x41"},
      {"UTF-16 big-endian", utf16(true)},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteFile(dir / "Morvane.ini", c.bytes);
    EXPECT_EQ(TIniFile(dir / "Morvane.ini").ReadString("PixelType", "1", ""),
              "Pixel f\xC3\xBCr Au\xC3\x9F"
              "en")
        << c.name;
  }
}
