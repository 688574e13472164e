#include "about/uAbout.h"
#include "app/Birthday.h"
#include "app/ErrorReport.h"
#include "app/FocusMark.h"
#include "app/StatusBar.h"
#include "controls/AbNumEdit.h"
#include "controls/AbNumSpin.h"
#include "controls/DBGrid.h"
#include "controls/DBNavigator.h"
#include "controls/Hint.h"
#include "platform/ExecutablePath.h"
#include "tests/app/StatusMessage.h"
#include "tests/support/Screenshots.h"
#include "tests/support/TempDir.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

// A main window over a private settings folder, with message boxes answered by the test.
class BirthdayTest : public ::testing::Test {
 protected:
  BirthdayTest() {
    ::setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
    SetMessageHandler([this](const QString& text, MessageKind kind) {
      messages_.push_back(text);
      kinds_.push_back(kind);
    });
  }
  ~BirthdayTest() override { SetMessageHandler({}); }

  std::unique_ptr<TfrmBirthday> NewWindow() {
    auto form = std::make_unique<TfrmBirthday>();
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    return form;
  }

  std::filesystem::path SettingsFile() const { return config_ / "KOVA/current-user.reg"; }

  TempDir config_;
  QStringList messages_;
  std::vector<MessageKind> kinds_;
};

void Hover(QWidget* widget) {
  QTest::mouseMove(widget, QPoint(2, 2));
  QCoreApplication::processEvents();
}

}  // namespace

TEST_F(BirthdayTest, FirstRunShowsDefaultsAndCloseRemembersTheInputs) {
  auto form = std::make_unique<TfrmBirthday>();
  EXPECT_EQ(messages_, QStringList{"Doing Default setup setup"});  // before the window is shown
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->windowTitle(), "    Project KOVA Telescope Pixel Setup Utility");
  EXPECT_EQ(form->edUser->text(), "<UserName>");
  EXPECT_EQ(form->nePort->ValueAsInt(), 3306);
  EXPECT_EQ(form->pcBirthdaySetup->currentWidget(), form->tsDatabase);

  form->show();
  form->edHost->setText(" db.kova.example ");
  form->close();
  std::string stored = ReadFile(SettingsFile());
  for (const char* line :
       {"\"Host\"=\" db.kova.example \"", "\"Port\"=dword:00000cea", "\"User\"=\"<UserName>\"",
        "\"Password\"=\"<Password>\"", "\"Database\"=\"<Database>\"", "\"PostToWebSite\"=\"<Post to web site>\""})
    EXPECT_NE(stored.find(line), std::string::npos) << line;

  messages_.clear();
  auto again = std::make_unique<TfrmBirthday>();
  EXPECT_TRUE(messages_.isEmpty());
  EXPECT_EQ(again->edHost->text(), " db.kova.example ");
}

// A port typed and not taken over by Enter or leaving the field is saved when the window closes.
TEST_F(BirthdayTest, APortTypedButNotCommittedIsSavedOnClose) {
  auto form = NewWindow();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->nePort->setFocus();
  form->nePort->selectAll();
  QTest::keyClicks(form->nePort, "3307");
  ASSERT_EQ(form->nePort->State(), esEditing);
  form->close();
  EXPECT_NE(ReadFile(SettingsFile()).find("\"Port\"=dword:00000ceb"), std::string::npos) << ReadFile(SettingsFile());
}

TEST_F(BirthdayTest, StartsInTheDefinedStates) {
  auto form = NewWindow();
  for (QGroupBox* group : {form->gbMAC, form->gbTypes, form->gbCreateWrite})
    EXPECT_FALSE(group->isEnabled()) << group->title().toStdString();
  EXPECT_FALSE(form->btnClose->isEnabled());
  // Disabled, the blue caption takes the disabled text colour like every other control.
  EXPECT_EQ(form->btnClose->palette().color(QPalette::Disabled, QPalette::ButtonText),
            QApplication::palette(form->btnClose).color(QPalette::Disabled, QPalette::ButtonText));
  EXPECT_EQ(form->btnClose->palette().color(QPalette::Active, QPalette::ButtonText), QColor(0, 0, 255));
  EXPECT_FALSE(form->navPixels->isEnabled());
  EXPECT_TRUE(form->btnCreateBirthCert->isEnabledTo(form->gbCreateWrite));
  EXPECT_EQ(form->sbStatus->PanelText(0), "Hint (help on/off)");
  EXPECT_EQ(form->cbPixelType->currentText(), "<select Pixel Type>");
  EXPECT_EQ(form->cbPixelType->currentIndex(), -1);
  EXPECT_TRUE(form->mnuHints->isChecked());
  EXPECT_EQ(form->btnGenerateRandom->text(), "Random ");
  for (TAbNumSpin* field : {form->seMAC1, form->seMAC2, form->seMAC3}) EXPECT_EQ(field->Value(), 0);

  // The two columns are 904 x 408 with the one-line status bar below them, and no smaller after a
  // resize.
  const QSize client(904, 408 + form->sbStatus->height() + 4);
  EXPECT_EQ(form->sbStatus->height(), 19);
  EXPECT_EQ(form->gbDatabase->height(), 408);
  EXPECT_EQ(form->centralWidget()->size(), client);
  form->resize(300, 200);
  EXPECT_EQ(form->centralWidget()->size(), client);
}

// On a 1,600-pixel-wide screen at a scale of 2 (800 x 450 window pixels) the window fits the screen
// it opens on; the columns scroll, and a control reached by Tab is scrolled into view.
TEST_F(BirthdayTest, FitsAScreenSmallerThanTheDesign) {
  QScreen* scaled = nullptr;
  for (QScreen* screen : QApplication::screens())
    if (screen->name() == "scaled") scaled = screen;
  if (!scaled) GTEST_SKIP() << "runs on the test programs' offscreen screens";
  ASSERT_EQ(scaled->devicePixelRatio(), 2);
  auto form = std::make_unique<TfrmBirthday>();
  form->move(scaled->availableGeometry().topLeft());
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  ASSERT_EQ(form->screen(), scaled);
  const QRect room = scaled->availableGeometry();
  EXPECT_LE(form->minimumWidth(), room.width());
  EXPECT_LE(form->minimumHeight(), room.height());
  EXPECT_TRUE(room.contains(form->frameGeometry()))
      << form->frameGeometry().width() << " x " << form->frameGeometry().height();

  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  form->btnCheckWebSite->setFocus();
  QTest::keyClick(form->btnCheckWebSite, Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), form->btnConnect);
  QWidget* viewport = form->scrollColumns->viewport();
  const QRect inView(form->btnConnect->mapTo(viewport, QPoint(0, 0)), form->btnConnect->size());
  EXPECT_TRUE(viewport->rect().contains(inView));

  // On the workbench screen the same window has its designed size again.
  auto workbench = NewWindow();
  EXPECT_EQ(workbench->scrollColumns->size(), QSize(904, 408));
}

// The navigator of the page sits above the table and covers none of its cells.
TEST_F(BirthdayTest, ThePagesNavigatorCoversNoCells) {
  auto form = NewWindow();
  form->pcBirthdaySetup->setCurrentWidget(form->tsPixels);
  QApplication::processEvents();
  EXPECT_FALSE(form->DBNavigator1->geometry().intersects(form->gridPixels->geometry()));
  EXPECT_EQ(form->DBNavigator1->geometry().right(), form->gridPixels->geometry().right());
}

TEST_F(BirthdayTest, TypeListsComeFromTheIniFileBesideTheProgram) {
  std::filesystem::path ini = ExecutableSibling(".ini");
  WriteFile(ini, "[PixelType]\n1=Standard\n2=Outdoor\n[ShieldType]\n1=Lead\n");
  auto form = NewWindow();
  std::filesystem::remove(ini);

  ASSERT_EQ(form->cbPixelType->count(), 2);
  EXPECT_EQ(form->cbPixelType->itemText(1), "Outdoor");
  EXPECT_EQ(form->cbShieldType->count(), 1);
  EXPECT_EQ(form->cbShieldType->currentText(), "<select Shield Type>");
}

TEST(Hint, SplitsAtTheFirstBarKeepingBlanks) {
  struct Case {
    QString hint, shortPart, longPart;
  };
  for (const Case& c :
       {Case{"Server Port |Almost always 3306", "Server Port ", "Almost always 3306"},
        Case{"First record", "First record", "First record"}, Case{"a|b|c", "a", "b|c"}, Case{"", "", ""}}) {
    EXPECT_EQ(ShortHint(c.hint), c.shortPart);
    EXPECT_EQ(LongHint(c.hint), c.longPart);
  }
}

TEST_F(BirthdayTest, StatusPanelFollowsTheHintUnderTheMouse) {
  auto form = NewWindow();
  Hover(form->lblNavigation);  // no hint here or above: no change from the start
  EXPECT_EQ(form->sbStatus->PanelText(0), "Hint (help on/off)");

  Hover(form->nePort);
  EXPECT_EQ(form->sbStatus->PanelText(0), "Almost always 3306");
  Hover(form->lblHost);  // inherits the page control's hint
  EXPECT_EQ(form->sbStatus->PanelText(0), "Change from login to Pixel");
  Hover(form->lblNavigation);
  EXPECT_EQ(form->sbStatus->PanelText(0), "");
  Hover(form->navPixels->Button(nbPrior));
  EXPECT_EQ(form->sbStatus->PanelText(0), " Move to your last selected record");
  EXPECT_EQ(form->navPixels->Button(nbPrior)->toolTip(), "Last");
  EXPECT_EQ(form->DBNavigator1->Button(nbCancel)->toolTip(), "Cancel edit");
}

TEST_F(BirthdayTest, ShowHintsSwitchesTooltipsButNotTheStatusPanel) {
  auto form = NewWindow();
  EXPECT_EQ(form->edHost->toolTip(), "Host Name ");
  auto tooltipShown = [&](QWidget* widget) {
    QToolTip::hideText();
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(widget, &help);
    return QToolTip::isVisible();
  };
  EXPECT_TRUE(tooltipShown(form->btnConnect));

  form->mnuHints->trigger();
  EXPECT_FALSE(form->mnuHints->isChecked());
  EXPECT_FALSE(tooltipShown(form->btnConnect));
  EXPECT_FALSE(tooltipShown(form->edHost));
  Hover(form->edURL);
  EXPECT_EQ(form->sbStatus->PanelText(0), "The URL of the remote site that will accept Event data");

  form->mnuHints->trigger();
  EXPECT_TRUE(tooltipShown(form->edHost));
}

TEST_F(BirthdayTest, RandomDrawsBytesResetsTheChoicesAndEnablesCreation) {
  auto form = NewWindow();
  form->btnCreateBirthCert->setEnabled(false);
  form->cbPixelType->setEditText("chosen");
  form->gbMAC->setEnabled(true);

  QTest::mouseClick(form->btnGenerateRandom, Qt::LeftButton);
  EXPECT_EQ(form->edNote->text(), "");
  EXPECT_EQ(form->cbPixelType->currentText(), "<select Pixel Type>");
  EXPECT_EQ(form->cbShieldType->currentText(), "<select Shield Type>");
  EXPECT_TRUE(form->btnCreateBirthCert->isEnabledTo(form->gbCreateWrite));
  for (TAbNumSpin* field : {form->seMAC1, form->seMAC2, form->seMAC3}) {
    EXPECT_GE(field->Value(), 0);
    EXPECT_LE(field->Value(), 255);
    EXPECT_EQ(field->text(), field->ValueAsHex());
  }
}

TEST_F(BirthdayTest, MacCompositionShowsTwoDigitsOnSmallBytes) {
  auto form = NewWindow();
  form->seMAC3->SetValue(10);
  form->seMAC2->SetValue(255);
  form->seMAC1->SetValue(3);
  EXPECT_EQ(form->SpinnersToMAC(), "54-2F-89-0A-FF-03");
  EXPECT_EQ(form->strMAC, "54-2F-89-0A-FF-03");
  EXPECT_EQ(form->seMAC3->text(), "0A");
  EXPECT_EQ(form->seMAC2->text(), "FF");
  EXPECT_EQ(form->seMAC1->text(), "03");
  EXPECT_EQ(form->seMAC3->Value(), 10);
}

TEST_F(BirthdayTest, CheckWebSiteOpensTheStatusPageAsTyped) {
  auto form = NewWindow();
  QStringList opened;
  form->OpenInBrowser = [&](const QString& address) {
    opened << address;
    return true;
  };
  for (const char* typed : {"W", "W/", ""}) {
    form->edURL->setText(typed);
    QTest::mouseClick(form->btnCheckWebSite, Qt::LeftButton);
  }
  EXPECT_EQ(opened, (QStringList{"W/script/back-end/getStatus.php", "W//script/back-end/getStatus.php",
                                 "/script/back-end/getStatus.php"}));
}

// With no opener on the search path, the status bar says so with the address to open by hand; the
// next check that reaches a browser clears it.
TEST_F(BirthdayTest, CheckWebSiteSaysSoWhenNoBrowserCanBeStarted) {
  auto form = NewWindow();
  TempDir emptyFolder;
  const std::string path = std::getenv("PATH");
  ::setenv("PATH", emptyFolder.Path().c_str(), 1);
  form->edURL->setText("https://post.kova.example");
  QTest::mouseClick(form->btnCheckWebSite, Qt::LeftButton);
  ::setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(form->sbStatus->Message(),
            "No web browser could be started. The status page is "
            "https://post.kova.example/script/back-end/getStatus.php");
  EXPECT_TRUE(ShowsMessageWhole(*form->sbStatus));

  form->OpenInBrowser = [](const QString&) { return true; };
  QTest::mouseClick(form->btnCheckWebSite, Qt::LeftButton);
  EXPECT_EQ(form->sbStatus->Message(), "");
}

TEST_F(BirthdayTest, AnEscapingErrorIsReportedAndTheWindowGoesOn) {
  auto form = NewWindow();
  messages_.clear();
  kinds_.clear();
  form->OpenInBrowser = [](const QString&) -> bool { throw std::runtime_error("no browser today"); };
  QTest::mouseClick(form->btnCheckWebSite, Qt::LeftButton);
  EXPECT_EQ(messages_, QStringList{"no browser today"});
  EXPECT_EQ(kinds_, std::vector<MessageKind>{MessageKind::Error});
  EXPECT_TRUE(form->isVisible());
}

// Panel 0 keeps its 400 pixels; the message panel below both columns shows every message whole,
// on more lines when it needs them, and the window grows to hold them.
TEST_F(BirthdayTest, EveryMessageShowsWholeAndTheHintPanelKeepsItsWidth) {
  auto form = NewWindow();
  const QString messages[] = {
      "Duplicate entry. Please try again.",
      "Lost connection to MySQL server during query",
      "No answer within the command time-out of 30 seconds.",
      "Open the table with \"Direct Connect To Database\" first.",
      "the server's certificate was not accepted: unable to get local issuer certificate",
      "SSL connection error: the CA file /home/technician/very/long/folder/names/of/the/workbench/"
      "certificates/kova-database-authority.pem could not be read",
      "No web browser could be started. The status page is "
      "https://post.kova.example/a/rather/long/address/script/back-end/getStatus.php",
      "Data too long for column 'note' at row 1 <and a text that looks like markup>",
      ""};
  for (const QString& message : messages) {
    SCOPED_TRACE(message.toStdString());
    form->sbStatus->ShowMessage(message);
    QApplication::processEvents();
    EXPECT_EQ(form->sbStatus->Panel(0)->width(), 400);
    EXPECT_EQ(form->sbStatus->PanelText(1), message);
    EXPECT_TRUE(ShowsMessageWhole(*form->sbStatus));
  }
}

// Tab follows each page as it reads, then the controls column from top to bottom, and comes round
// to the page tabs.
TEST_F(BirthdayTest, TabFollowsThePagesAsTheyRead) {
  auto form = NewWindow();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  for (QGroupBox* group : {form->gbMAC, form->gbTypes, form->gbCreateWrite}) group->setEnabled(true);
  form->btnClose->setEnabled(true);
  QWidget* tabs = form->pcBirthdaySetup->focusProxy();
  const std::vector<QWidget*> controls = {
      form->btnConnect,         form->seMAC3,       form->seMAC2,       form->seMAC1,
      form->btnGenerateRandom,  form->cbPixelType,  form->cbShieldType, form->edNote,
      form->btnCreateBirthCert, form->btnWriteToSD, form->btnClose,     tabs};
  const std::pair<QWidget*, std::vector<QWidget*>> pages[] = {
      {form->tsDatabase,
       {form->edHost, form->nePort, form->edUser, form->edDatabase, form->edPassword, form->btnTestConnection,
        form->edURL, form->btnCheckWebSite}},
      {form->tsPixels, {form->gridPixels}},
  };
  for (const auto& [page, own] : pages) {
    form->pcBirthdaySetup->setCurrentWidget(page);
    tabs->setFocus();
    std::vector<QWidget*> expected = own;
    expected.insert(expected.end(), controls.begin(), controls.end());
    std::vector<QWidget*> visited;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited.push_back(QApplication::focusWidget());
    }
    EXPECT_EQ(visited, expected) << (page == form->tsDatabase ? "Database" : "Pixels");
  }
}

// The window opens on the first input of its page, not on the page tabs, and a frame marks the
// focused control wherever the focus goes, the page tabs included.
TEST_F(BirthdayTest, StartsOnTheFirstInputAndTheFocusIsAlwaysMarked) {
  auto form = NewWindow();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  EXPECT_EQ(QApplication::focusWidget(), form->edHost);
  auto expectMarked = [&](QWidget* control) {
    SCOPED_TRACE(control->metaObject()->className());
    ASSERT_EQ(QApplication::focusWidget(), control);
    EXPECT_EQ(form->focusMark->Marked(), control);
    EXPECT_TRUE(form->focusMark->isVisible());
    const QRect controlRect(control->mapTo(form.get(), QPoint(0, 0)), control->size());
    EXPECT_TRUE(form->focusMark->geometry().contains(controlRect));
    EXPECT_FALSE(controlRect.contains(form->focusMark->geometry()));
  };
  expectMarked(form->edHost);
  QTest::keyClick(form->edHost, Qt::Key_Tab);
  expectMarked(form->nePort);
  QWidget* tabs = form->pcBirthdaySetup->focusProxy();
  tabs->setFocus(Qt::BacktabFocusReason);
  expectMarked(tabs);
  QImage marked = form->grab().toImage();
  const QPoint corner = form->focusMark->geometry().topLeft();
  EXPECT_EQ(marked.pixelColor(corner + QPoint(1, 1)), form->palette().color(QPalette::Active, QPalette::Highlight));
  form->pcBirthdaySetup->setCurrentWidget(form->tsPixels);  // the tabs move their current tab
  expectMarked(tabs);
}

TEST_F(BirthdayTest, EnterPressesTheFocusedButton) {
  auto form = NewWindow();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  int opened = 0;
  form->OpenInBrowser = [&](const QString&) { return ++opened > 0; };
  form->btnCheckWebSite->setFocus();
  QTest::keyClick(form->btnCheckWebSite, Qt::Key_Return);
  QTest::keyClick(form->btnCheckWebSite, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(opened, 2);
}

// Alt and a menu's access key open it, and an item's key chooses it; F10 opens the first menu.
TEST_F(BirthdayTest, MenusOpenByTheirAccessKeys) {
  auto form = NewWindow();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  int securityShown = 0;
  form->dlgConnectionSecurity = [&](SecuritySettings&, const std::string&) { return ++securityShown, false; };

  auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::activePopupWidget() ? QApplication::activePopupWidget() : form.get();
    QTest::keyClick(target, key, modifiers);
  };
  press(Qt::Key_O, Qt::AltModifier);
  press(Qt::Key_C);
  EXPECT_EQ(securityShown, 1);
  press(Qt::Key_H, Qt::AltModifier);
  press(Qt::Key_H);
  EXPECT_FALSE(form->mnuHints->isChecked());
  press(Qt::Key_F10);
  auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->menuAction(), form->menuMain->actions().first());
  popup->close();
}

TEST_F(BirthdayTest, RendersBothPagesAndTheMacFields) {
  auto form = NewWindow();
  form->gbMAC->setEnabled(true);
  form->seMAC3->SetValue(0x0A);
  form->seMAC2->SetValue(0xFF);
  form->seMAC1->SetValue(0x03);
  EXPECT_TRUE(SaveScreenshot(form.get(), "main-database"));
  EXPECT_TRUE(SaveScreenshot(form->gbMAC, "mac-fields"));
  form->pcBirthdaySetup->setCurrentWidget(form->tsPixels);
  EXPECT_TRUE(SaveScreenshot(form.get(), "main-pixels"));
  form->sbStatus->ShowMessage(
      "the server's certificate was not accepted: unable to get local issuer certificate; the CA file is "
      "/home/technician/certificates/kova-database-authority.pem");
  QApplication::processEvents();
  EXPECT_TRUE(SaveScreenshot(form.get(), "main-long-message"));
}

TEST_F(BirthdayTest, AboutOpensTheBoxBeforeAnyConnection) {
  auto form = NewWindow();
  frmAbout = new TfrmAbout(form.get());
  QString memo;
  QTimer::singleShot(0, [&] {
    memo = frmAbout->moInfo->toPlainText();
    QApplication::activeModalWidget()->close();
  });
  form->mnuAbout->trigger();
  EXPECT_TRUE(memo.startsWith("Company: KOVA")) << memo.toStdString();
  EXPECT_TRUE(memo.contains("FileVersion: ")) << memo.toStdString();
  EXPECT_FALSE(frmAbout->isVisible());
}
