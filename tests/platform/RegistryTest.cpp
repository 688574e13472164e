#include "platform/Registry.h"
#include "platform/RegistryStore.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

constexpr const char* Key = "\\SOFTWARE\\KOVA\\Utilities\\Morvane";

class RegistryTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return dir_ / "current-user.reg"; }
  std::unique_ptr<TRegistry> Open() { return std::make_unique<TRegistry>(std::make_unique<RegistryStore>(File())); }
  TempDir dir_;
};

}  // namespace

TEST_F(RegistryTest, WritesTheExportFormatPrivatelyAndReadsItBack) {
  {
    auto reg = Open();
    ASSERT_TRUE(reg->OpenKey(Key, true));
    reg->WriteString("Host", " db \"main\" \\ host ");
    reg->WriteInteger("Port", 3306);
    reg->WriteString("Note", "line1\nline2");
    reg->WriteString("Empty", "");
    reg->CloseKey();
  }
  std::string text = ReadFile(File());
  EXPECT_EQ(text.substr(0, text.find('\n')), "Windows Registry Editor Version 5.00");
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\SOFTWARE\\KOVA\\Utilities\\Morvane]\n"), std::string::npos);
  EXPECT_NE(text.find("\"Host\"=\" db \\\"main\\\" \\\\ host \"\n"), std::string::npos);
  EXPECT_NE(text.find("\"Port\"=dword:00000cea\n"), std::string::npos);
  struct stat info {};
  ASSERT_EQ(::stat(File().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600);

  auto reg = Open();
  ASSERT_TRUE(reg->KeyExists("\\software\\kova\\utilities\\MORVANE"));
  ASSERT_TRUE(reg->OpenKey(Key, false));
  EXPECT_EQ(reg->ReadString("host"), " db \"main\" \\ host ");
  EXPECT_EQ(reg->ReadInteger("Port"), 3306);
  EXPECT_EQ(reg->ReadString("Note"), "line1\nline2");
  EXPECT_EQ(reg->ReadString("Empty"), "");
  EXPECT_EQ(reg->ReadString("Missing"), "");
}

TEST_F(RegistryTest, ReadsFailWithTheSystemTexts) {
  WriteFile(File(),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\KOVA\\Utilities\\Morvane]\n"
            "\"Text\"=\"3306\"\n"
            "\"Number\"=dword:ffffffff\n"
            "\"Short\"=hex:01,02\n"
            "\"Wide\"=hex(b):01,00,00,00,00,00,00,00\n"
            "\"Expand\"=hex(2):41,00,42,00,00,00\n");
  auto reg = Open();
  ASSERT_TRUE(reg->OpenKey(Key, false));

  struct Case {
    const char* name;
    bool asInteger;
    const char* error;
  };
  const Case failures[] = {
      {"Missing", true, "Failed to get data for 'Missing'"},
      {"Text", true, "Failed to get data for 'Text'"},  // ten bytes of UTF-16 do not fit in four
      {"Wide", true, "Failed to get data for 'Wide'"},
      {"Short", true, "Invalid data type for 'Short'"},
      {"Number", false, "Invalid data type for 'Number'"},
      {"Short", false, "Invalid data type for 'Short'"},
  };
  for (const Case& c : failures) {
    try {
      c.asInteger ? (void)reg->ReadInteger(c.name) : (void)reg->ReadString(c.name);
      ADD_FAILURE() << c.name << " did not fail";
    } catch (const ERegistryException& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
  }
  EXPECT_EQ(reg->ReadInteger("Number"), -1);
  EXPECT_EQ(reg->ReadString("Expand"), "AB");
}

TEST_F(RegistryTest, DeleteKeyRemovesSubKeysAndKeepsOtherKeys) {
  {
    auto reg = Open();
    ASSERT_TRUE(reg->OpenKey(std::string(Key) + "\\Extra\\Deeper", true));
    reg->WriteString("x", "1");
    ASSERT_TRUE(reg->OpenKey("\\SOFTWARE\\KOVA\\Other", true));
    reg->WriteString("keep", "me");
  }
  auto reg = Open();
  EXPECT_TRUE(reg->DeleteKey(Key));
  EXPECT_FALSE(reg->DeleteKey(Key));
  EXPECT_FALSE(Open()->KeyExists(std::string(Key) + "\\Extra"));
  EXPECT_FALSE(Open()->KeyExists(Key));
  auto other = Open();
  ASSERT_TRUE(other->OpenKey("\\SOFTWARE\\KOVA\\Other", false));
  EXPECT_EQ(other->ReadString("keep"), "me");
}

TEST_F(RegistryTest, AnUnparseableFileReadsAsAnUnreadableKeyAndIsKeptAside) {
  WriteFile(File(), "this is not an export file\n");
  auto reg = Open();
  ASSERT_TRUE(reg->KeyExists(Key));
  ASSERT_TRUE(reg->OpenKey(Key, false));
  EXPECT_THROW(reg->ReadString("Host"), ERegistryException);

  ASSERT_TRUE(reg->DeleteKey(Key));
  EXPECT_FALSE(reg->KeyExists(Key));
  EXPECT_EQ(ReadFile(File().string() + ".unreadable"), "this is not an export file\n");
  ASSERT_TRUE(reg->OpenKey(Key, true));
  EXPECT_TRUE(Open()->KeyExists(Key));
}

TEST_F(RegistryTest, AFailedWriteLeavesTheFileAndTheKeyAsTheyWere) {
  ASSERT_TRUE(Open()->OpenKey(Key, true));
  std::string before = ReadFile(File());
  // A folder where the temporary file must go makes every write fail, also for root.
  std::filesystem::create_directories(File().string() + ".tmp-" + std::to_string(::getpid()) + "/blocker");

  auto reg = Open();
  ASSERT_TRUE(reg->OpenKey(Key, false));
  EXPECT_THROW(reg->WriteString("Host", "h"), ERegistryException);
  EXPECT_FALSE(reg->DeleteKey(Key));
  EXPECT_TRUE(reg->KeyExists(Key));
  EXPECT_EQ(reg->ReadString("Host"), "");
  EXPECT_EQ(ReadFile(File()), before);
}

TEST(RegistryStore, LivesUnderTheUsersConfigFolder) {
  ::setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
  EXPECT_EQ(RegistryStore::DefaultFile(), "/tmp/cfg/KOVA/current-user.reg");
  ::setenv("XDG_CONFIG_HOME", "", 1);
  ::setenv("HOME", "/home/tech", 1);
  EXPECT_EQ(RegistryStore::DefaultFile(), "/home/tech/.config/KOVA/current-user.reg");
}

TEST(RegistryHive, EveryParsedHiveSerializesToATextThatParsesToTheSameHive) {
  const std::string header = "Windows Registry Editor Version 5.00\n";
  struct Case {
    const char* text;
    std::vector<std::string> keys;
  };
  const Case cases[] = {
      {"[\\]\n[8]\n", {"", "\\", "8"}},
      {"[\\\\\\\\x]\n[\\\\\\\\]\n\"v\"=dword:00000001\n", {"\\", "\\\\", "\\\\\\", "\\\\\\\\", "\\\\\\\\x"}},
      {"[a]\n[a!]\n[a\\b]\n[A\xC3\xA9]\n[a\\b\xC3\xA9\\c]\n",
       {"a", "a!", "a\\b", "a\xC3\xA9", "a\\b\xC3\xA9", "a\\b\xC3\xA9\\c"}},
      {"[k]\n\"x\"=hex(3):01\n\"\"=\"default\"\n\"Tab\"=\"a\tb\"\n", {"k"}},
  };
  for (const Case& c : cases) {
    auto first = RegistryHive::Parse(header + c.text);
    ASSERT_TRUE(first) << c.text;
    const std::string written = first->Serialize();
    auto again = RegistryHive::Parse(written);
    ASSERT_TRUE(again) << written;
    EXPECT_EQ(again->Serialize(), written);
    for (const std::string& key : c.keys) EXPECT_TRUE(again->HasKey(key)) << key << " in " << written;
  }
}

// A key path thousands of levels deep is one entry (its parents exist through it), so reading and
// writing it costs its length, not the square of its depth; a deleted key leaves its parent.
TEST(RegistryHive, ADeepKeyIsReadAndWrittenAsOneSectionAndLeavesItsParentWhenDeleted) {
  std::string parent = "HKEY_CURRENT_USER";
  for (int level = 0; level < 20000; ++level) parent += "\\k" + std::to_string(level % 10);
  const std::string deepest = parent + "\\last";
  auto hive = RegistryHive::Parse("Windows Registry Editor Version 5.00\n\n[" + deepest + "]\n\"v\"=dword:00000001\n");
  ASSERT_TRUE(hive);
  const std::string written = hive->Serialize();
  EXPECT_EQ(written, "Windows Registry Editor Version 5.00\n\n[" + deepest + "]\n\"v\"=dword:00000001\n");
  EXPECT_TRUE(hive->HasKey(parent.substr(0, parent.find("\\k5"))));
  EXPECT_TRUE(hive->DeleteKey(deepest));
  EXPECT_FALSE(hive->HasKey(deepest));
  EXPECT_TRUE(hive->HasKey(parent));
}

TEST(RegistryHive, ReadsTheUtf16ExportOfTheRegistryEditor) {
  const std::u16string exported =
      u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_CURRENT_USER\\SOFTWARE\\KOVA\\Utilities\\Morvane]\r\n"
      u"\"Host\"=\"Gr\u00FC\u00DFe\"\r\n\"Port\"=dword:00000cea\r\n\r\n";
  std::string bytes;
  for (char16_t unit : exported) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  auto hive = RegistryHive::Parse(bytes);
  ASSERT_TRUE(hive);
  const std::string key = "HKEY_CURRENT_USER\\SOFTWARE\\KOVA\\Utilities\\Morvane";
  ASSERT_NE(hive->FindValue(key, "host"), nullptr);
  EXPECT_EQ(*hive->FindValue(key, "host"), RegistryValue::String("Host",
                                                                 "Gr\xC3\xBC\xC3\x9F"
                                                                 "e"));
  EXPECT_EQ(hive->Serialize().substr(0, 37), "Windows Registry Editor Version 5.00\n");
  EXPECT_FALSE(RegistryHive::Parse(bytes + "x")) << "an odd byte count is no UTF-16 text";
}
