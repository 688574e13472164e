#pragma once

#include <QMainWindow>
#include <functional>
#include <string>

class HintTracker;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QTabWidget;
class QTableView;
class TAbNumEdit;
class TAbNumSpin;
class TDBNavigator;
class TStatusBar;

// The main window: connection inputs, the pixel table, MAC entry and certificate creation.
// Controls are public under their window names so that handlers and tests reach them directly.
class TfrmBirthday : public QMainWindow {
public:
    explicit TfrmBirthday(QWidget* parent = nullptr);
    ~TfrmBirthday() override;

    // How "Check Web Site" reaches the browser; tests replace it.
    std::function<void(const QString& address)> OpenInBrowser;

    QMenuBar* menuMain;
    QAction* mnuHints;
    QAction* mnuAbout;

    QGroupBox* gbDatabase;
    QTabWidget* pcBirthdaySetup;
    QWidget* tsDatabase;
    QWidget* tsPixels;
    QLabel* lblNavigation;
    TDBNavigator* navPixels;
    TStatusBar* sbStatus;

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
    QTableView* gridPixels;

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
    void btnCheckWebSiteClick();
    void btnGenerateRandomClick();
    void seMAC1Change();
    std::string SpinnersToMAC();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Inputs;

    void CreateControls();
    void CreateDatabasePage();
    void CreatePixelsPage();
    void CreateControlsGroup();
    void CreateMenu();
    void BindEvents();
    void LoadSettings();
    void SaveSettings();
    void FillTypeLists();

    HintTracker* hintTracker_ = nullptr;
};
