// The window's controls at their designed places, its menu and its tab order.
#include "app/Birthday.h"
#include "app/FocusMark.h"
#include "app/StatusBar.h"
#include "app/WaitIndicator.h"
#include "app/WindowControls.h"
#include "controls/AbNumEdit.h"
#include "controls/AbNumSpin.h"
#include "controls/DBGrid.h"
#include "controls/DBNavigator.h"
#include "controls/Hint.h"
#include "controls/WindowsFonts.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <vector>

namespace {

const QColor Cream(255, 251, 240);
const QColor Navy(0, 0, 128);
const QColor Blue(0, 0, 255);
const QColor TooltipBackground(255, 255, 225);
const QColor CaptionGradient(185, 209, 234);
// The designed height of the two columns.
constexpr int ColumnHeight = 408;

// The window's font, or the family that stands in for it.
QString Tahoma() {
  return WindowsFontFamily("Tahoma");
}

}  // namespace

void TfrmBirthday::CreateControls() {
  Q_INIT_RESOURCE(pictures);  // the pictures live in a static library
  setWindowTitle("    Project KOVA Telescope Pixel Setup Utility");
  setFont(QFont(Tahoma(), 8));
  CreateMenu();

  // The two columns of the designed 904 x 408 client area, and below them, across the whole
  // window, the status bar, whose message panel grows with a message that needs more lines. On a
  // screen smaller than the design the columns scroll, so that the window still fits (FitScreen).
  auto* client = new QWidget(this);
  setCentralWidget(client);
  auto* rows = new QVBoxLayout(client);
  rows->setContentsMargins(0, 0, 0, 2);
  rows->setSpacing(2);
  scrollColumns = new QScrollArea(client);
  scrollColumns->setFrameShape(QFrame::NoFrame);
  scrollColumns->setWidgetResizable(true);
  scrollColumns->setFocusPolicy(Qt::NoFocus);  // Tab goes round the controls only
  auto* columnsArea = new QWidget;
  auto* columns = new QHBoxLayout(columnsArea);
  columns->setContentsMargins(2, 0, 2, 0);
  columns->setSpacing(0);

  gbDatabase = new QGroupBox(" Database of Birth Certificates", columnsArea);
  gbDatabase->setFixedWidth(587);
  gbDatabase->setMinimumHeight(ColumnHeight);
  SetBackground(gbDatabase, Cream);
  gbControls = new QGroupBox("Controls", columnsArea);
  gbControls->setFixedWidth(313);
  gbControls->setMinimumHeight(ColumnHeight);
  SetBackground(gbControls, CaptionGradient);
  columns->addWidget(gbDatabase);
  columns->addWidget(gbControls);
  columns->addStretch();
  scrollColumns->setWidget(columnsArea);
  scrollColumns->setMinimumSize(columnsArea->minimumSizeHint());
  rows->addWidget(scrollColumns, 1);

  sbStatus = new TStatusBar(client);
  sbStatus->AddPanel(400, "Hint (help on/off)");
  sbStatus->AddPanel(50);
  waitIndicator = new TWaitIndicator(sbStatus, this);
  rows->addWidget(sbStatus);

  pcBirthdaySetup = Place(new QTabWidget(gbDatabase), 2, 15, 583, 327);
  SetHint(pcBirthdaySetup, "Select|Change from login to Pixel");
  tsDatabase = new QWidget;
  tsPixels = new QWidget;
  pcBirthdaySetup->addTab(tsDatabase, "Database");
  pcBirthdaySetup->addTab(tsPixels, "Pixels");

  lblNavigation = NewLabel(gbDatabase, 8, 352, "Navigate:  ");
  SetTextColour(lblNavigation, Navy);
  SetBold(lblNavigation);
  navPixels = Place(new TDBNavigator(gbDatabase), 70, 346, 210, 25);
  navPixels->SetHints({"First | Move to the first record", "Last| Move to your last selected record",
                       "Next| Move one ahead", "Last|Move one back",
                       "Insert|Stuff a Pixel Birth Certificate into the database",
                       "Delete |Remove a Birth Certificate record", "Edit|Change a Birth Certificate record",
                       "Post|Happy with it?  Go ahead and commit", "Cancel|this is all screwed up.  Lets don't do it",
                       "Refresh|See if you change made it to the database"});
  navPixels->setEnabled(false);

  CreateDatabasePage();
  CreatePixelsPage();
  CreateControlsGroup();
  SetTabOrder();
  focusMark = new TFocusMark(this);
  resize(minimumSizeHint());
}

// Creation order puts "Close Direct Connect" after "Direct Connect To Database"; the keyboard
// follows the pages as they are read instead, then the navigator below them, and the page not
// shown is skipped. The navigators' buttons are stops while they are enabled.
void TfrmBirthday::SetTabOrder() {
  std::vector<QWidget*> order = {pcBirthdaySetup,   edHost, nePort,          edUser,    edDatabase, edPassword,
                                 btnTestConnection, edURL,  btnCheckWebSite, gridPixels};
  for (TDBNavigator* navigator : {DBNavigator1, navPixels})
    for (int button = 0; button < NavigateButtonCount; ++button)
      order.push_back(navigator->Button(static_cast<TNavigateBtn>(button)));
  order.insert(order.end(), {btnConnect, seMAC3, seMAC2, seMAC1, btnGenerateRandom, cbPixelType, cbShieldType, edNote,
                             btnCreateBirthCert, btnWriteToSD, btnClose});
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void TfrmBirthday::CreateMenu() {
  menuMain = menuBar();
  QMenu* mnuOptions = menuMain->addMenu("&Options");
  mnuConnectionSecurity = mnuOptions->addAction("&Connection Security…");
  QMenu* mnuHelp = menuMain->addMenu("&Help");
  mnuHints = mnuHelp->addAction("Show &Hints");
  mnuHints->setCheckable(true);
  mnuHints->setChecked(true);
  mnuAbout = mnuHelp->addAction("&About");
  // F10 goes to the menu bar, as on the desktop.
  auto* toMenuBar = new QAction(this);
  toMenuBar->setShortcut(Qt::Key_F10);
  connect(toMenuBar, &QAction::triggered, menuMain, [this] { menuMain->setActiveAction(menuMain->actions().first()); });
  addAction(toMenuBar);
}

void TfrmBirthday::CreateDatabasePage() {
  gbDirectAccess = NewGroupBox(tsDatabase, {3, 21, 291, 208}, "Direct Connect");
  SetBackground(gbDirectAccess, TooltipBackground);
  lblHost = NewLabel(gbDirectAccess, 30, 21, "1. Host:");
  edHost = NewEdit(gbDirectAccess, {75, 17, 160, 21}, "<host name here>");
  SetHint(edHost, "Host Name | URL of database server");
  lblPort = NewLabel(gbDirectAccess, 30, 58, "2. Port:");
  nePort = Place(new TAbNumEdit(gbDirectAccess), 73, 54, 65, 21);
  nePort->SetEditBase(ebFloat);
  nePort->SetFormatStr("#0#");
  nePort->SetIncrement(1);
  nePort->SetValue(3306);
  SetHint(nePort, "Server Port |Almost always 3306");
  lblUser = NewLabel(gbDirectAccess, 30, 90, "3. User:");
  edUser = NewEdit(gbDirectAccess, {75, 87, 121, 21}, "<user Name here>");
  SetHint(edUser, "You |The user name assigned by KOVA administrator");
  lblDatabase = NewLabel(gbDirectAccess, 30, 114, "4. Database:");
  edDatabase = NewEdit(gbDirectAccess, {99, 110, 121, 21}, "<Database name here>");
  SetHint(edDatabase, "dB Name| Name of the database on the server");
  lblPassword = NewLabel(gbDirectAccess, 30, 145, "5. Password:");
  edPassword = NewEdit(gbDirectAccess, {99, 141, 121, 21}, "<password here>");
  SetHint(edPassword, "Passwd|Your assigned password");
  btnTestConnection = NewButton(gbDirectAccess, {30, 172, 91, 25}, "Test Connection");
  lblTest = NewLabel(gbDirectAccess, 127, 178, "Ready To Test");
  SetTextColour(lblTest, Navy);
  SetBold(lblTest, 10);
  lblTest->adjustSize();

  gbPixelPostWebSite = NewGroupBox(tsDatabase, {325, 21, 224, 208}, "Pixel Post Web Site");
  SetBackground(gbPixelPostWebSite, TooltipBackground);
  lblPostToWebSite = NewLabel(gbPixelPostWebSite, 27, 40, "Posting Web Site");
  edURL = NewEdit(gbPixelPostWebSite, {29, 59, 172, 21}, "<Post to this web site>");
  SetHint(edURL, "Remote Site|The URL of the remote site that will accept Event data");
  btnCheckWebSite = NewButton(gbPixelPostWebSite, {27, 102, 148, 25}, "Check Web Site");
  SetHint(btnCheckWebSite, "Working|To be sure check if URL and site are working");
}

void TfrmBirthday::CreatePixelsPage() {
  gridPixels = new TDBGrid(tsPixels);
  SetHint(gridPixels, "Living Pixels|Org_ID is the organization with this pixel.  From Organization table.");
  // In a row of its own above the grid, at the right as designed, so that it covers no cells.
  DBNavigator1 = new TDBNavigator(tsPixels);
  DBNavigator1->setFixedSize(228, 25);
  DBNavigator1->SetVisibleButtons({nbFirst, nbPrior, nbNext, nbLast, nbCancel, nbRefresh});
  auto* fill = new QVBoxLayout(tsPixels);
  fill->setContentsMargins(0, 2, 0, 0);
  fill->setSpacing(2);
  fill->addWidget(DBNavigator1, 0, Qt::AlignRight);
  fill->addWidget(gridPixels, 1);
}

void TfrmBirthday::CreateControlsGroup() {
  btnConnect = NewButton(gbControls, {16, 14, 191, 25}, "Direct Connect To Database");
  SetHint(btnConnect, "Connect|If you credentials are right and the database is working...");
  btnClose = NewButton(gbControls, {17, 372, 176, 25}, "Close Direct Connect");
  SetHint(btnClose, "Finished|All done? Close out Morvane");
  btnClose->setEnabled(false);
  for (QPushButton* button : {btnConnect, btnClose}) {
    SetTextColour(button, Blue);
    SetBold(button);
    button->setIcon(QIcon(":/pictures/shield.png"));
  }

  gbMAC = NewGroupBox(gbControls, {17, 45, 279, 90}, "Enter Media Access Control (MAC)");
  SetBackground(gbMAC, Cream);
  SetHint(gbMAC, "Enter MAC|Each Pixel *must* have a MAC assigned to it");
  lbl3MAC = NewLabel(gbMAC, 18, 33, "54 - 2F - 89 -");
  SetFont(lbl3MAC, Tahoma(), 10);
  lbl3MAC->adjustSize();
  seMAC3 = NewMacField(gbMAC, {101, 30, 39, 22}, "$");
  lblDash1 = NewLabel(gbMAC, 146, 32, "-");
  SetFont(lblDash1, Tahoma(), 11);
  seMAC2 = NewMacField(gbMAC, {162, 30, 44, 22}, "$");
  Label1 = NewLabel(gbMAC, 212, 34, "-");
  SetFont(Label1, Tahoma(), 11);
  seMAC1 = NewMacField(gbMAC, {223, 30, 44, 22}, "$$");
  lblNoMAC = NewLabel(gbMAC, 12, 61, "If No MAC Sticker:");
  SetFont(lblNoMAC, "Times New Roman", 10, true);
  lblNoMAC->adjustSize();
  btnGenerateRandom = NewButton(gbMAC, {181, 58, 51, 23}, "Random ");

  gbTypes = NewGroupBox(gbControls, {15, 141, 279, 103}, "Enter this Pixel and Shield Type");
  SetBackground(gbTypes, Cream);
  lblPixelType = NewLabel(gbTypes, 16, 19, "Pixel Type:");
  cbPixelType = NewTypeBox(gbTypes, {81, 15, 145, 21}, PixelTypePrompt);
  SetHint(cbPixelType, "Shield Type|Select the type of pixel for this birth");
  lblShieldType = NewLabel(gbTypes, 16, 44, "Shield Type:");
  cbShieldType = NewTypeBox(gbTypes, {81, 42, 145, 21}, ShieldTypePrompt);
  SetHint(cbShieldType, "Select Shield | What type of shield is this");
  lblNote = NewLabel(gbTypes, 16, 63, "Note:");
  edNote = NewEdit(gbTypes, {12, 82, 264, 21}, "Note:");

  gbCreateWrite = NewGroupBox(gbControls, {16, 259, 278, 91}, "Create new Certificate and write to SD card or file");
  SetBackground(gbCreateWrite, Cream);
  btnCreateBirthCert = NewButton(gbCreateWrite, {23, 24, 139, 25}, "Create Birth Certificate");
  SetHint(btnCreateBirthCert, "Gen.|If you like the MAC & Types go ahead and create the birth certificate");
  btnWriteToSD = NewButton(gbCreateWrite, {20, 55, 139, 25}, "Write Certertificate To SD");
  SetHint(btnWriteToSD, "Write|Send the certificate to a file on your computer or an SD card");
  Image1 = Place(new QLabel(gbCreateWrite), 184, 16, 73, 73);
  Image1->setPixmap(QPixmap(":/pictures/sdcard.png"));
  Image1->setScaledContents(true);

  for (QGroupBox* group : {gbMAC, gbTypes, gbCreateWrite}) group->setEnabled(false);
}

void TfrmBirthday::FitScreen() {
  // The menu bar, the status bar and the margins keep their size; the columns give way.
  const QLayout* rows = centralWidget()->layout();
  const QMargins margins = rows->contentsMargins();
  const QSize besides(margins.left() + margins.right(), menuMain->sizeHint().height() + rows->spacing() +
                                                            sbStatus->height() + margins.top() + margins.bottom());
  const QSize room = screen()->availableGeometry().size() - (frameGeometry().size() - geometry().size());
  const QSize designed = scrollColumns->widget()->minimumSizeHint();
  const QSize fitted = designed.boundedTo(room - besides).expandedTo(QSize(0, 0));
  scrollColumns->setMinimumSize(fitted);
  // Scroll bars only where the screen is too small, so that they never take room the design has.
  scrollColumns->setHorizontalScrollBarPolicy(fitted.width() < designed.width() ? Qt::ScrollBarAsNeeded
                                                                                : Qt::ScrollBarAlwaysOff);
  scrollColumns->setVerticalScrollBarPolicy(fitted.height() < designed.height() ? Qt::ScrollBarAsNeeded
                                                                                : Qt::ScrollBarAlwaysOff);
  centralWidget()->layout()->activate();
  layout()->activate();
  if (width() > room.width() || height() > room.height()) resize(size().boundedTo(room));
}

void TfrmBirthday::setVisible(bool visible) {
  // Fitted before it shows, so that the window system places it at the size it keeps.
  const bool showing = visible && !isVisible();
  if (showing) FitScreen();
  QMainWindow::setVisible(visible);
  if (showing) FitScreen();  // again with the frame the window system gave it
  if (visible && !fittingScreen_ && windowHandle()) {
    fittingScreen_ = true;
    connect(windowHandle(), &QWindow::screenChanged, this, [this] { FitScreen(); });
  }
}
