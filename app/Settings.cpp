#include "app/Settings.h"

#include "platform/Registry.h"

namespace {

struct SettingsValue {
  const char* name;
  SettingsInput input;
  const char* defaultText;  // null for the port
};

constexpr SettingsValue Values[] = {
    {"Host", SettingsInput::Host, ConnectionSettings::DefaultHost},
    {"Port", SettingsInput::Port, nullptr},
    {"User", SettingsInput::User, "<UserName>"},
    {"Password", SettingsInput::Password, "<Password>"},
    {"Database", SettingsInput::Database, "<Database>"},
    {"PostToWebSite", SettingsInput::PostToWebSite, "<Post to web site>"},
};

constexpr double DefaultPort = 3306;
constexpr const char* CommandTimeoutName = "CommandTimeout";

int32_t ReadCommandTimeout(TRegistry& registry) {
  try {
    int32_t seconds = registry.ReadInteger(CommandTimeoutName);
    return seconds > 0 ? seconds : ConnectionSettings::DefaultCommandTimeout;
  } catch (const ERegistryException&) {
    return ConnectionSettings::DefaultCommandTimeout;
  }
}

struct SecurityValue {
  const char* name;
  std::string SecuritySettings::*field;
};

constexpr SecurityValue SecurityValues[] = {
    {"SslMode", &SecuritySettings::mode},
    {"SslCa", &SecuritySettings::caFile},
    {"SslCert", &SecuritySettings::certFile},
    {"SslKey", &SecuritySettings::keyFile},
    {"ServerPublicKey", &SecuritySettings::serverPublicKeyFile},
};

struct SecurityFlag {
  const char* name;
  bool SecuritySettings::*field;
};

constexpr SecurityFlag SecurityFlags[] = {
    {"GetServerPublicKey", &SecuritySettings::getServerPublicKey},
    {"EnableClearTextPlugin", &SecuritySettings::enableClearText},
    {"AllowOldPasswords", &SecuritySettings::allowOldPasswords},
};

// A missing flag is off, as in a file written before the flag existed.
bool ReadFlag(TRegistry& registry, const char* name) {
  try {
    return registry.ReadInteger(name) != 0;
  } catch (const ERegistryException&) {
    return false;
  }
}

// Reads the six values of the open key into the inputs, and the command time-out; false when one of
// the six is missing or mistyped.
bool ReadValues(TRegistry& registry, SettingsInputs& inputs) {
  try {
    for (const SettingsValue& value : Values) {
      if (value.defaultText)
        inputs.SetText(value.input, registry.ReadString(value.name));
      else
        inputs.SetPort(registry.ReadInteger(value.name));
    }
    inputs.SetCommandTimeout(ReadCommandTimeout(registry));
  } catch (const ERegistryException&) {
    return false;
  }
  return true;
}

}  // namespace

ConnectionSettings::ConnectionSettings(RegistryFactory openRegistry, MessageFunction showMessage)
    : openRegistry_(std::move(openRegistry)), showMessage_(std::move(showMessage)) {}

void ConnectionSettings::Load(SettingsInputs& inputs) {
  std::unique_ptr<TRegistry> KOVaReg = openRegistry_();
  if (KOVaReg->KeyExists(Key) && !KOVaReg->OpenKey(Key, false)) {
    // Read as it is and left alone: Save does not replace a key it could not open for writing.
    showMessage_(ReadOnlyMessage);
    if (KOVaReg->OpenKeyReadOnly(Key)) ReadValues(*KOVaReg, inputs);
    return;
  }
  if (KOVaReg->KeyExists(Key) && !ReadValues(*KOVaReg, inputs)) {
    showMessage_("An Exception so deleating the whole key");
    // One mistyped value must not cost the others: they stay readable in the copy.
    KOVaReg->KeepCopy(".mistyped");
    KOVaReg->DeleteKey(Key);
  }
  if (!KOVaReg->KeyExists(Key)) {
    KOVaReg->OpenKey(Key, true);
    showMessage_("Doing Default setup setup");
    for (const SettingsValue& value : Values) {
      if (value.defaultText)
        inputs.SetText(value.input, value.defaultText);
      else
        inputs.SetPort(DefaultPort);
    }
    inputs.SetCommandTimeout(DefaultCommandTimeout);
  }
}

void ConnectionSettings::Save(const SettingsInputs& inputs) {
  std::unique_ptr<TRegistry> KOVaReg = openRegistry_();
  // A key that exists but cannot be written was reported at load; it stays as it is.
  if (KOVaReg->KeyExists(Key) && !KOVaReg->OpenKey(Key, false)) return;
  KOVaReg->DeleteKey(Key);
  KOVaReg->OpenKey(Key, true);  // when this fails the first write reports it
  for (const SettingsValue& value : Values) {
    if (value.defaultText)
      KOVaReg->WriteString(value.name, inputs.Text(value.input));
    else
      KOVaReg->WriteInteger(value.name, inputs.PortAsInt());
  }
  KOVaReg->WriteInteger(CommandTimeoutName, inputs.CommandTimeout());
  KOVaReg->CloseKey();
}

SecuritySettings ConnectionSettings::LoadSecurity() {
  SecuritySettings security;
  std::unique_ptr<TRegistry> KOVaReg = openRegistry_();
  // A key that cannot be written is still read, as the inputs are.
  if (!KOVaReg->KeyExists(Key) || (!KOVaReg->OpenKey(Key, false) && !KOVaReg->OpenKeyReadOnly(Key))) return security;
  try {
    for (const SecurityValue& value : SecurityValues) security.*value.field = KOVaReg->ReadString(value.name);
    for (const SecurityFlag& flag : SecurityFlags) security.*flag.field = ReadFlag(*KOVaReg, flag.name);
  } catch (const ERegistryException&) {
    return {};  // a value of another type: the defaults, as if it were missing
  }
  return security;
}

void ConnectionSettings::SaveSecurity(const SecuritySettings& security) {
  std::unique_ptr<TRegistry> KOVaReg = openRegistry_();
  // The read-only rule of Save: said once at load, the key stays as it is.
  if (KOVaReg->KeyExists(Key) && !KOVaReg->OpenKey(Key, false)) return;
  KOVaReg->OpenKey(Key, true);
  for (const SecurityValue& value : SecurityValues) KOVaReg->WriteString(value.name, security.*value.field);
  for (const SecurityFlag& flag : SecurityFlags) KOVaReg->WriteInteger(flag.name, security.*flag.field ? 1 : 0);
  KOVaReg->CloseKey();
}
