#pragma once
// The main window: connection inputs, the pixel table, MAC entry and birth certificate creation.
#include "app/BackgroundCall.h"
#include "app/BirthCheck.h"
#include "app/Settings.h"
#include "components/MyConnection.h"
#include "components/MyQuery.h"
#include "dataset/DataSource.h"

#include <QMainWindow>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class HintTracker;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QScrollArea;
class QTabWidget;
class TAbNumEdit;
class TAbNumSpin;
class TDBGrid;
class TDBNavigator;
class TFocusMark;
class TStatusBar;
class TWaitBreaker;
class TWaitIndicator;

// The texts the type boxes show while no type is chosen.
inline const QString PixelTypePrompt = "<select Pixel Type>";
inline const QString ShieldTypePrompt = "<select Shield Type>";

// The main window: connection inputs, the pixel table, MAC entry and certificate creation.
// Controls are public under their window names so that handlers and tests reach them directly.
class TfrmBirthday : public QMainWindow {
 public:
  explicit TfrmBirthday(QWidget* parent = nullptr);
  ~TfrmBirthday() override;

  void setVisible(bool visible) override;

  // How "Check Web Site" reaches the browser, false when none could be started; tests replace it.
  std::function<bool(const QString& address)> OpenInBrowser;
  // The save dialog of "Write Certertificate To SD": the chosen path, or empty when cancelled.
  std::function<QString(const QString& proposedName)> dlgFileSave;
  // The "Connection Security…" dialog: edits the settings and tells true when they are to be kept;
  // tests replace it.
  std::function<bool(SecuritySettings& settings, const std::string& currentState)> dlgConnectionSecurity;
  // The remembered encryption settings, handed to conDB before each connect.
  SecuritySettings security;
  // How long "Create Birth Certificate" holds the window after a post.
  std::chrono::milliseconds CreationPause{1000};
  // How long a statement of the window may take, in seconds, before it ends with an error.
  int CommandTimeout() const { return quPixels.CommandTimeout; }
  void SetCommandTimeout(int seconds) { quPixels.CommandTimeout = seconds; }

  // Declared before the query and the data source, which must go first.
  TMyConnection conDB;
  TMyQuery quPixels;
  TDataSource dsPixels;

  QMenuBar* menuMain;
  QAction* mnuHints;
  QAction* mnuAbout;
  QAction* mnuConnectionSecurity;

  // The two columns, which scroll only on a screen smaller than the design.
  QScrollArea* scrollColumns;
  QGroupBox* gbDatabase;
  QTabWidget* pcBirthdaySetup;
  QWidget* tsDatabase;
  QWidget* tsPixels;
  QLabel* lblNavigation;
  TDBNavigator* navPixels;
  TStatusBar* sbStatus;
  // The frame around the control with the keyboard focus.
  TFocusMark* focusMark;
  // Over the status bar while the window waits for the database.
  TWaitIndicator* waitIndicator;

  QGroupBox* gbDirectAccess;
  QLabel* lblHost;
  QLineEdit* edHost;
  QLabel* lblPort;
  TAbNumEdit* nePort;
  QLabel* lblUser;
  QLineEdit* edUser;
  QLabel* lblDatabase;
  QLineEdit* edDatabase;
  QLabel* lblPassword;
  QLineEdit* edPassword;
  QPushButton* btnTestConnection;
  QLabel* lblTest;
  QGroupBox* gbPixelPostWebSite;
  QLabel* lblPostToWebSite;
  QLineEdit* edURL;
  QPushButton* btnCheckWebSite;

  TDBNavigator* DBNavigator1;
  TDBGrid* gridPixels;

  QGroupBox* gbControls;
  QPushButton* btnConnect;
  QGroupBox* gbMAC;
  QLabel* lbl3MAC;
  TAbNumSpin* seMAC3;
  QLabel* lblDash1;
  TAbNumSpin* seMAC2;
  QLabel* Label1;
  TAbNumSpin* seMAC1;
  QLabel* lblNoMAC;
  QPushButton* btnGenerateRandom;
  QGroupBox* gbTypes;
  QLabel* lblPixelType;
  QComboBox* cbPixelType;
  QLabel* lblShieldType;
  QComboBox* cbShieldType;
  QLabel* lblNote;
  QLineEdit* edNote;
  QGroupBox* gbCreateWrite;
  QPushButton* btnCreateBirthCert;
  QPushButton* btnWriteToSD;
  QLabel* Image1;
  QPushButton* btnClose;

  // The MAC text last composed.
  std::string strMAC;

  void FormCreate();
  void FormClose();
  void DisplayHint();
  void mnuHintsClick();
  void mnuAboutClick();
  void mnuConnectionSecurityClick();
  void btnCheckWebSiteClick();
  void btnGenerateRandomClick();
  void seMAC1Change();
  std::string SpinnersToMAC();
  void FillMAC();
  void dsPixelsDataChange();

  void btnConnectClick();
  void btnTestConnectionClick();
  void btnCloseClick();
  void conDBAfterConnect();
  void conDBAfterDisconnect();

  // The background of a row: odd record numbers white, even ones cream.
  QColor gridPixelsDrawColumnCell(int recNo) const;
  void gridPixelsTitleClick(const std::string& fieldName);
  void btnCreateBirthCertClick();
  void btnWriteToSDClick();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class Inputs;

  // Keeps the entry fields as they are, when told to, while the window itself moves, re-reads or
  // reopens the table.
  class EntriesHold {
   public:
    EntriesHold(TfrmBirthday& form, bool hold) : held_(hold ? &form.entriesHeld_ : nullptr) {
      if (held_) ++*held_;
    }
    ~EntriesHold() {
      if (held_) --*held_;
    }
    EntriesHold(const EntriesHold&) = delete;
    EntriesHold& operator=(const EntriesHold&) = delete;

   private:
    int* held_;
  };

  // False, with status panel 1 saying what to fix, while a MAC byte field holds invalid text.
  bool MacBytesEntered();
  // False, with status panel 1 saying so, while a type box still shows its prompt.
  bool TypesChosen();
  // Creates the row of the entries; true when it is stored (or an earlier attempt stored it).
  bool StoreBirth();
  // Settles the creation whose reply was lost by looking its MAC up; true when that creation
  // stored the MAC now composed, so that nothing is to be sent again.
  bool SettleLostBirth();
  // Re-reads the table and makes the row of the MAC current.
  void ShowStoredRow(const std::string& mac);
  // The error's text, a duplicate's fixed one, or what ended a wait: the time-out or the
  // technician's cancel (cancelledWait: what the wait was for).
  void ReportCreationFailure(const std::exception& error, const QString& cancelledWait);
  bool StoredByAnEarlierAttempt(const std::string& mac);
  // The fixed message for a failed connect, or the reason when the connection's protection refused it.
  void ReportConnectFailure(const std::exception& error);

  // Runs a database call of the window on a worker thread that owns the session and the pixel
  // query meanwhile, while the window repaints and answers: the controls that would use them are
  // disabled and the grid holds off the dataset. After about half a second the wait shows what
  // it is for; Escape or Cancel ends it as a time-out would. The call's exception is raised here.
  void Wait(const QString& what, const std::function<void()>& work);
  void CancelWait();
  // Keeps the controls that use the session disabled for a while, the window repainting meanwhile.
  void HoldWindow(std::chrono::milliseconds pause);
  // "Storing the birth certificate was cancelled."
  static QString CancelledText(const QString& wait) { return wait + " was cancelled."; }
  // After a failed wait: true, with the status saying so, when the technician cancelled it.
  bool ReportIfCancelled();
  // The wait of a refresh of the pixel table.
  static constexpr const char* ReadingPixelsText = "Reading the table of pixels";
  // "Connecting to db2:3306": the hosts the connection is about to try.
  QString ConnectingText() const;

  void CreateControls();
  void CreateDatabasePage();
  void CreatePixelsPage();
  void CreateControlsGroup();
  void SetTabOrder();
  // The smallest size the design allows, or less where the screen the window is on is smaller.
  void FitScreen();
  void CreateMenu();
  void BindEvents();
  void LoadSettings();
  void SaveSettings();
  void FillTypeLists();
  void CreateDataAccess();
  // Gives conDB the five inputs, trimmed of blanks and control characters when asked.
  void HandInputsToConnection(bool trimmed);
  void OpenPixels();

  HintTracker* hintTracker_ = nullptr;
  // While above 0, data changes leave the entry fields alone: the window's own work moves rows.
  int entriesHeld_ = 0;
  bool fittingScreen_ = false;
  // The entries of a creation that did not store them, kept over a reconnect and the table's
  // reopening until they are stored or the technician picks a row.
  bool entriesPending_ = false;
  TBackgroundCall background_;
  std::shared_ptr<TWaitBreaker> waitBreaker_;
  // What the current wait is for, and the wait the technician cancelled (empty: none).
  QString waitWhat_, cancelledWait_;
  // The window was asked to close while a wait ran: it closes once the wait has ended.
  bool closeAfterWait_ = false;
  // A creation whose post failed after the row may have been stored; looked up before the next one.
  std::optional<TPixelBirth> lostBirth_;
  // Every creation of this session whose outcome was unknown, for a duplicate that is its own row.
  std::vector<TPixelBirth> unsettledBirths_;
  // The sort direction of the next title click, shared by all columns.
  int gridPixelsTag_ = 0;
};
