// The connection workflow of the main window: connect, test, close and the two connection events.
#include "app/Birthday.h"

#include "app/BusyCursor.h"
#include "app/ErrorReport.h"
#include "controls/AbNumEdit.h"
#include "controls/DBNavigator.h"
#include "controls/Hint.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

constexpr const char* CheckInputsMessage = "Error - Please check the five inputs.";

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
  conDB.SetPort(nePort->ValueAsInt());
  conDB.SetUsername(input(edUser));
  conDB.SetDatabase(input(edDatabase));
  conDB.SetPassword(input(edPassword));
  conDB.SetSSLOptions({.Mode = security.mode.empty() ? "preferred" : security.mode,
                       .CA = security.caFile,
                       .Cert = security.certFile,
                       .Key = security.keyFile,
                       .ServerPublicKey = security.serverPublicKeyFile,
                       .GetServerPublicKey = security.getServerPublicKey,
                       .EnableClearText = security.enableClearText});
}

void TfrmBirthday::mnuConnectionSecurityClick() {
  SecuritySettings edited = security;
  if (dlgConnectionSecurity(edited, conDB.SecurityDescription())) security = edited;
}

void TfrmBirthday::OpenPixels() {
  BusyCursor busy;
  quPixels.Open();
}

void TfrmBirthday::btnConnectClick() {
  if (!conDB.Connected()) {
    try {
      HandInputsToConnection(false);
      {
        BusyCursor busy;
        conDB.Connect();
      }
      OpenPixels();
      pcBirthdaySetup->setCurrentWidget(tsPixels);
    } catch (const std::exception&) {
      ShowMessage(CheckInputsMessage);
    }
  }
  if (conDB.Connected()) {
    OpenPixels();
    pcBirthdaySetup->setCurrentWidget(tsPixels);
  }
}

void TfrmBirthday::btnTestConnectionClick() {
  if (conDB.Connected()) conDB.Disconnect();
  if (conDB.Connected()) return;
  try {
    HandInputsToConnection(true);
    BusyCursor busy;
    conDB.Connect();
  } catch (const std::exception&) {
    ShowMessage(CheckInputsMessage);
  }
}

void TfrmBirthday::btnCloseClick() {
  if (!conDB.Connected()) return;
  conDB.Disconnect();
  pcBirthdaySetup->setCurrentWidget(tsDatabase);
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
