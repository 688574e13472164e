#include "app/TypeLists.h"
#include "platform/IniFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

TEST(TypeLists, ReadsNumberedEntriesUntilTheFirstGapOrEmptyValue) {
  TempDir dir;
  WriteFile(dir / "Morvane.ini",
            "[PixelType]\n2=second\n1=first\n3=first\n5=after a gap\n"
            "[ShieldType]\n1=only\n2=\n3=after an empty value\n");
  TIniFile ini(dir / "Morvane.ini");
  EXPECT_EQ(ReadTypeList(ini, "PixelType"), (std::vector<std::string>{"first", "second", "first"}));
  EXPECT_EQ(ReadTypeList(ini, "ShieldType"), std::vector<std::string>{"only"});
  EXPECT_TRUE(ReadTypeList(ini, "Missing").empty());
}
