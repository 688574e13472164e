#include "app/Settings.h"
#include "platform/Registry.h"
#include "platform/RegistryStore.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include <unistd.h>

namespace {

// The window's six inputs, as plain values.
class Inputs : public SettingsInputs {
 public:
  std::map<SettingsInput, std::string> texts;
  double port = -1;

  std::string Text(SettingsInput input) const override { return texts.count(input) ? texts.at(input) : "<definition>"; }
  void SetText(SettingsInput input, const std::string& text) override { texts[input] = text; }
  int32_t PortAsInt() const override { return static_cast<int32_t>(std::lround(port)); }
  void SetPort(double value) override { port = value; }
  int32_t CommandTimeout() const override { return commandTimeout; }
  void SetCommandTimeout(int32_t seconds) override { commandTimeout = seconds; }
  int32_t commandTimeout = -1;
};

class ReadOnlyStore : public RegistryStore {
 public:
  using RegistryStore::RegistryStore;
  bool Writable() const override { return false; }
};

const std::string Section = "[HKEY_CURRENT_USER\\SOFTWARE\\KOVA\\Utilities\\Morvane]\n";
const std::string Header = "Windows Registry Editor Version 5.00\n\n";

class SettingsTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return dir_ / "current-user.reg"; }

  ConnectionSettings Settings(bool readOnly = false) {
    return ConnectionSettings(
        [this, readOnly] {
          std::unique_ptr<RegistryStore> store =
              readOnly ? std::make_unique<ReadOnlyStore>(File()) : std::make_unique<RegistryStore>(File());
          return std::make_unique<TRegistry>(std::move(store));
        },
        [this](const std::string& text) { messages_.push_back(text); });
  }

  // A folder where the temporary file must go makes every write of the hive fail, also for root.
  void BlockWrites() {
    std::filesystem::create_directories(File().string() + ".tmp-" + std::to_string(::getpid()) + "/blocker");
  }

  void ExpectDefaults(const Inputs& inputs) {
    EXPECT_EQ(inputs.Text(SettingsInput::Host), ConnectionSettings::DefaultHost);
    EXPECT_EQ(inputs.port, 3306);
    EXPECT_EQ(inputs.Text(SettingsInput::User), "<UserName>");
    EXPECT_EQ(inputs.Text(SettingsInput::Password), "<Password>");
    EXPECT_EQ(inputs.Text(SettingsInput::Database), "<Database>");
    EXPECT_EQ(inputs.Text(SettingsInput::PostToWebSite), "<Post to web site>");
    EXPECT_EQ(inputs.commandTimeout, 30);
  }

  TempDir dir_;
  std::vector<std::string> messages_;
  const std::vector<std::string> bothMessages_ = {"An Exception so deleating the whole key",
                                                  "Doing Default setup setup"};
};

}  // namespace

TEST_F(SettingsTest, FirstRunAppliesDefaultsAndCloseStoresTheSixValues) {
  Inputs inputs;
  Settings().Load(inputs);
  EXPECT_EQ(messages_, std::vector<std::string>{"Doing Default setup setup"});
  ExpectDefaults(inputs);
  EXPECT_EQ(ReadFile(File()), Header + Section);

  inputs.texts[SettingsInput::Host] = "  db.example.org ";
  inputs.port = 3306.6;
  Settings().Save(inputs);
  EXPECT_EQ(ReadFile(File()), Header + Section +
                                  "\"Host\"=\"  db.example.org \"\n"
                                  "\"Port\"=dword:00000ceb\n"
                                  "\"User\"=\"<UserName>\"\n"
                                  "\"Password\"=\"<Password>\"\n"
                                  "\"Database\"=\"<Database>\"\n"
                                  "\"PostToWebSite\"=\"<Post to web site>\"\n"
                                  "\"CommandTimeout\"=dword:0000001e\n");

  Inputs again;
  messages_.clear();
  Settings().Load(again);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(again.texts, inputs.texts);
  EXPECT_EQ(again.port, 3307);
  EXPECT_EQ(again.commandTimeout, 30);
}

TEST_F(SettingsTest, TheCommandTimeOutIsReadAndAnUnusableOneIsTheDefaultWithoutLosingTheKey) {
  const std::string port = "\"Host\"=\"h\"\n\"Port\"=dword:00000cea\n";
  struct Case {
    std::string value;
    int32_t seconds;
  };
  for (const Case& c : {Case{"\"CommandTimeout\"=dword:00000005\n", 5}, Case{"", 30},
                        Case{"\"CommandTimeout\"=dword:00000000\n", 30}, Case{"\"CommandTimeout\"=\"5\"\n", 30}}) {
    WriteFile(File(), Header + Section + port + c.value);
    messages_.clear();
    Inputs inputs;
    Settings().Load(inputs);
    EXPECT_TRUE(messages_.empty()) << c.value;
    EXPECT_EQ(inputs.commandTimeout, c.seconds) << c.value;
    EXPECT_EQ(inputs.Text(SettingsInput::Host), "h") << c.value;
  }
}

TEST_F(SettingsTest, UnusableKeysEndInBothMessagesAndTheDefaults) {
  const std::string keys[] = {
      Section + "\"Host\"=\"read before the failure\"\n",              // Port missing
      Section + "\"Host\"=\"h\"\n\"Port\"=\"3306\"\n",                 // Port as a string
      Section + "\"Host\"=dword:00000001\n\"Port\"=dword:00000cea\n",  // Host as a number
      Section + "\"Port\"=hex(b):ea,0c,00,00,00,00,00,00\n",           // Port too wide
  };
  for (const std::string& key : keys) {
    WriteFile(File(), Header + key);
    messages_.clear();
    Inputs inputs;
    Settings().Load(inputs);
    EXPECT_EQ(messages_, bothMessages_) << key;
    ExpectDefaults(inputs);
    EXPECT_EQ(ReadFile(File()), Header + Section) << key;
    EXPECT_EQ(ReadFile(File().string() + ".mistyped"), Header + key);
  }
}

TEST_F(SettingsTest, AKeyWithOnlyThePortLeavesTheOtherInputsEmptyWithoutAMessage) {
  WriteFile(File(), Header + Section + "\"Port\"=dword:00000cea\n");
  Inputs inputs;
  Settings().Load(inputs);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(inputs.port, 3306);
  for (SettingsInput input : {SettingsInput::Host, SettingsInput::User, SettingsInput::Password,
                              SettingsInput::Database, SettingsInput::PostToWebSite})
    EXPECT_EQ(inputs.Text(input), "");
}

TEST_F(SettingsTest, AnUnparseableStoreIsAnUnreadableKey) {
  WriteFile(File(), "garbage\x01\x02");
  Inputs inputs;
  Settings().Load(inputs);
  EXPECT_EQ(messages_, bothMessages_);
  ExpectDefaults(inputs);
  EXPECT_EQ(ReadFile(File().string() + ".unreadable"), "garbage\x01\x02");
}

TEST_F(SettingsTest, AReadOnlyFileIsReadSaidOnceAndLeftUnchanged) {
  const std::string text = Header + Section +
                           "\"Host\"=\"h\"\n\"Port\"=dword:00000cea\n\"User\"=\"u\"\n"
                           "\"Password\"=\"p\"\n\"Database\"=\"d\"\n\"PostToWebSite\"=\"w\"\n"
                           "\"SslMode\"=\"verify-ca\"\n";
  for (bool modeBits : {true, false}) {
    WriteFile(File(), text);
    if (modeBits) std::filesystem::permissions(File(), std::filesystem::perms::owner_read);
    messages_.clear();
    Inputs inputs;
    Settings(/*readOnly=*/!modeBits).Load(inputs);
    EXPECT_EQ(messages_, std::vector<std::string>{ConnectionSettings::ReadOnlyMessage});
    EXPECT_EQ(inputs.Text(SettingsInput::Host), "h");
    EXPECT_EQ(inputs.port, 3306);
    inputs.texts[SettingsInput::Host] = "changed";
    // The encryption settings are read and left alone alike, without a second message.
    SecuritySettings security = Settings(/*readOnly=*/!modeBits).LoadSecurity();
    EXPECT_EQ(security.mode, "verify-ca");
    security.mode = "disabled";
    Settings(/*readOnly=*/!modeBits).Save(inputs);
    EXPECT_NO_THROW(Settings(/*readOnly=*/!modeBits).SaveSecurity(security));
    EXPECT_EQ(ReadFile(File()), text);
    EXPECT_EQ(messages_.size(), 1u);
    std::filesystem::permissions(File(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
}

TEST_F(SettingsTest, AKeyThatCannotBeDeletedKeepsWhatWasRead) {
  WriteFile(File(), Header + Section + "\"Host\"=\"h\"\n\"Port\"=\"x\"\n");
  BlockWrites();
  Inputs inputs;
  Settings().Load(inputs);
  EXPECT_EQ(messages_, std::vector<std::string>{"An Exception so deleating the whole key"});
  EXPECT_EQ(inputs.Text(SettingsInput::Host), "h");
  EXPECT_EQ(inputs.Text(SettingsInput::User), "<definition>");
}

TEST_F(SettingsTest, AKeyThatCannotBeCreatedStillGetsTheDefaultsAndSaveReportsTheFailure) {
  BlockWrites();
  Inputs inputs;
  Settings().Load(inputs);
  EXPECT_EQ(messages_, std::vector<std::string>{"Doing Default setup setup"});
  ExpectDefaults(inputs);
  EXPECT_THROW(Settings().Save(inputs), ERegistryException);
}

TEST_F(SettingsTest, SaveRemovesValuesAndSubKeysAddedByHand) {
  WriteFile(File(),
            Header + Section + "\"Extra\"=\"x\"\n\n[HKEY_CURRENT_USER\\SOFTWARE\\KOVA\\Utilities\\Morvane\\Sub]\n");
  Inputs inputs;
  inputs.port = 1;
  Settings().Save(inputs);
  std::string text = ReadFile(File());
  EXPECT_EQ(text.find("Extra"), std::string::npos);
  EXPECT_EQ(text.find("\\Sub]"), std::string::npos);
}
