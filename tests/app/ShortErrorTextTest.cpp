#include "app/ShortErrorText.h"

#include <gtest/gtest.h>

TEST(ShortErrorText, KeepsTheFirstLineWithoutTheSqlState) {
  struct Case {
    const char* message;
    const char* shortText;
  };
  for (const Case& c : {
           Case{"\r\n#22001Data too long for column 'note' at row 1", "Data too long for column 'note' at row 1"},
           Case{"Lost connection to MySQL server during query\nError on data reading from the connection:\n"
                "Resource temporarily unavailable.",
                "Lost connection to MySQL server during query"},
           Case{"Cannot perform this operation on a closed dataset",
                "Cannot perform this operation on a closed dataset"},
           Case{"\r\n", ""},
           Case{"#2300", "#2300"},
           Case{"", ""},
       })
    EXPECT_EQ(ShortErrorText(c.message), c.shortText) << c.message;
}
