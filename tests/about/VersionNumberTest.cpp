#include "about/FileVersionNumber.h"

#include <gtest/gtest.h>

namespace {

TEST(FileVersionNumber, ComparesFieldByFieldAsNumbers) {
  struct Case {
    TFileVersionNumber a, b;
    int sign;
  };
  const Case cases[] = {
      {{1, 2, 3, 4}, {1, 10, 0, 0}, -1}, {{2, 0, 0, 0}, {1, 65535, 65535, 65535}, 1},
      {{1, 2, 3, 4}, {1, 2, 3, 4}, 0},   {{1, 2, 3, 5}, {1, 2, 3, 4}, 1},
      {{0, 0, 0, 0}, {0, 0, 0, 1}, -1},  {{65535, 0, 0, 0}, {0, 65535, 65535, 65535}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(VerNumToStr(c.a) + " vs " + VerNumToStr(c.b));
    int result = CompareVerNums(c.a, c.b);
    EXPECT_EQ((result > 0) - (result < 0), c.sign);
    EXPECT_EQ(c.a == c.b, c.sign == 0);
    EXPECT_EQ(c.a != c.b, c.sign != 0);
    EXPECT_EQ(c.a < c.b, c.sign < 0);
    EXPECT_EQ(c.a <= c.b, c.sign <= 0);
    EXPECT_EQ(c.a > c.b, c.sign > 0);
    EXPECT_EQ(c.a >= c.b, c.sign >= 0);
  }
  EXPECT_EQ(CompareVerNums({1, 2, 3, 4}, {1, 10, 0, 0}), -8) << "the difference of the first differing field";
}

TEST(FileVersionNumber, ShownAsFourDecimalFields) {
  EXPECT_EQ(VerNumToStr({1, 0, 0, 12}), "1.0.0.12");
  EXPECT_EQ(VerNumToStr({65535, 65535, 65535, 65535}), "65535.65535.65535.65535");
  std::string implicit = TFileVersionNumber{3, 1, 4, 15};
  EXPECT_EQ(implicit, "3.1.4.15");
  EXPECT_EQ(VerNumToStr(TFileVersionNumber::FromDoubleWords(0x00030001, 0x0004000F)), "3.1.4.15");
}

}  // namespace
