#include "wire/MessageFormat.h"
#include "wire/MySqlErrors.h"

#include <gtest/gtest.h>

TEST(ClientErrors, TableHasOneTemplatePerCodeWithItsExactText) {
  EXPECT_EQ(ClientErrors.size(), 48u);
  const std::pair<int, const char*> rows[] = {
      {2000, "Unknown MySQL error"},
      {2002, "Can't connect to local MySQL server through socket '%-.64s' (%d)"},
      {2003, "Can't connect to MySQL server on '%s' (%d)"},
      {2013, "Lost connection to MySQL server during query"},
      {2014, "Commands out of sync;  You can't run this command now"},
      {2016, "Can't wait for named pipe to host: %s  pipe: %s (%s)"},
      {2020, "Got packet bigger than 'max_allowed_packet'"},
      {2027, "Malformed packet"},
      {2035, "Using unsupported buffer type: %s  (parameter: %s)"},
      {2040, "Can't open shared memory. Map of memory don't create  (%s)"},
      {2044, "Can't open shared memory. Server abandoded and don't sent the answer event (%s)"},
      {2046, "Wrong or unknown protocol"},
      {2047, "Invalid connection handle"},
  };
  for (const auto& [code, text] : rows) EXPECT_EQ(GetError(code), text) << code;
}

TEST(ClientErrors, CodesOutsideTheRangeHaveNoTemplate) {
  EXPECT_EQ(GetError(1999), "");
  EXPECT_EQ(GetError(2048), "");
  EXPECT_EQ(GetError(1062), "");
}

TEST(EMySqlException, MessageIsBuiltFromTemplateArgumentsAndDetail) {
  struct TCase {
    EMySqlException Error;
    int Code;
    const char* Message;
  };
  const TCase cases[] = {
      {EMySqlException(2014), 2014, "Commands out of sync;  You can't run this command now"},
      {EMySqlException(2003), 2003, "Can't connect to MySQL server on '%s' (%d)"},
      {EMySqlException(2003, {std::string("db"), std::int64_t{10061}}, "transport text"), 2003, "transport text"},
      {EMySqlException(2003, {std::string("db"), std::int64_t{10061}}, ""), 2003,
       "Can't connect to MySQL server on 'db' (10061)"},
      {EMySqlException(2007, {std::int64_t{9}, std::int64_t{10}}, ""), 2007,
       "Protocol mismatch. Server Version = 9 Client Version = 10"},
      {EMySqlException(1062, "#23000Duplicate entry"), 1062, "\r\n#23000Duplicate entry"},
      {EMySqlException(2013, "Error on data reading"), 2013,
       "Lost connection to MySQL server during query\r\nError on data reading"},
      {EMySqlException(2013, ""), 2013, "Lost connection to MySQL server during query"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(c.Error.ErrorCode(), c.Code);
    EXPECT_STREQ(c.Error.what(), c.Message);
  }
}

TEST(FormatTemplate, FormatsTheConversionsTheMessagesUse) {
  EXPECT_EQ(FormatTemplate("%d($%X)", {std::int64_t{111}, std::int64_t{111}}), "111($6F)");
  EXPECT_EQ(FormatTemplate("%d($%X)", {std::int64_t{-2}, std::int64_t{-2}}), "-2($FFFFFFFE)");
  EXPECT_EQ(FormatTemplate("'%-.3s'", {std::string("abcdef")}), "'abc'");
  EXPECT_EQ(FormatTemplate("[%5s|%-4d]", {std::string("ab"), std::int64_t{7}}), "[   ab|7   ]");
  EXPECT_EQ(FormatTemplate("100%% %s", {std::string("sure")}), "100% sure");
  // Missing or mismatched arguments leave the placeholder as written.
  EXPECT_EQ(FormatTemplate("%s and %d", {std::string("one")}), "one and %d");
  EXPECT_EQ(FormatTemplate("%d", {std::string("text")}), "%d");
}
