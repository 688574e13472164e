#pragma once
// The About box, filled from the version resource of the running program or of another module.
#include "about/FileVersionInfo.h"

#include <QDialog>
#include <QString>

#include <string>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TAbGradient;

// The About box: the program's name, version, company and the other strings of its own version
// resource, read afresh each time the box is shown.
class TfrmAbout : public QDialog {
 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  // Fills the box from the running program's version resource, shows it modally and, once it is
  // closed, returns the FileVersion string (empty when there is none).
  QString ShowVersion();
  // The same for the version resource of another module, found as the reader finds modules.
  QString ShowVersionOf(const std::string& fileName);

  void OKButtonClick();

  // The controls, back to front.
  QFrame* pnlAbout;
  TAbGradient* gradient;
  QLabel* lblComments;
  QLabel* lblVersion;
  QLabel* lblProductName;
  QLabel* ProgramIcon;
  QLabel* lblCompanyName;
  QLabel* lblAuthor;
  QPlainTextEdit* moInfo;
  QPushButton* OKButton;

  TFileVersionInfo FileVersionInfo;

 private:
  void FillFromVersionInfo();
  void SetCaption(QLabel* label, const QString& text);
};

extern TfrmAbout* frmAbout;
