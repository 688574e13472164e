#include "platform/IniFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

TEST(IniFile, AppliesTheProfileRules)
{
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

TEST(IniFile, CutsLongValuesAtWholeCharacters)
{
    TempDir dir;
    std::string longValue(TIniFile::MaxValueLength - 1, 'x');
    longValue += "\xC3\xA9\xC3\xA9tail"; // two two-byte characters straddle the limit
    WriteFile(dir / "long.ini", "[s]\nk=" + longValue + "\n");

    std::string value = TIniFile(dir / "long.ini").ReadString("s", "k", "");
    EXPECT_EQ(value, std::string(TIniFile::MaxValueLength - 1, 'x') + "\xC3\xA9");
}

TEST(IniFile, MissingFileReadsAsEmpty)
{
    TempDir dir;
    EXPECT_EQ(TIniFile(dir / "absent.ini").ReadString("PixelType", "1", ""), "");
}
