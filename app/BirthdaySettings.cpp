// The remembered inputs and encryption settings, read at creation and written at closing.
#include "app/Birthday.h"
#include "app/ErrorReport.h"
#include "controls/AbNumEdit.h"
#include "platform/Registry.h"

#include <QLineEdit>

// The six remembered inputs as the settings see them.
class TfrmBirthday::Inputs : public SettingsInputs {
 public:
  explicit Inputs(TfrmBirthday& form) : form_(form) {}

  std::string Text(SettingsInput input) const override { return Edit(input)->text().toStdString(); }
  void SetText(SettingsInput input, const std::string& text) override {
    Edit(input)->setText(QString::fromStdString(text));
    Edit(input)->setCursorPosition(0);
  }
  int32_t PortAsInt() const override { return form_.nePort->ValueAsInt(); }
  void SetPort(double value) override { form_.nePort->SetValue(value); }
  int32_t CommandTimeout() const override { return form_.CommandTimeout(); }
  void SetCommandTimeout(int32_t seconds) override { form_.SetCommandTimeout(seconds); }

 private:
  QLineEdit* Edit(SettingsInput input) const {
    switch (input) {
      case SettingsInput::Host:
        return form_.edHost;
      case SettingsInput::User:
        return form_.edUser;
      case SettingsInput::Password:
        return form_.edPassword;
      case SettingsInput::Database:
        return form_.edDatabase;
      case SettingsInput::PostToWebSite:
        return form_.edURL;
      case SettingsInput::Port:
        break;
    }
    return form_.nePort;
  }

  TfrmBirthday& form_;
};

void TfrmBirthday::LoadSettings() {
  Inputs inputs(*this);
  ConnectionSettings settings([] { return std::make_unique<TRegistry>(); },
                              [](const std::string& text) { ShowMessage(QString::fromStdString(text)); });
  settings.Load(inputs);
  security = settings.LoadSecurity();
}

void TfrmBirthday::SaveSettings() {
  // A port typed but not yet taken over (the window closed by Alt+F4 from the field) is saved as typed.
  nePort->CommitText();
  Inputs inputs(*this);
  ConnectionSettings settings([] { return std::make_unique<TRegistry>(); }, {});
  settings.Save(inputs);
  settings.SaveSecurity(security);
}
