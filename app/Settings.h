#pragma once
// The connection inputs and encryption settings the main window remembers between runs.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TRegistry;

// The six remembered inputs of the main window, in the order they are read and written.
enum class SettingsInput { Host, Port, User, Password, Database, PostToWebSite };

// What the settings need of the window: the five text inputs and the port field.
class SettingsInputs {
 public:
  virtual ~SettingsInputs() = default;
  virtual std::string Text(SettingsInput input) const = 0;
  virtual void SetText(SettingsInput input, const std::string& text) = 0;
  virtual int32_t PortAsInt() const = 0;
  virtual void SetPort(double value) = 0;
  // Seconds a statement may take before it ends with an error.
  virtual int32_t CommandTimeout() const = 0;
  virtual void SetCommandTimeout(int32_t seconds) = 0;
};

// How the connection is encrypted, remembered beside the inputs. Empty values mean mode
// "preferred" and no files.
struct SecuritySettings {
  std::string mode;
  std::string caFile;
  std::string certFile;
  std::string keyFile;
  std::string serverPublicKeyFile;
  // Opt-ins that let the password reach a server nobody verified; both off unless the user says so.
  bool getServerPublicKey = false;
  bool enableClearText = false;
  // The pre-4.1 scramble to a server that claims the 4.1 protocol without its scramble; off too.
  bool allowOldPasswords = false;
};

// Remembers the connection inputs between runs under the current user's settings key.
class ConnectionSettings {
 public:
  using RegistryFactory = std::function<std::unique_ptr<TRegistry>()>;
  using MessageFunction = std::function<void(const std::string&)>;

  static constexpr const char* Key = "\\SOFTWARE\\KOVA\\Utilities\\Morvane";
  static constexpr const char* DefaultHost = "<db.kova-telescope.example>";
  static constexpr int32_t DefaultCommandTimeout = 30;
  static constexpr const char* ReadOnlyMessage =
      "The settings file cannot be written: the connection inputs are not saved when Morvane closes.";

  ConnectionSettings(RegistryFactory openRegistry, MessageFunction showMessage);

  // Fills the inputs from the key, or with the defaults (and the two messages) when it is unusable;
  // a key that cannot be written is read as it is, with one message. The command time-out came
  // later than the six inputs: a missing or unusable one is the default.
  void Load(SettingsInputs& inputs);
  // Replaces the key with the six inputs and the command time-out; failures propagate to the
  // caller's error report.
  void Save(const SettingsInputs& inputs);
  // The encryption values of the key (empty when the key or a value is missing), and writing
  // them into the key after Save.
  SecuritySettings LoadSecurity();
  void SaveSecurity(const SecuritySettings& security);

 private:
  RegistryFactory openRegistry_;
  MessageFunction showMessage_;
};
