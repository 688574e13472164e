#include "app/MacAddress.h"

#include <gtest/gtest.h>

TEST(MacAddress, ComposesSeventeenCharacters) {
  struct Case {
    int b4, b5, b6;
    const char* text;
  };
  for (const Case& c : {Case{10, 255, 3, "54-2F-89-0A-FF-03"}, Case{0, 0, 0, "54-2F-89-00-00-00"},
                        Case{16, 171, 15, "54-2F-89-10-AB-0F"}})
    EXPECT_EQ(MacText(c.b4, c.b5, c.b6), c.text);
}
