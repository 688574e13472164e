// The connection workflow of the main window: connect, test, close and the two connection events.
#include "app/Birthday.h"
#include "app/ErrorReport.h"
#include "app/ShortErrorText.h"
#include "app/StatusBar.h"
#include "controls/AbNumEdit.h"
#include "controls/DBNavigator.h"
#include "controls/Hint.h"
#include "dataset/DAError.h"
#include "wire/MySqlErrors.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

constexpr const char* CheckInputsMessage = "Error - Please check the five inputs.";

// TLS failed (a certificate or authority not accepted, a file not usable), the login method was
// refused for the connection's protection, or the server would have drawn the weak pre-4.1 scramble.
bool IsSecurityRefusal(int code) {
  return code == CR_SSL_CONNECTION_ERROR || code == CR_AUTH_PLUGIN_CANNOT_LOAD || code == CR_AUTH_PLUGIN_ERR ||
         code == CR_SERVER_HANDSHAKE_ERR;
}

// Removes leading and trailing characters up to and including the blank, control characters among them.
std::string TrimControls(const QString& text) {
  qsizetype first = 0, last = text.size();
  while (first < last && text[first].unicode() <= ' ') ++first;
  while (last > first && text[last - 1].unicode() <= ' ') --last;
  return text.mid(first, last - first).toStdString();
}

}  // namespace

void TfrmBirthday::HandInputsToConnection(bool trimmed) {
  auto input = [trimmed](const QLineEdit* edit) {
    return trimmed ? TrimControls(edit->text()) : edit->text().toStdString();
  };
  conDB.SetServer(input(edHost));
  nePort->CommitText();  // the port as typed, even when Enter was not pressed
  conDB.SetPort(nePort->ValueAsInt());
  conDB.SetUsername(input(edUser));
  conDB.SetDatabase(input(edDatabase));
  conDB.SetPassword(input(edPassword));
  TMySSLOptions options;  // the window offers no CA folder or cipher list
  options.Mode = security.mode.empty() ? "preferred" : security.mode;
  options.CA = security.caFile;
  options.Cert = security.certFile;
  options.Key = security.keyFile;
  options.ServerPublicKey = security.serverPublicKeyFile;
  options.GetServerPublicKey = security.getServerPublicKey;
  options.EnableClearText = security.enableClearText;
  options.AllowOldPasswords = security.allowOldPasswords;
  conDB.SetSSLOptions(options);
}

void TfrmBirthday::mnuConnectionSecurityClick() {
  SecuritySettings edited = security;
  const std::string state = conDB.Connected() ? conDB.SecurityDescription() : "no connection open";
  if (dlgConnectionSecurity(edited, state)) security = edited;
}

void TfrmBirthday::OpenPixels() {
  EntriesHold hold(*this, entriesPending_);  // the first row fills only entries not waiting to be stored
  Wait("Opening the table of pixels", [this] { quPixels.Open(); });
}

void TfrmBirthday::btnConnectClick() {
  if (!conDB.Connected()) {
    try {
      HandInputsToConnection(false);
      Wait(ConnectingText(), [this] { conDB.Connect(); });
      OpenPixels();
      pcBirthdaySetup->setCurrentWidget(tsPixels);
    } catch (const std::exception& error) {
      if (ReportIfCancelled()) return;
      ReportConnectFailure(error);
    }
  }
  if (conDB.Connected()) {
    OpenPixels();
    pcBirthdaySetup->setCurrentWidget(tsPixels);
    sbStatus->ClearMessage();
  }
}

void TfrmBirthday::btnTestConnectionClick() {
  if (conDB.Connected()) conDB.Disconnect();
  if (conDB.Connected()) return;
  try {
    HandInputsToConnection(true);
    Wait(ConnectingText(), [this] { conDB.Connect(); });
    sbStatus->ClearMessage();
  } catch (const std::exception& error) {
    if (!ReportIfCancelled()) ReportConnectFailure(error);
  }
}

void TfrmBirthday::ReportConnectFailure(const std::exception& error) {
  // A certificate or login method refused is nothing the five inputs could fix: its reason is shown.
  const auto* database = dynamic_cast<const EDAError*>(&error);
  if (!database || !IsSecurityRefusal(database->ErrorCode)) {
    sbStatus->ClearMessage();  // an earlier reason no longer holds
    ShowMessage(CheckInputsMessage);
    return;
  }
  // The detail follows the code's general text ("SSL connection error") on the last line.
  const std::string message = error.what();
  const std::size_t lineBreak = message.rfind("\r\n");
  const QString reason =
      QString::fromStdString(lineBreak == std::string::npos ? ShortErrorText(message) : message.substr(lineBreak + 2));
  sbStatus->ShowMessage(reason);
  SetHint(lblTest, reason + "|" + reason);
}

void TfrmBirthday::btnCloseClick() {
  if (!conDB.Connected()) return;
  conDB.Disconnect();
  pcBirthdaySetup->setCurrentWidget(tsDatabase);
  sbStatus->ClearMessage();
}

void TfrmBirthday::conDBAfterConnect() {
  btnConnect->setText("Connected");
  lblTest->setText("Connected");
  lblTest->adjustSize();
  SetHint(lblTest, "Host|Connected to " + QString::fromStdString(conDB.ConnectedHost()));
  for (QWidget* control : std::initializer_list<QWidget*>{gbMAC, gbTypes, gbCreateWrite, btnClose, navPixels})
    control->setEnabled(true);
  dsPixels.Edit();
}

void TfrmBirthday::conDBAfterDisconnect() {
  btnConnect->setText("Disconnected");
  lblTest->setText("Ready to Test");
  lblTest->adjustSize();
  SetHint(lblTest, {});
  for (QWidget* control : std::initializer_list<QWidget*>{gbMAC, gbTypes, gbCreateWrite, btnClose})
    control->setEnabled(false);
}
