// The window's life: its creation, its events bound to their handlers, and its closing.
#include "app/Birthday.h"

#include "about/uAbout.h"
#include "app/ConnectionSecurityDialog.h"
#include "app/ErrorReport.h"
#include "app/HintTracker.h"
#include "app/StatusBar.h"
#include "app/WaitIndicator.h"
#include "controls/AbNumSpin.h"
#include "controls/DBGrid.h"
#include "controls/DBNavigator.h"
#include "platform/OpenInBrowser.h"
#include "wire/WaitBreaker.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

constexpr const char* StatusPageSuffix = "/script/back-end/getStatus.php";
constexpr const char* PixelsStatement =
    "SELECT mac,PixelType, ShieldType , birthday, Org_ID, note FROM pixels ORDER BY birthday DESC";

QString ChooseSaveFile(const QString& proposedName) {
  // No filters, no default extension, and no question before replacing a file.
  return QFileDialog::getSaveFileName(nullptr, {}, proposedName, {}, nullptr, QFileDialog::DontConfirmOverwrite);
}

}  // namespace

TfrmBirthday::TfrmBirthday(QWidget* parent)
    : QMainWindow(parent),
      OpenInBrowser(::OpenInBrowser),
      dlgFileSave(ChooseSaveFile),
      dlgConnectionSecurity([this](SecuritySettings& settings, const std::string& currentState) {
        return RunConnectionSecurityDialog(settings, currentState, this);
      }) {
  CreateControls();
  CreateDataAccess();
  BindEvents();
  RunHandler([this] { FormCreate(); });
}

TfrmBirthday::~TfrmBirthday() = default;

void TfrmBirthday::CreateDataAccess() {
  conDB.LoginPrompt = false;
  waitBreaker_ = std::make_shared<TWaitBreaker>();
  conDB.SetWaitBreaker(waitBreaker_);
  conDB.Options.SetUseUnicode(true);
  conDB.Options.IPVersion = ivIPBoth;
  quPixels.SetConnection(&conDB);
  SetCommandTimeout(ConnectionSettings::DefaultCommandTimeout);
  quPixels.SQL().SetText(PixelsStatement);
  dsPixels.SetDataSet(&quPixels);
  gridPixels->SetDataSource(&dsPixels);
  navPixels->SetDataSource(&dsPixels);
  DBNavigator1->SetDataSource(&dsPixels);
}

void TfrmBirthday::BindEvents() {
  auto bind = [](auto* sender, auto signal, std::function<void()> handler) {
    QObject::connect(sender, signal, [handler] { RunHandler(handler); });
  };
  bind(mnuHints, &QAction::triggered, [this] { mnuHintsClick(); });
  bind(mnuAbout, &QAction::triggered, [this] { mnuAboutClick(); });
  bind(mnuConnectionSecurity, &QAction::triggered, [this] { mnuConnectionSecurityClick(); });
  bind(btnCheckWebSite, &QPushButton::clicked, [this] { btnCheckWebSiteClick(); });
  bind(btnGenerateRandom, &QPushButton::clicked, [this] { btnGenerateRandomClick(); });
  bind(btnConnect, &QPushButton::clicked, [this] { btnConnectClick(); });
  bind(btnTestConnection, &QPushButton::clicked, [this] { btnTestConnectionClick(); });
  bind(btnClose, &QPushButton::clicked, [this] { btnCloseClick(); });
  bind(btnCreateBirthCert, &QPushButton::clicked, [this] { btnCreateBirthCertClick(); });
  bind(btnWriteToSD, &QPushButton::clicked, [this] { btnWriteToSDClick(); });
  // Connection events run inside the connect or disconnect call, whose caller reports errors;
  // raised on a wait's worker, they reach the window when the wait has ended.
  conDB.AfterConnect = [this](TCustomConnection&) { background_.Notify([this] { conDBAfterConnect(); }); };
  conDB.AfterDisconnect = [this](TCustomConnection&) { background_.Notify([this] { conDBAfterDisconnect(); }); };
  waitIndicator->OnCancel = [this] { CancelWait(); };
  for (TDBNavigator* navigator : {navPixels, DBNavigator1})
    navigator->RunServerCall = [this](TDBNavigator&, TNavigateBtn button, const std::function<void()>& call) {
      Wait(button == nbRefresh  ? ReadingPixelsText
           : button == nbDelete ? "Deleting the record"
                                : "Storing the record",
           call);
    };
  dsPixels.OnDataChange = [this](TDataSource&, TField*) { dsPixelsDataChange(); };
  gridPixels->OnRecordBackground = [this](TDBGrid&, int recNo) { return gridPixelsDrawColumnCell(recNo); };
  gridPixels->OnTitleClick = [this](TDBGrid&, const std::string& field) {
    RunHandler([&] { gridPixelsTitleClick(field); });
  };
  for (TAbNumSpin* field : {seMAC3, seMAC2, seMAC1})
    field->OnChange = [this](TAbNumEdit&) { RunHandler([this] { seMAC1Change(); }); };

  hintTracker_ = new HintTracker(this);
  hintTracker_->OnHint = [this] { DisplayHint(); };
}

void TfrmBirthday::FormCreate() {
  LoadSettings();
  pcBirthdaySetup->setCurrentWidget(tsDatabase);
  edHost->setFocus();  // the first input of the page, not the page tabs, which the arrow keys would turn
  FillTypeLists();
}

void TfrmBirthday::closeEvent(QCloseEvent* event) {
  if (background_.Running()) {
    // The worker still owns the session: its wait is ended first, then the window closes.
    closeAfterWait_ = true;
    CancelWait();
    event->ignore();
    return;
  }
  RunHandler([this] { FormClose(); });
  event->accept();
}

void TfrmBirthday::FormClose() {
  conDB.Disconnect();
  SaveSettings();
}

void TfrmBirthday::mnuAboutClick() {
  frmAbout->ShowVersion();
}

void TfrmBirthday::btnCheckWebSiteClick() {
  const QString address = edURL->text() + StatusPageSuffix;
  if (OpenInBrowser(address))
    sbStatus->ClearMessage();
  else  // the address is shown whole, to be opened by hand
    sbStatus->ShowMessage(QString("No web browser could be started. The status page is %1").arg(address));
}
