#include "about/uAbout.h"

#include "controls/AbGradient.h"
#include "controls/WindowsFonts.h"
#include "platform/ExecutablePath.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>

TfrmAbout* frmAbout = nullptr;

namespace {

const QColor MoneyGreen(192, 220, 192);
const QColor Cream(255, 251, 240);
const QColor Navy(0, 0, 128);
const QColor Blue(0, 0, 255);
constexpr TColor MoneyGreenValue = 0xC0DCC0;
constexpr TColor CreamValue = 0xF0FBFF;

const char* const AuthorCredit = "by: KOVA Lab";

// The memo's lines, in the order shown: the string's index and the line's prefix.
struct MemoLine {
  int index;
  const char* prefix;
};
constexpr MemoLine MemoLines[] = {
    {TFileVersionInfo::siCompanyName, "Company: "},
    {TFileVersionInfo::siFileDescription, "FileDescription: "},
    {TFileVersionInfo::siFileVersion, "FileVersion: "},
    {TFileVersionInfo::siInternalName, "InternalName: "},
    {TFileVersionInfo::siLegalCopyright, "Copyright: "},
    {TFileVersionInfo::siLegalTrademarks, "Trademarks: "},
    {TFileVersionInfo::siOriginalFileName, "OriginalFileName: "},
    {TFileVersionInfo::siProductName, "ProductName: "},
    {TFileVersionInfo::siProductVersion, "ProductVersion: "},
    {TFileVersionInfo::siComments, "Comments: "},
};

QFont Font(const QString& family, int pointSize, bool bold = false, bool italic = false) {
  QFont font(family, pointSize);
  font.setBold(bold);
  font.setItalic(italic);
  return font;
}

QLabel* MakeLabel(QWidget* parent, int left, int top, const QString& text, const QFont& font, const QColor& color) {
  auto* label = new QLabel(text, parent);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, color);
  label->setPalette(palette);
  label->move(left, top);
  label->adjustSize();
  return label;
}

}  // namespace

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  // The picture is compiled into this static library, which registers it only when asked.
  Q_INIT_RESOURCE(about);
  setWindowTitle("About");
  setFixedSize(272, 300);
  move(440, 187);
  QFont formFont(WindowsFontFamily("MS Sans Serif"), 8);
  formFont.setStyleHint(QFont::SansSerif);
  setFont(formFont);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, MoneyGreen);
  setPalette(palette);
  setAutoFillBackground(true);

  pnlAbout = new QFrame(this);
  pnlAbout->setGeometry(0, 0, 272, 300);
  pnlAbout->setFrameStyle(QFrame::Panel | QFrame::Raised);
  pnlAbout->setLineWidth(1);
  pnlAbout->setMidLineWidth(1);
  QPalette white = pnlAbout->palette();
  white.setColor(QPalette::Window, Qt::white);
  pnlAbout->setPalette(white);
  pnlAbout->setAutoFillBackground(true);

  gradient = new TAbGradient(pnlAbout);
  gradient->setGeometry(2, 2, 264, 112);
  gradient->BeginUpdate();
  gradient->GradSettings().SetColorFrom(MoneyGreenValue);
  gradient->GradSettings().SetColorTo(CreamValue);
  gradient->GradSettings().SetStyle(gsHorizontal1);
  gradient->GradSettings().SetVisible(false);
  gradient->EndUpdate();

  lblComments = MakeLabel(pnlAbout, 88, 58, "lblComments:", Font(font().family(), 9, true), Qt::black);
  lblComments->setWordWrap(true);
  lblVersion = MakeLabel(pnlAbout, 88, 32, "lblVersion:", Font(font().family(), 10, true), Qt::black);
  QFont productFont("Arial", 14);
  productFont.setStyleHint(QFont::SansSerif);
  lblProductName = MakeLabel(pnlAbout, 8, 4, "lblProductName", productFont, Navy);

  ProgramIcon = new QLabel(pnlAbout);
  ProgramIcon->setGeometry(8, 32, 74, 64);
  ProgramIcon->setPixmap(QPixmap(":/about/ProgramIcon.png"));
  ProgramIcon->setScaledContents(true);

  QFont displayFont("Georgia", 14);
  displayFont.setStyleHint(QFont::Serif);
  displayFont.setItalic(true);
  lblCompanyName = MakeLabel(pnlAbout, 88, 77, "lblCompanyName", displayFont, Qt::black);

  lblAuthor = MakeLabel(pnlAbout, 162, 102, AuthorCredit, Font(font().family(), 8, true, true), Blue);
  QPalette creamBehind = lblAuthor->palette();
  creamBehind.setColor(QPalette::Window, Cream);
  lblAuthor->setPalette(creamBehind);
  lblAuthor->setAutoFillBackground(true);

  moInfo = new QPlainTextEdit("moInfo", pnlAbout);
  moInfo->setGeometry(2, 114, 264, 162);
  moInfo->setFont(Font(font().family(), 8, true));
  moInfo->setLineWrapMode(QPlainTextEdit::NoWrap);
  moInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  moInfo->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  // Shown, not edited: Enter then reaches the default button wherever the focus is.
  moInfo->setReadOnly(true);

  OKButton = new QPushButton("OK", pnlAbout);
  OKButton->setGeometry(2, 276, 264, 18);
  OKButton->setDefault(true);
  OKButton->setFocus();
  connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
}

void TfrmAbout::OKButtonClick() {
  accept();
}

QString TfrmAbout::ShowVersion() {
  return ShowVersionOf(ExecutablePath().filename().string());
}

QString TfrmAbout::ShowVersionOf(const std::string& fileName) {
  FileVersionInfo.SetFileName(fileName);
  FillFromVersionInfo();
  exec();
  return QString::fromStdString(FileVersionInfo.FileVersion());
}

void TfrmAbout::FillFromVersionInfo() {
  moInfo->setUpdatesEnabled(false);
  moInfo->clear();
  SetCaption(lblComments, QString::fromStdString(FileVersionInfo.Comments()));
  for (const MemoLine& line : MemoLines) {
    QString value = QString::fromStdString(FileVersionInfo.VersionString(line.index));
    if (value.isEmpty()) continue;
    if (line.index == TFileVersionInfo::siCompanyName)
      SetCaption(lblCompanyName, value);
    else if (line.index == TFileVersionInfo::siFileVersion)
      SetCaption(lblVersion, "FileVersion: " + value);
    else if (line.index == TFileVersionInfo::siProductName)
      SetCaption(lblProductName, value);
    moInfo->appendPlainText(line.prefix + value);
  }
  // Appending leaves the view at the end of the last line; the box opens on the first.
  moInfo->moveCursor(QTextCursor::Start);
  moInfo->setUpdatesEnabled(true);
}

void TfrmAbout::SetCaption(QLabel* label, const QString& text) {
  label->setText(text);
  if (!label->wordWrap()) {
    label->adjustSize();
    return;
  }
  // Wrapped at the gradient's right edge, so that a long text is not cut off at the box's edge.
  const int room = gradient->geometry().right() + 1 - label->x();
  label->resize(room, label->heightForWidth(room));
}
