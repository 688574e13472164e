// The technician's work in the main window, against the test server.
#include "app/Birthday.h"
#include "app/ErrorReport.h"
#include "app/MacAddress.h"
#include "app/StatusBar.h"
#include "app/WaitIndicator.h"
#include "controls/AbNumEdit.h"
#include "controls/AbNumSpin.h"
#include "controls/DBGrid.h"
#include "controls/DBGridModel.h"
#include "controls/DBNavigator.h"
#include "controls/Hint.h"
#include "driver/MySQLConnection.h"
#include "tests/app/StatusMessage.h"
#include "tests/components/TestConnection.h"
#include "tests/support/FaultProxy.h"
#include "tests/support/Screenshots.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <optional>

namespace {

// Runs statements as root on the test server, outside the window.
class ServerSide {
 public:
  // A session on the database, filled afresh with the schema and three rows unless told not to.
  explicit ServerSide(const std::string& database, bool fill = true) {
    test_server::Configure(connection_, "");
    connection_.Connect();
    if (!fill) return;
    Run("DROP DATABASE IF EXISTS " + database);
    Run("CREATE DATABASE " + database);
    Run("USE " + database);
    std::string schema = ReadFile(MORVANE_SOURCE_DIR "/scripts/schema.sql");
    for (size_t start = 0, end; (end = schema.find(';', start)) != std::string::npos; start = end + 1)
      if (schema.find_first_not_of(" \r\n", start) < end) Run(StripComments(schema.substr(start, end - start)));
    Run("INSERT INTO pixels VALUES"
        " ('54-2F-89-01-02-03', 'Standard', 'Lead', '2026-01-02 10:00:00', 1, 'oldest'),"
        " ('54-2F-89-0A-0B-0C', 'Outdoor', 'Aluminium', '2026-03-04 11:00:00', 2, 'newest'),"
        " ('54-2F-89-AA-BB-CC', NULL, NULL, '2026-02-03 12:00:00', NULL, NULL)");
  }

  void Run(const std::string& sql) {
    TMyQuery query;
    query.SetConnection(&connection_);
    query.SQL().SetText(sql);
    query.Execute();
  }

  // The rows of a statement, each as its values' texts joined with "|".
  std::vector<std::string> Rows(const std::string& sql) {
    TMyQuery query;
    query.SetConnection(&connection_);
    query.SQL().SetText(sql);
    query.Open();
    std::vector<std::string> rows;
    for (query.First(); !query.Eof(); query.Next()) {
      std::string row;
      for (const auto& field : query.Fields())
        row += (row.empty() ? "" : "|") + (field->IsNull() ? std::string("NULL") : field->AsString());
      rows.push_back(row);
    }
    return rows;
  }

 private:
  static std::string StripComments(std::string sql) {
    std::string kept;
    for (size_t pos = 0; pos < sql.size();) {
      size_t end = sql.find('\n', pos);
      std::string line = sql.substr(pos, end == std::string::npos ? end : end - pos + 1);
      if (line.rfind("--", 0) != 0) kept += line;
      pos = end == std::string::npos ? sql.size() : end + 1;
    }
    return kept;
  }

  TMyConnection connection_;
};

// Watches a wait of the window from inside its event loop: counts the ticks of a timer and the
// repaints of the wait indicator, keeps each wait text shown, and ends the wait at its first text
// when told to.
class WaitWatch : public QObject {
 public:
  enum TEnd { Never, ByEscape, ByCancelButton, ByClosingTheWindow };

  WaitWatch(TfrmBirthday& form, TEnd end) : form_(form), end_(end) {
    form.waitIndicator->installEventFilter(this);
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    timer_.start(50);
  }

  int ticks = 0;
  int paints = 0;
  QStringList texts;
  // As the first text showed: the busy cursor, and whether any control that uses the session was enabled.
  bool busyCursor = false;
  bool sessionControlEnabled = true;
  QElapsedTimer sinceEnd;  // started when the wait was told to end

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }

 private:
  void Tick() {
    ++ticks;
    const QString text = form_.waitIndicator->Text();
    if (text.isEmpty() || texts.contains(text)) return;
    texts << text;
    if (texts.size() == 1) {
      busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor;
      sessionControlEnabled = false;
      for (QWidget* control : std::initializer_list<QWidget*>{form_.btnConnect, form_.btnTestConnection, form_.btnClose,
                                                              form_.btnCreateBirthCert, form_.btnWriteToSD,
                                                              form_.gridPixels, form_.navPixels})
        sessionControlEnabled |= control->isEnabled();
    }
    if (end_ == Never || sinceEnd.isValid()) return;
    sinceEnd.start();
    if (end_ == ByEscape)
      QTest::keyClick(&form_, Qt::Key_Escape);
    else if (end_ == ByCancelButton)
      QTest::mouseClick(form_.waitIndicator->CancelButton(), Qt::LeftButton);
    else
      form_.close();
  }

  TfrmBirthday& form_;
  TEnd end_;
  QTimer timer_;
};

class RegistrationTest : public ::testing::Test {
 protected:
  RegistrationTest() : database_(test_server::ProcessDatabase("morvane_app_test")), server_(database_) {
    ::setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
    SetMessageHandler([this](const QString& text, MessageKind) { messages_ << text; });
    form_ = std::make_unique<TfrmBirthday>();
    form_->CreationPause = std::chrono::milliseconds(0);
    const test_server::TSettings& server = test_server::Settings();
    form_->edHost->setText(QString::fromStdString(server.Host));
    form_->nePort->SetValue(server.Port);
    form_->edUser->setText(QString::fromStdString(server.RootUser));
    form_->edPassword->setText(QString::fromStdString(server.RootPassword));
    form_->edDatabase->setText(QString::fromStdString(database_));
    form_->show();
    messages_.clear();
  }
  ~RegistrationTest() override {
    form_.reset();
    SetMessageHandler({});
  }

  void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

  // Clicks "Create Birth Certificate" while another session holds a read lock on the table, with the
  // wait watched and ended as told; whileLocked runs before the lock is released.
  std::unique_ptr<WaitWatch> CreateUnderReadLock(WaitWatch::TEnd end,
                                                 const std::function<void(const WaitWatch&)>& whileLocked = {}) {
    ServerSide locker(database_, /*fill=*/false);
    // The table's own read lock, which holds writes as a backup's global one does, but only here.
    locker.Run("FLUSH TABLES " + database_ + ".pixels WITH READ LOCK");
    auto watch = std::make_unique<WaitWatch>(*form_, end);
    Click(form_->btnCreateBirthCert);
    if (whileLocked) whileLocked(*watch);
    locker.Run("UNLOCK TABLES");
    return watch;
  }

  void ConnectAndShowPixels() {
    Click(form_->btnConnect);
    ASSERT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
    ASSERT_TRUE(form_->quPixels.Active());
  }

  TempDir config_;
  std::string database_;
  ServerSide server_;
  std::unique_ptr<TfrmBirthday> form_;
  QStringList messages_;
};

std::vector<std::string> Column(TMyQuery& query, const char* field) {
  std::vector<std::string> values;
  int recNo = query.RecNo();
  for (query.First(); !query.Eof(); query.Next()) values.push_back(query.FieldByName(field).AsString());
  query.SetRecNo(recNo);
  return values;
}

}  // namespace

TEST_F(RegistrationTest, DirectConnectShowsThePixelsNewestFirstAndTheFirstRowInTheFields) {
  EXPECT_EQ(form_->quPixels.CommandTimeout, 30);  // first run: the settings' default
  ConnectAndShowPixels();
  EXPECT_EQ(form_->pcBirthdaySetup->currentWidget(), form_->tsPixels);
  EXPECT_EQ(form_->btnConnect->text(), "Connected");
  EXPECT_EQ(form_->lblTest->text(), "Connected");
  for (QWidget* control :
       std::initializer_list<QWidget*>{form_->gbMAC, form_->gbTypes, form_->gbCreateWrite, form_->btnClose})
    EXPECT_TRUE(control->isEnabled());
  EXPECT_EQ(Column(form_->quPixels, "note"), (std::vector<std::string>{"newest", "", "oldest"}));
  EXPECT_EQ(form_->seMAC3->Value(), 0x0A);
  EXPECT_EQ(form_->seMAC2->Value(), 0x0B);
  EXPECT_EQ(form_->seMAC1->Value(), 0x0C);
  EXPECT_EQ(form_->cbPixelType->currentText(), "Outdoor");
  EXPECT_EQ(form_->edNote->text(), "newest");

  // A row with NULLs leaves the fields as they were.
  form_->quPixels.Next();
  EXPECT_EQ(form_->seMAC3->Value(), 0xAA);
  EXPECT_EQ(form_->cbPixelType->currentText(), "Outdoor");
  EXPECT_EQ(form_->edNote->text(), "newest");

  Click(form_->btnClose);
  EXPECT_EQ(form_->pcBirthdaySetup->currentWidget(), form_->tsDatabase);
  EXPECT_EQ(form_->btnConnect->text(), "Disconnected");
  EXPECT_EQ(form_->lblTest->text(), "Ready to Test");
  EXPECT_FALSE(form_->gbMAC->isEnabled());
  EXPECT_FALSE(form_->quPixels.Active());
}

TEST_F(RegistrationTest, AWrongPasswordShowsOnlyTheFixedMessage) {
  form_->edPassword->setText("wrong");
  Click(form_->btnConnect);
  EXPECT_EQ(messages_, QStringList{"Error - Please check the five inputs."});
  EXPECT_EQ(form_->btnConnect->text(), "Direct Connect To Database");
  EXPECT_EQ(form_->pcBirthdaySetup->currentWidget(), form_->tsDatabase);
  EXPECT_FALSE(form_->conDB.Connected());
}

TEST_F(RegistrationTest, AHostListSkipsADeadHostAndTheStateLabelNamesTheHostReached) {
  const test_server::TSettings& server = test_server::Settings();
  const QString live = QString::fromStdString(server.Host) + ":" + QString::number(server.Port);
  form_->edHost->setText("127.0.0.1:1," + live);
  form_->nePort->SetValue(1);
  ConnectAndShowPixels();
  EXPECT_EQ(form_->lblTest->text(), "Connected");
  EXPECT_EQ(Hint(form_->lblTest), "Host|Connected to " + live);
  Click(form_->btnClose);
  EXPECT_EQ(Hint(form_->lblTest), "");
}

// The first host of the list takes the connection and never answers, as a frozen node does: the
// window goes on to the next host after a few seconds, not after the connect time-out.
TEST_F(RegistrationTest, AHostListPassesOverAHostThatDoesNotAnswer) {
  const test_server::TSettings& server = test_server::Settings();
  TFaultProxy frozen(server.Port, {TFaultKind::Stall, TFaultDirection::ToClient, 0});
  const QString silent = "127.0.0.1:" + QString::number(frozen.Port());
  const QString live = QString::fromStdString(server.Host) + ":" + QString::number(server.Port);
  form_->edHost->setText(silent + "," + live);
  form_->conDB.SetConnectionTimeout(60);
  WaitWatch watch(*form_, WaitWatch::Never);
  QElapsedTimer connecting;
  connecting.start();
  ConnectAndShowPixels();
  EXPECT_LT(connecting.elapsed(), 30'000);  // half the connect time-out
  EXPECT_EQ(Hint(form_->lblTest), "Host|Connected to " + live);
  EXPECT_TRUE(watch.texts.contains("Connecting to " + silent + ", " + live + "\u2026 1 s"))
      << watch.texts.join("; ").toStdString();
}

// Cancel ends a connect to a host that does not answer: no error box, the status says so.
TEST_F(RegistrationTest, CancelEndsAConnectToAHostThatDoesNotAnswer) {
  TFaultProxy frozen(test_server::Settings().Port, {TFaultKind::Stall, TFaultDirection::ToClient, 0});
  form_->edHost->setText("127.0.0.1");
  form_->nePort->SetValue(frozen.Port());
  WaitWatch watch(*form_, WaitWatch::ByCancelButton);
  Click(form_->btnConnect);
  const QString connecting = "Connecting to 127.0.0.1:" + QString::number(frozen.Port());
  EXPECT_EQ(watch.texts, QStringList{connecting + "\u2026 0 s"});
  EXPECT_EQ(form_->sbStatus->PanelText(1), connecting + " was cancelled.");
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
  EXPECT_FALSE(form_->conDB.Connected());
  EXPECT_EQ(form_->pcBirthdaySetup->currentWidget(), form_->tsDatabase);
  EXPECT_TRUE(form_->btnConnect->isEnabled());
  EXPECT_TRUE(form_->edHost->isEnabled());
}

TEST_F(RegistrationTest, TestConnectionTrimsTheInputsAndDirectConnectKeepsThatConnection) {
  form_->edHost->setText("  " + form_->edHost->text() + "\t");
  form_->edDatabase->setText(form_->edDatabase->text() + " ");
  Click(form_->btnConnect);
  EXPECT_EQ(messages_, QStringList{"Error - Please check the five inputs."});
  messages_.clear();

  Click(form_->btnTestConnection);
  EXPECT_TRUE(messages_.isEmpty());
  EXPECT_TRUE(form_->conDB.Connected());
  EXPECT_EQ(form_->lblTest->text(), "Connected");
  EXPECT_TRUE(form_->gbMAC->isEnabled());
  EXPECT_FALSE(form_->quPixels.Active());
  EXPECT_EQ(form_->pcBirthdaySetup->currentWidget(), form_->tsDatabase);

  Click(form_->btnConnect);  // no reconnect with the untrimmed inputs: the query opens
  EXPECT_TRUE(messages_.isEmpty());
  EXPECT_TRUE(form_->quPixels.Active());
  EXPECT_EQ(form_->pcBirthdaySetup->currentWidget(), form_->tsPixels);
}

TEST_F(RegistrationTest, CreateBirthCertificateInsertsOneRowAndReportsADuplicate) {
  server_.Run("SET GLOBAL log_output = 'TABLE'");
  server_.Run("SET GLOBAL general_log = 1");
  std::string since = server_.Rows("SELECT NOW(6)").at(0);
  ConnectAndShowPixels();
  std::string statement;
  form_->quPixels.BeforeUpdateExecute = [&](TDataSet&, TStatementType, const std::string& text) { statement = text; };

  form_->seMAC3->SetValue(0x0A);
  form_->seMAC2->SetValue(0xFF);
  form_->seMAC1->SetValue(0x03);
  form_->cbPixelType->setEditText("Reference");
  form_->edNote->setText("it's a \"new\" pixel\\");
  Click(form_->btnCreateBirthCert);

  EXPECT_EQ(statement,
            "INSERT INTO pixels\r\n  (mac, PixelType, ShieldType, birthday, note)\r\nVALUES\r\n  (?, ?, ?, ?, ?)");
  EXPECT_EQ(form_->sbStatus->PanelText(1), "");
  EXPECT_FALSE(form_->btnCreateBirthCert->isEnabled());
  EXPECT_EQ(form_->quPixels.FieldByName("mac").AsString(), "54-2F-89-0A-FF-03");
  EXPECT_EQ(form_->quPixels.RecNo(), 1);  // before the row that was current
  EXPECT_EQ(server_.Rows("SELECT mac, PixelType, ShieldType, Org_ID, note FROM " + database_ +
                         ".pixels WHERE mac = '54-2F-89-0A-FF-03'"),
            std::vector<std::string>{"54-2F-89-0A-FF-03|Reference|Aluminium|NULL|it's a \"new\" pixel\\"});
  std::vector<std::string> logged =
      server_.Rows("SELECT CONVERT(argument USING utf8) FROM mysql.general_log WHERE event_time >= '" + since +
                   "' AND argument LIKE 'INSERT INTO pixels%54-2F-89-0A-FF-03%'");
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_TRUE(
      logged[0].starts_with("INSERT INTO pixels\r\n  (mac, PixelType, ShieldType, birthday, note)\r\n"
                            "VALUES\r\n  ('54-2F-89-0A-FF-03', 'Reference', 'Aluminium', '20"))
      << logged[0];
  EXPECT_TRUE(logged[0].ends_with("', 'it\\'s a \\\"new\\\" pixel\\\\')")) << logged[0];

  // The same MAC again: refused, nothing added, the fields show the row that was current.
  form_->quPixels.SetRecNo(2);
  form_->seMAC3->SetValue(0x0A);
  form_->seMAC2->SetValue(0xFF);
  form_->seMAC1->SetValue(0x03);
  form_->seMAC1Change();
  Click(form_->btnCreateBirthCert);
  EXPECT_EQ(form_->sbStatus->PanelText(1), "Duplicate entry. Please try again.");
  EXPECT_FALSE(form_->btnCreateBirthCert->isEnabled());
  EXPECT_EQ(form_->quPixels.State(), dsBrowse);
  EXPECT_EQ(form_->quPixels.RecordCount(), 4);
  // The fields keep what was entered, not the row that is current again.
  EXPECT_EQ(form_->seMAC3->Value(), 0x0A);
  EXPECT_EQ(form_->seMAC2->Value(), 0xFF);
  EXPECT_EQ(form_->seMAC1->Value(), 0x03);
  EXPECT_EQ(form_->cbPixelType->currentText(), "Outdoor");
  EXPECT_EQ(form_->edNote->text(), "newest");
  EXPECT_EQ(server_.Rows("SELECT COUNT(*) FROM " + database_ + ".pixels"), std::vector<std::string>{"4"});
}

// Another session's read lock on the table holds the INSERT past the command time-out: the statement is ended on the
// server, the window says why and keeps the entries, and the next Create stores the row once.
TEST_F(RegistrationTest, ACreationPastTheTimeOutIsEndedAndTheNextStoresTheRowOnce) {
  ConnectAndShowPixels();
  form_->quPixels.CommandTimeout = 2;
  form_->seMAC3->SetValue(0x0B);
  form_->seMAC2->SetValue(0x0C);
  form_->seMAC1->SetValue(0x0D);
  form_->cbPixelType->setEditText("Reference");
  form_->edNote->setText("held");
  // Whatever rows the handling of the time-out makes current, the fields show the entries throughout.
  QStringList shown;
  for (QLineEdit* field : std::initializer_list<QLineEdit*>{form_->seMAC3, form_->seMAC2, form_->seMAC1, form_->edNote})
    QObject::connect(field, &QLineEdit::textChanged, [&](const QString& text) { shown << text; });
  const auto watch = CreateUnderReadLock(WaitWatch::Never);
  // The window went on meanwhile and said what it waited for.
  EXPECT_GT(watch->ticks, 10);
  EXPECT_GT(watch->paints, 0);
  EXPECT_TRUE(watch->texts.contains("Storing the birth certificate\u2026 1 s"))
      << watch->texts.join("; ").toStdString();
  EXPECT_TRUE(watch->busyCursor);
  EXPECT_FALSE(watch->sessionControlEnabled);
  EXPECT_EQ(form_->waitIndicator->Text(), "");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(form_->btnClose->isEnabled());
  EXPECT_TRUE(form_->navPixels->isEnabled());
  EXPECT_TRUE(shown.isEmpty()) << shown.join(", ").toStdString();
  EXPECT_EQ(form_->sbStatus->PanelText(1), "No answer within the command time-out of 2 seconds.");
  EXPECT_TRUE(ShowsMessageWhole(*form_->sbStatus));
  EXPECT_EQ(form_->seMAC1->Value(), 0x0D);
  EXPECT_EQ(form_->edNote->text(), "held");
  EXPECT_EQ(form_->quPixels.State(), dsBrowse);
  const std::string count = "SELECT COUNT(*) FROM " + database_ + ".pixels WHERE mac = '54-2F-89-0B-0C-0D'";
  EXPECT_EQ(server_.Rows(count), std::vector<std::string>{"0"});

  Click(form_->btnCreateBirthCert);
  EXPECT_EQ(form_->sbStatus->PanelText(1), "");
  EXPECT_EQ(server_.Rows(count), std::vector<std::string>{"1"});
}

// The same lock, and the technician does not want to wait: Escape ends the INSERT on the server
// at once, nothing is stored once the lock is gone, the entries stay, and the next Create stores
// the row once.
TEST_F(RegistrationTest, EscapeEndsACreationHeldByAReadLockAndTheNextStoresTheRowOnce) {
  server_.Run("SET GLOBAL log_output = 'TABLE'");
  server_.Run("SET GLOBAL general_log = 1");
  ConnectAndShowPixels();
  const std::string session = std::to_string(form_->conDB.MySQLConnection()->GetThreadId());
  form_->SetCommandTimeout(30);  // only Escape ends the wait
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  form_->seMAC3->SetValue(0x0B);
  form_->seMAC2->SetValue(0x0C);
  form_->seMAC1->SetValue(0x0E);
  form_->cbPixelType->setEditText("Reference");
  form_->edNote->setText("cancelled");
  std::vector<std::string> running;
  const auto watch = CreateUnderReadLock(WaitWatch::ByEscape, [&](const WaitWatch& ended) {
    RecordProperty("EscapeToEndMs", static_cast<int>(ended.sinceEnd.elapsed()));
    running = server_.Rows("SELECT id FROM information_schema.processlist WHERE id = " + session);
  });

  EXPECT_GT(watch->paints, 0);
  ASSERT_FALSE(watch->texts.isEmpty());
  EXPECT_EQ(watch->texts.first(), "Storing the birth certificate\u2026 0 s");
  EXPECT_EQ(form_->sbStatus->PanelText(1), "Storing the birth certificate was cancelled.");
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
  EXPECT_EQ(form_->waitIndicator->Text(), "");
  EXPECT_TRUE(running.empty());  // ended before the wait was
  EXPECT_EQ(server_.Rows("SELECT COUNT(*) FROM mysql.general_log WHERE argument = 'KILL " + session + "'"),
            std::vector<std::string>{"1"});
  EXPECT_EQ(form_->seMAC1->Value(), 0x0E);
  EXPECT_EQ(form_->cbPixelType->currentText(), "Reference");
  EXPECT_EQ(form_->edNote->text(), "cancelled");
  EXPECT_EQ(form_->quPixels.State(), dsBrowse);
  EXPECT_TRUE(form_->btnCreateBirthCert->isEnabled());
  const std::string count = "SELECT COUNT(*) FROM " + database_ + ".pixels WHERE mac = '54-2F-89-0B-0C-0E'";
  EXPECT_EQ(server_.Rows(count), std::vector<std::string>{"0"});

  Click(form_->btnCreateBirthCert);
  EXPECT_EQ(form_->sbStatus->PanelText(1), "");
  EXPECT_EQ(server_.Rows(count), std::vector<std::string>{"1"});
}

// After a row is stored the window holds its controls for a moment, and goes on repainting.
TEST_F(RegistrationTest, ThePauseAfterACreationHoldsTheControlsWithoutFreezingTheWindow) {
  ConnectAndShowPixels();
  form_->CreationPause = std::chrono::milliseconds(400);
  Click(form_->btnGenerateRandom);
  form_->cbPixelType->setEditText("Standard");
  form_->cbShieldType->setEditText("Lead");
  std::optional<bool> connectEnabled;
  QTimer::singleShot(200, form_.get(), [&] { connectEnabled = form_->btnConnect->isEnabled(); });
  Click(form_->btnCreateBirthCert);
  EXPECT_EQ(connectEnabled, std::optional<bool>(false));
  EXPECT_TRUE(form_->btnConnect->isEnabled());
  EXPECT_EQ(form_->sbStatus->PanelText(1), "");
}

// Closing the window while a statement waits ends the wait first; the window closes after it.
TEST_F(RegistrationTest, ClosingTheWindowDuringAWaitEndsTheWaitAndThenCloses) {
  ConnectAndShowPixels();
  form_->SetCommandTimeout(30);
  form_->cbPixelType->setEditText("Standard");
  form_->cbShieldType->setEditText("Lead");
  CreateUnderReadLock(WaitWatch::ByClosingTheWindow);
  EXPECT_TRUE(form_->isVisible());  // the worker had the session: nothing was closed under it
  QTRY_VERIFY(!form_->isVisible());
  EXPECT_FALSE(form_->conDB.Connected());
  EXPECT_EQ(server_.Rows("SELECT COUNT(*) FROM " + database_ + ".pixels"), std::vector<std::string>{"3"});
}

TEST_F(RegistrationTest, CreatingAfterTestConnectionFailsAtOnceWithTheStatusText) {
  Click(form_->btnTestConnection);
  form_->cbPixelType->setEditText("Standard");
  form_->cbShieldType->setEditText("Lead");
  Click(form_->btnCreateBirthCert);
  // What to do, not a duplicate, and no error report.
  EXPECT_EQ(form_->sbStatus->PanelText(1), "Open the table with \"Direct Connect To Database\" first.");
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
  EXPECT_TRUE(form_->btnCreateBirthCert->isEnabled());
  EXPECT_EQ(server_.Rows("SELECT COUNT(*) FROM " + database_ + ".pixels"), std::vector<std::string>{"3"});
  EXPECT_TRUE(ShowsMessageWhole(*form_->sbStatus));

  Click(form_->btnConnect);  // done as told: the advice goes
  EXPECT_EQ(form_->sbStatus->Message(), "");
}

TEST_F(RegistrationTest, ARefusedValueShowsTheServersTextAndKeepsTheEntries) {
  ConnectAndShowPixels();
  Click(form_->btnGenerateRandom);
  double bytes[] = {form_->seMAC3->Value(), form_->seMAC2->Value(), form_->seMAC1->Value()};
  form_->cbPixelType->setEditText("Standard");
  form_->cbShieldType->setEditText("Lead");
  form_->edNote->setText(QString(300, 'n'));  // longer than the column
  Click(form_->btnCreateBirthCert);
  EXPECT_EQ(form_->sbStatus->PanelText(1), "Data too long for column 'note' at row 1");
  EXPECT_TRUE(messages_.isEmpty());
  EXPECT_EQ(form_->seMAC3->Value(), bytes[0]);
  EXPECT_EQ(form_->seMAC2->Value(), bytes[1]);
  EXPECT_EQ(form_->seMAC1->Value(), bytes[2]);
  EXPECT_EQ(form_->cbPixelType->currentText(), "Standard");
  EXPECT_EQ(form_->edNote->text(), QString(300, 'n'));
  EXPECT_EQ(server_.Rows("SELECT COUNT(*) FROM " + database_ + ".pixels"), std::vector<std::string>{"3"});
}

TEST_F(RegistrationTest, AnInvalidMacByteStopsCreatingAndWriting) {
  ConnectAndShowPixels();
  TempDir dir;
  bool asked = false;
  form_->dlgFileSave = [&](const QString&) {
    asked = true;
    return QString::fromStdString((dir / "cert.ini").string());
  };
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  form_->seMAC3->setFocus();
  form_->seMAC3->selectAll();
  QTest::keyClicks(form_->seMAC3, "1g");
  EXPECT_EQ(form_->seMAC3->State(), esError);
  for (QPushButton* button : {form_->btnCreateBirthCert, form_->btnWriteToSD}) {
    Click(button);
    EXPECT_EQ(form_->sbStatus->PanelText(1), "Enter the MAC bytes as two hexadecimal digits.");
    EXPECT_EQ(form_->seMAC3->text(), "1g");
    EXPECT_EQ(form_->seMAC3->selectedText(), "g");
    EXPECT_EQ(QApplication::focusWidget(), form_->seMAC3);
  }
  EXPECT_FALSE(asked);
  EXPECT_FALSE(std::filesystem::exists(dir / "cert.ini"));
  EXPECT_EQ(server_.Rows("SELECT COUNT(*) FROM " + database_ + ".pixels"), std::vector<std::string>{"3"});
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(RegistrationTest, TypePromptsAreNotTypes) {
  ConnectAndShowPixels();
  Click(form_->btnGenerateRandom);  // puts both prompts back
  std::string since = server_.Rows("SELECT NOW(6)").at(0);
  for (const char* pixelType : {"<select Pixel Type>", "Standard"}) {
    form_->cbPixelType->setEditText(pixelType);
    Click(form_->btnCreateBirthCert);
    EXPECT_EQ(form_->sbStatus->PanelText(1), "Choose the pixel and shield type.");
    EXPECT_TRUE(form_->btnCreateBirthCert->isEnabled());
  }
  EXPECT_EQ(server_.Rows("SELECT COUNT(*) FROM " + database_ + ".pixels"), std::vector<std::string>{"3"});

  form_->cbShieldType->setEditText("<select Shield> typed");
  Click(form_->btnCreateBirthCert);
  EXPECT_EQ(form_->sbStatus->PanelText(1), "");
  EXPECT_EQ(server_.Rows("SELECT COUNT(*) FROM " + database_ + ".pixels WHERE ShieldType = '<select Shield> typed'"),
            std::vector<std::string>{"1"});
}

TEST_F(RegistrationTest, WritesTheCertificateByteForByte) {
  ConnectAndShowPixels();
  TempDir dir;
  WriteFile(dir / "cert.ini", "an older certificate that is replaced without a question");
  QString proposed;
  form_->dlgFileSave = [&](const QString& name) {
    proposed = name;
    return QString::fromStdString((dir / "cert.ini").string());
  };
  form_->edURL->setText("https://post.kova.example");
  form_->edNote->setText("caf\xC3\xA9 \xE2\x82\xAC");
  form_->seMAC3->SetValue(0x0A);
  form_->seMAC2->SetValue(0xFF);
  form_->seMAC1->SetValue(0x03);
  Click(form_->btnWriteToSD);

  EXPECT_EQ(proposed, "cert.ini");
  std::string cert = ReadFile(dir / "cert.ini");
  size_t firstLineEnd = cert.find("\r\n");
  ASSERT_NE(firstLineEnd, std::string::npos);
  const std::string header = ";   This cert was generated by Morvane on:";
  EXPECT_TRUE(cert.starts_with(header));
  EXPECT_GT(firstLineEnd, header.size());  // the date and time follow
  const test_server::TSettings& server = test_server::Settings();
  EXPECT_EQ(cert.substr(firstLineEnd + 2),
            "[network]\r\n"
            "host = " +
                form_->edHost->text().toStdString() +
                "\r\n"
                "port = " +
                std::to_string(server.Port) +
                "\r\n"
                "User = " +
                server.RootUser +
                "\r\n"
                "Database = " +
                database_ +
                "\r\n"
                "password = " +
                server.RootPassword +
                "\r\n"
                "[Pixel]\r\n"
                "PostWebSite = https://post.kova.example\r\n"
                "mac = 54-2F-89-0A-FF-03\r\n"
                "mac0 = 84\r\n"
                "mac1 = 47\r\n"
                "mac2 = 137\r\n"
                "mac3 = 10\r\n"
                "mac4 = 255\r\n"
                "mac5 = 3\r\n"
                "pixelType =Outdoor\r\n"
                "shieldType =Aluminium\r\n"
                "note =caf\xE9 \x80\r\n");
  EXPECT_EQ(form_->seMAC1->text(), "03");

  // A closed query has no PixelType: the error is reported and the good file stays byte for byte.
  cert = ReadFile(dir / "cert.ini");
  Click(form_->btnTestConnection);
  Click(form_->btnWriteToSD);
  EXPECT_EQ(messages_.size(), 1);
  EXPECT_EQ(ReadFile(dir / "cert.ini"), cert);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temporary file left
}

TEST_F(RegistrationTest, ACancelledSaveDialogWritesNothing) {
  ConnectAndShowPixels();
  form_->dlgFileSave = [](const QString&) { return QString(); };
  form_->seMAC1->SetValue(5);
  Click(form_->btnWriteToSD);
  EXPECT_EQ(form_->seMAC1->text(), "5");
  EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(RegistrationTest, TitleClicksSortByTurnsAndTheStatementSurvivesAReconnect) {
  ConnectAndShowPixels();
  form_->gridPixelsTitleClick("mac");
  EXPECT_EQ(form_->quPixels.SQL().Text(), "SELECT * FROM pixels ORDER BY mac ASC\r\n");
  EXPECT_EQ(Column(form_->quPixels, "mac").front(), "54-2F-89-01-02-03");
  EXPECT_EQ(form_->seMAC3->Value(), 0x01);

  form_->gridPixelsTitleClick("note");
  EXPECT_EQ(form_->quPixels.SQL().Text(), "SELECT * FROM pixels ORDER BY note DESC\r\n");
  EXPECT_EQ(Column(form_->quPixels, "note").front(), "oldest");

  server_.Run("ALTER TABLE " + database_ + ".pixels ADD COLUMN `2nd note` VARCHAR(10)");
  form_->gridPixelsTitleClick("2nd note");
  EXPECT_EQ(form_->quPixels.SQL().Text(), "SELECT * FROM pixels ORDER BY `2nd note` ASC\r\n");
  EXPECT_TRUE(form_->quPixels.Active());

  Click(form_->btnClose);
  Click(form_->btnConnect);
  EXPECT_EQ(form_->quPixels.SQL().Text(), "SELECT * FROM pixels ORDER BY `2nd note` ASC\r\n");
  EXPECT_TRUE(form_->quPixels.Active());
}

// A column title is a name the server reported: clicking it sorts by that one column and runs
// nothing else, now or at the next connect.
TEST_F(RegistrationTest, AColumnTitleNeverRunsAsSql) {
  ConnectAndShowPixels();
  const std::string title = "`mac`; CREATE TABLE pwned (i INT); -- x";
  server_.Run("ALTER TABLE " + database_ + ".pixels ADD COLUMN ```mac``; CREATE TABLE pwned (i INT); -- x` INT");
  form_->gridPixelsTitleClick(title);
  EXPECT_EQ(form_->quPixels.SQL().Text(),
            "SELECT * FROM pixels ORDER BY ```mac``; CREATE TABLE pwned (i INT); -- x` ASC\r\n");
  EXPECT_TRUE(form_->quPixels.Active());
  Click(form_->btnClose);
  Click(form_->btnConnect);
  EXPECT_TRUE(form_->quPixels.Active());
  EXPECT_EQ(server_.Rows("SHOW TABLES FROM " + database_ + " LIKE 'pwned'").size(), 0u);
}

TEST_F(RegistrationTest, TheGridShowsStripedRowsAndSortsOnATitleClick) {
  ConnectAndShowPixels();
  TDBGridModel& model = form_->gridPixels->Model();
  ASSERT_EQ(model.rowCount(), 3);
  ASSERT_EQ(model.columnCount(), 6);
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "mac");
  EXPECT_EQ(model.data(model.index(0, 5)).toString(), "newest");
  for (int row = 0; row < 3; ++row)
    EXPECT_EQ(model.data(model.index(row, 0), Qt::BackgroundRole).value<QColor>(),
              row % 2 ? QColor(255, 251, 240) : QColor(255, 255, 255));
  EXPECT_TRUE(SaveScreenshot(form_.get(), "main-pixels-rows"));

  QHeaderView* titles = form_->gridPixels->horizontalHeader();
  QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                    QPoint(titles->sectionViewportPosition(0) + 5, titles->height() / 2));
  EXPECT_EQ(form_->quPixels.SQL().Text(), "SELECT * FROM pixels ORDER BY mac ASC\r\n");
  EXPECT_EQ(model.data(model.index(0, 0)).toString(), "54-2F-89-01-02-03");
}

// Ctrl+Tab, then Tab, go from the table to the enabled buttons of the navigator on the page, then to those of
// the navigator below the pages; Space presses the focused one.
TEST_F(RegistrationTest, TheNavigatorsAreReachedByTab) {
  ConnectAndShowPixels();
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  form_->gridPixels->setFocus();
  std::vector<QWidget*> visited;
  for (int i = 0; i < 30 && QApplication::focusWidget() != form_->btnConnect; ++i) {
    // Tab moves between the table's cells; Ctrl+Tab leaves it.
    const bool inTable = QApplication::focusWidget() == form_->gridPixels;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, inTable ? Qt::ControlModifier : Qt::NoModifier);
    visited.push_back(QApplication::focusWidget());
  }
  ASSERT_EQ(visited.back(), form_->btnConnect);
  visited.pop_back();
  std::vector<QWidget*> expected;
  for (TDBNavigator* navigator : {form_->DBNavigator1, form_->navPixels})
    for (int button = 0; button < NavigateButtonCount; ++button)
      if (QToolButton* shown = navigator->Button(TNavigateBtn(button)); shown->isEnabled() && shown->isVisible())
        expected.push_back(shown);
  EXPECT_EQ(visited, expected);
  EXPECT_FALSE(form_->navPixels->Button(nbFirst)->isEnabled()) << "on the first row";

  form_->navPixels->Button(nbLast)->setFocus(Qt::TabFocusReason);
  QTest::keyClick(form_->navPixels->Button(nbLast), Qt::Key_Space);
  EXPECT_EQ(form_->quPixels.RecNo(), form_->quPixels.RecordCount());
}

TEST_F(RegistrationTest, NavigatorDeleteAsksFirst) {
  ConnectAndShowPixels();
  QStringList questions;
  bool answer = false;
  form_->navPixels->ConfirmAction = [&](TDBNavigator&, const QString& question) {
    questions << question;
    return answer;
  };
  QToolButton* remove = form_->navPixels->Button(nbDelete);
  ASSERT_TRUE(remove->isEnabled());
  QTest::mouseClick(remove, Qt::LeftButton);
  EXPECT_EQ(questions, QStringList{"Delete record?"});
  EXPECT_EQ(form_->quPixels.RecordCount(), 3);

  answer = true;
  QTest::mouseClick(remove, Qt::LeftButton);
  EXPECT_EQ(form_->quPixels.RecordCount(), 2);
  EXPECT_EQ(server_.Rows("SELECT note FROM " + database_ + ".pixels WHERE note = 'newest'").size(), 0u);
  EXPECT_TRUE(messages_.isEmpty());
}

// The server dies between Direct Connect and "Create Birth Certificate" and takes no new session:
// the failed reconnect closes the pixel query under the post, which must not touch it afterwards.
TEST_F(RegistrationTest, CreateAfterTheServerDiedReportsItAndKeepsTheEntries) {
  auto server = std::make_unique<TFaultProxy>(test_server::Settings().Port);
  form_->nePort->SetValue(server->Port());
  ConnectAndShowPixels();
  Click(form_->btnGenerateRandom);
  form_->cbPixelType->setEditText("Standard");
  form_->cbShieldType->setEditText("Lead");
  form_->edNote->setText("after the crash");
  const int bytes[] = {form_->seMAC3->ValueAsInt(), form_->seMAC2->ValueAsInt(), form_->seMAC1->ValueAsInt()};
  server.reset();

  Click(form_->btnCreateBirthCert);
  const QString reported = form_->sbStatus->PanelText(1) + messages_.join("; ");
  EXPECT_FALSE(reported.isEmpty());
  EXPECT_FALSE(reported.contains("Duplicate")) << reported.toStdString();
  EXPECT_EQ(form_->seMAC3->ValueAsInt(), bytes[0]);
  EXPECT_EQ(form_->seMAC2->ValueAsInt(), bytes[1]);
  EXPECT_EQ(form_->seMAC1->ValueAsInt(), bytes[2]);
  EXPECT_EQ(form_->cbPixelType->currentText(), "Standard");
  EXPECT_EQ(form_->cbShieldType->currentText(), "Lead");
  EXPECT_EQ(form_->edNote->text(), "after the crash");
  Click(form_->btnCreateBirthCert);  // again, with nothing left open
  EXPECT_EQ(form_->edNote->text(), "after the crash");

  // The server is back (behind a new address): connected again, the next Create stores one row.
  server = std::make_unique<TFaultProxy>(test_server::Settings().Port);
  form_->nePort->SetValue(server->Port());
  messages_.clear();
  ConnectAndShowPixels();
  Click(form_->btnGenerateRandom);
  form_->cbPixelType->setEditText("Standard");
  form_->cbShieldType->setEditText("Lead");
  const std::string mac =
      MacText(form_->seMAC3->ValueAsInt(), form_->seMAC2->ValueAsInt(), form_->seMAC1->ValueAsInt());
  Click(form_->btnCreateBirthCert);
  EXPECT_EQ(form_->sbStatus->PanelText(1), "");
  EXPECT_EQ(server_.Rows("SELECT COUNT(*) FROM " + database_ + ".pixels WHERE mac = '" + mac + "'"),
            std::vector<std::string>{"1"});
}

// The technician types a MAC off the sticker and the types; the server goes and Create fails; the
// server comes back and Direct Connect opens the table again over the fields. What was typed stays
// and the next Create stores it, once and without a duplicate.
TEST_F(RegistrationTest, TypedEntriesSurviveALostServerAndAreStoredOnceAfterReconnecting) {
  auto server = std::make_unique<TFaultProxy>(test_server::Settings().Port);
  form_->nePort->SetValue(server->Port());
  ConnectAndShowPixels();
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  auto type = [](QLineEdit* field, const char* text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
  };
  type(form_->seMAC3, "C1");
  type(form_->seMAC2, "D2");
  type(form_->seMAC1, "E3");
  type(form_->cbPixelType->lineEdit(), "Reference");
  type(form_->cbShieldType->lineEdit(), "Copper");
  type(form_->edNote, "from the sticker");
  auto expectTyped = [&] {
    EXPECT_EQ(form_->seMAC3->text(), "C1");
    EXPECT_EQ(form_->seMAC2->text(), "D2");
    EXPECT_EQ(form_->seMAC1->text(), "E3");
    EXPECT_EQ(form_->cbPixelType->currentText(), "Reference");
    EXPECT_EQ(form_->cbShieldType->currentText(), "Copper");
    EXPECT_EQ(form_->edNote->text(), "from the sticker");
  };
  server.reset();
  Click(form_->btnCreateBirthCert);
  EXPECT_FALSE((form_->sbStatus->PanelText(1) + messages_.join("; ")).isEmpty());
  EXPECT_TRUE(ShowsMessageWhole(*form_->sbStatus));
  expectTyped();

  server = std::make_unique<TFaultProxy>(test_server::Settings().Port);
  form_->nePort->SetValue(server->Port());
  messages_.clear();
  ConnectAndShowPixels();
  expectTyped();
  form_->gridPixelsTitleClick("mac");  // sorting the table picks no row
  expectTyped();
  ASSERT_TRUE(form_->btnCreateBirthCert->isEnabled());
  Click(form_->btnCreateBirthCert);
  EXPECT_EQ(form_->sbStatus->PanelText(1), "");
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
  EXPECT_EQ(server_.Rows("SELECT mac, PixelType, ShieldType, note FROM " + database_ + ".pixels WHERE mac LIKE '%C1%'"),
            std::vector<std::string>{"54-2F-89-C1-D2-E3|Reference|Copper|from the sticker"});
  EXPECT_EQ(form_->quPixels.FieldByName("mac").AsString(), "54-2F-89-C1-D2-E3");

  // A row the technician picks replaces the entries again.
  form_->quPixels.Last();
  EXPECT_EQ(MacText(form_->seMAC3->ValueAsInt(), form_->seMAC2->ValueAsInt(), form_->seMAC1->ValueAsInt()),
            form_->quPixels.FieldByName("mac").AsString());
  EXPECT_NE(form_->quPixels.FieldByName("mac").AsString(), "54-2F-89-C1-D2-E3");
}

// The connection breaks while "Create Birth Certificate" posts: the server either ran the INSERT and
// only its reply was lost, or never saw it. Either way the technician ends with exactly one row.
class LostReplyTest : public RegistrationTest {
 protected:
  LostReplyTest() : proxy_(test_server::Settings().Port) {
    form_->nePort->SetValue(proxy_.Port());
    form_->security.mode = "disabled";  // the proxy finds the statement to cut in the plain bytes
  }

  // A drawn MAC with chosen types, as the technician leaves it before clicking.
  std::string PrepareBirth() {
    ConnectAndShowPixels();
    Click(form_->btnGenerateRandom);
    form_->cbPixelType->setEditText("Standard");
    form_->cbShieldType->setEditText("Lead");
    form_->edNote->setText("cut");
    return MacText(form_->seMAC3->ValueAsInt(), form_->seMAC2->ValueAsInt(), form_->seMAC1->ValueAsInt());
  }

  std::vector<std::string> StoredRows(const std::string& mac) {
    return server_.Rows("SELECT mac, PixelType, ShieldType, note FROM " + database_ + ".pixels WHERE mac = '" + mac +
                        "'");
  }

  TFaultProxy proxy_;
};

TEST_F(LostReplyTest, AnInsertWhoseReplyWasLostCountsAsDoneWhenTheRowIsThere) {
  std::string mac = PrepareBirth();
  proxy_.Arm("INSERT INTO pixels", TMarkerCut::AfterReply);
  Click(form_->btnCreateBirthCert);
  ASSERT_TRUE(proxy_.HasCut());

  EXPECT_EQ(StoredRows(mac), std::vector<std::string>{mac + "|Standard|Lead|cut"});
  EXPECT_EQ(form_->sbStatus->PanelText(1), "");
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
  EXPECT_FALSE(form_->btnCreateBirthCert->isEnabled());
  EXPECT_EQ(form_->quPixels.FieldByName("mac").AsString(), mac);  // the grid shows the row
  EXPECT_EQ(form_->quPixels.RecordCount(), 4);
}

TEST_F(LostReplyTest, AnInsertCutBeforeTheServerKeepsTheEntriesAndCanBeSentAgain) {
  std::string mac = PrepareBirth();
  proxy_.Arm("INSERT INTO pixels", TMarkerCut::BeforeServer);
  Click(form_->btnCreateBirthCert);
  ASSERT_TRUE(proxy_.HasCut());

  EXPECT_TRUE(StoredRows(mac).empty());
  QString status = form_->sbStatus->PanelText(1);  // the time-out's own text
  EXPECT_FALSE(status.isEmpty());
  EXPECT_FALSE(status.contains("Duplicate")) << status.toStdString();
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
  EXPECT_EQ(MacText(form_->seMAC3->ValueAsInt(), form_->seMAC2->ValueAsInt(), form_->seMAC1->ValueAsInt()), mac);
  EXPECT_EQ(form_->cbShieldType->currentText(), "Lead");
  EXPECT_EQ(form_->edNote->text(), "cut");
  ASSERT_TRUE(form_->btnCreateBirthCert->isEnabled());

  Click(form_->btnCreateBirthCert);
  EXPECT_EQ(form_->sbStatus->PanelText(1), "");
  EXPECT_EQ(StoredRows(mac), std::vector<std::string>{mac + "|Standard|Lead|cut"});
}

TEST_F(LostReplyTest, ALockedTableEndsTheCreationAfterTheCommandTimeOutAndNothingIsStoredTwice) {
  std::string mac = PrepareBirth();
  form_->SetCommandTimeout(1);
  ServerSide locker(database_, false);
  locker.Run("LOCK TABLES " + database_ + ".pixels WRITE");
  Click(form_->btnCreateBirthCert);
  QString status = form_->sbStatus->PanelText(1);  // the time-out's own text
  EXPECT_FALSE(status.isEmpty());
  EXPECT_FALSE(status.contains("Duplicate")) << status.toStdString();
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
  EXPECT_EQ(MacText(form_->seMAC3->ValueAsInt(), form_->seMAC2->ValueAsInt(), form_->seMAC1->ValueAsInt()), mac);
  locker.Run("UNLOCK TABLES");
  for (int wait = 0;
       wait < 50 &&
       !server_.Rows("SELECT id FROM information_schema.processlist WHERE info LIKE 'INSERT INTO pixels%'").empty();
       ++wait)
    QTest::qWait(100);

  // The INSERT that waited for the lock may still run; the next click looks the MAC up first.
  Click(form_->btnCreateBirthCert);
  EXPECT_EQ(form_->sbStatus->PanelText(1), "");
  EXPECT_EQ(StoredRows(mac), std::vector<std::string>{mac + "|Standard|Lead|cut"});
}
