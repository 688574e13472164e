#include "app/ConnectionSecurityDialog.h"

#include "wire/MySqlSecurity.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int FilePathCharacters = 50;

}  // namespace

TfrmConnectionSecurity::TfrmConnectionSecurity(const SecuritySettings& settings, const std::string& currentState,
                                               QWidget* parent)
    : QDialog(parent) {
  setWindowTitle("Connection Security");
  // A window of its own takes no font from its parent: it is given the main window's.
  if (parent) setFont(parent->window()->font());
  auto* form = new QFormLayout(this);

  cbSslMode = new QComboBox(this);
  for (TSslMode mode : SslModes) cbSslMode->addItem(QString::fromStdString(std::string(SslModeName(mode))));
  // An empty remembered mode shows as the default.
  const TSslMode shown = ParseSslMode(settings.mode).value_or(TSslMode::Preferred);
  cbSslMode->setCurrentText(QString::fromStdString(std::string(SslModeName(shown))));
  form->addRow("Mode:", cbSslMode);

  edSslCa = AddFileRow("CA certificate:", settings.caFile, btnSslCa);
  // The file is read in every mode, but only these two check the server against it.
  lblSslCaUse = new QLabel("Used by verify-ca and verify-identity only.", this);
  form->addRow("", lblSslCaUse);
  edSslCert = AddFileRow("Client certificate:", settings.certFile, btnSslCert);
  edSslKey = AddFileRow("Client key:", settings.keyFile, btnSslKey);
  edServerPublicKey = AddFileRow("Server public key:", settings.serverPublicKeyFile, btnServerPublicKey);
  // Without TLS, whoever answers for the server could read the password in either case.
  chkGetServerPublicKey = new QCheckBox("Ask the server for its public key without TLS", this);
  chkGetServerPublicKey->setChecked(settings.getServerPublicKey);
  form->addRow(chkGetServerPublicKey);
  chkEnableClearText = new QCheckBox("Send the password in clear text to a server not verified", this);
  chkEnableClearText->setChecked(settings.enableClearText);
  form->addRow(chkEnableClearText);
  chkAllowOldPasswords =
      new QCheckBox("Send the weak pre-4.1 scramble to a server that claims 4.1 without its own", this);
  chkAllowOldPasswords->setChecked(settings.allowOldPasswords);
  form->addRow(chkAllowOldPasswords);

  lblState = new QLabel(QString::fromStdString(currentState), this);
  form->addRow("Current connection:", lblState);
  // The open connection keeps the protection it was made with.
  lblAppliesNext = new QLabel("A change applies at the next connection.", this);
  form->addRow(lblAppliesNext);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
}

QLineEdit* TfrmConnectionSecurity::AddFileRow(const QString& caption, const std::string& path, QPushButton*& button) {
  auto* row = new QHBoxLayout;
  auto* edit = new QLineEdit(QString::fromStdString(path), this);
  // Wide enough for a path under a home folder.
  edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * FilePathCharacters);
  button = new QPushButton("Browse…", this);
  connect(button, &QPushButton::clicked, this, [this, edit, caption] {
    const QString chosen =
        QFileDialog::getOpenFileName(this, caption, edit->text(), "PEM files (*.pem *.crt *.key);;All files (*)");
    if (!chosen.isEmpty()) edit->setText(chosen);
  });
  row->addWidget(edit);
  row->addWidget(button);
  static_cast<QFormLayout*>(layout())->addRow(caption, row);
  return edit;
}

SecuritySettings TfrmConnectionSecurity::Settings() const {
  return {cbSslMode->currentText().toStdString(),  edSslCa->text().toStdString(),
          edSslCert->text().toStdString(),         edSslKey->text().toStdString(),
          edServerPublicKey->text().toStdString(), chkGetServerPublicKey->isChecked(),
          chkEnableClearText->isChecked(),         chkAllowOldPasswords->isChecked()};
}

bool RunConnectionSecurityDialog(SecuritySettings& settings, const std::string& currentState, QWidget* parent) {
  TfrmConnectionSecurity dialog(settings, currentState, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  settings = dialog.Settings();
  return true;
}
