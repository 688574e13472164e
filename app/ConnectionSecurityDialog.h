#pragma once
// The "Connection Security…" dialog: encryption mode, certificate files and the current protection.
#include "app/Settings.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Connection Security…": the encryption mode and the three certificate files, and how the
// current connection is protected.
class TfrmConnectionSecurity : public QDialog {
 public:
  TfrmConnectionSecurity(const SecuritySettings& settings, const std::string& currentState, QWidget* parent = nullptr);

  // The settings as the dialog shows them now.
  SecuritySettings Settings() const;

  QComboBox* cbSslMode;
  QLineEdit* edSslCa;
  QLineEdit* edSslCert;
  QLineEdit* edSslKey;
  QLineEdit* edServerPublicKey;
  QLabel* lblSslCaUse;
  QPushButton* btnSslCa;
  QPushButton* btnSslCert;
  QPushButton* btnSslKey;
  QPushButton* btnServerPublicKey;
  QCheckBox* chkGetServerPublicKey;
  QCheckBox* chkEnableClearText;
  QCheckBox* chkAllowOldPasswords;
  QLabel* lblState;
  QLabel* lblAppliesNext;

 private:
  QLineEdit* AddFileRow(const QString& caption, const std::string& path, QPushButton*& button);
};

// Shows the dialog modally; on OK the settings take its values and the result is true.
bool RunConnectionSecurityDialog(SecuritySettings& settings, const std::string& currentState, QWidget* parent);
