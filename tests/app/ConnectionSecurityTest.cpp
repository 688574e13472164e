// The window's "Connection Security…" dialog, its settings, and encrypted logins through the window
// against the test server.
#include "app/Birthday.h"
#include "app/ConnectionSecurityDialog.h"
#include "app/ErrorReport.h"
#include "app/StatusBar.h"
#include "controls/AbNumEdit.h"
#include "tests/app/StatusMessage.h"
#include "tests/support/FakeServer.h"
#include "tests/support/Screenshots.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestServer.h"
#include "wire/MySqlConsts.h"
#include "wire/MySqlPassword.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class ConnectionSecurityTest : public ::testing::Test {
 protected:
  ConnectionSecurityTest() {
    ::setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
    SetMessageHandler([this](const QString& text, MessageKind) { messages_ << text; });
  }
  ~ConnectionSecurityTest() override { SetMessageHandler({}); }

  // A window with the test server's address and the given account filled in.
  std::unique_ptr<TfrmBirthday> NewWindow(const std::string& user, const std::string& password) {
    auto form = std::make_unique<TfrmBirthday>();
    const test_server::TSettings& server = test_server::Settings();
    form->edHost->setText(QString::fromStdString(server.Host));
    form->nePort->SetValue(server.Port);
    form->edUser->setText(QString::fromStdString(user));
    form->edPassword->setText(QString::fromStdString(password));
    form->edDatabase->setText(QString::fromStdString(server.Database));
    messages_.clear();
    return form;
  }

  static SecuritySettings VerifyIdentity() {
    SecuritySettings settings;
    settings.mode = "verify-identity";
    settings.caFile = test_server::TlsSettings().Dir + "/ca.pem";
    return settings;
  }

  TempDir config_;
  QStringList messages_;
};

}  // namespace

TEST_F(ConnectionSecurityTest, OptionsMenuComesBeforeHelpAndOpensTheDialogWithTheCurrentState) {
  const test_server::TTlsSettings& tls = test_server::TlsSettings();
  auto form = NewWindow(tls.Ed25519User, tls.Ed25519Password);
  const QList<QAction*> menus = form->menuMain->actions();
  ASSERT_EQ(menus.size(), 2);
  // The texts as shown, without the access key marks.
  EXPECT_EQ(menus[0]->text().remove('&'), "Options");
  EXPECT_EQ(menus[1]->text().remove('&'), "Help");
  EXPECT_EQ(form->mnuConnectionSecurity->text().remove('&'), "Connection Security…");

  std::vector<std::string> statesShown;
  form->dlgConnectionSecurity = [&](SecuritySettings& settings, const std::string& state) {
    statesShown.push_back(state);
    settings = VerifyIdentity();
    return true;
  };
  form->mnuConnectionSecurity->trigger();
  EXPECT_EQ(form->security.mode, "verify-identity");

  // The ed25519 account logs in through the window, encrypted and verified.
  QTest::mouseClick(form->btnTestConnection, Qt::LeftButton);
  ASSERT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
  ASSERT_TRUE(form->conDB.Connected());
  form->mnuConnectionSecurity->trigger();
  ASSERT_EQ(statesShown.size(), 2u);
  EXPECT_EQ(statesShown[0], "no connection open");
  EXPECT_EQ(statesShown[1].rfind("TLS 1.", 0), 0u) << statesShown[1];
  const std::string verified = ", certificate verified for " + test_server::Settings().Host;
  EXPECT_TRUE(statesShown[1].ends_with(verified)) << statesShown[1];
}

TEST_F(ConnectionSecurityTest, AnotherCaRefusesTheConnectionAndSaysWhy) {
  auto form = NewWindow(test_server::Settings().NativeUser, test_server::Settings().NativePassword);
  form->security.mode = "verify-ca";
  form->security.caFile = test_server::TlsSettings().Dir + "/other-ca.pem";
  QTest::mouseClick(form->btnTestConnection, Qt::LeftButton);
  // The five inputs are right: the status and the state hint say what was refused instead.
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
  EXPECT_FALSE(form->conDB.Connected());
  EXPECT_TRUE(form->sbStatus->PanelText(1).contains("certificate")) << form->sbStatus->PanelText(1).toStdString();
  EXPECT_TRUE(form->lblTest->toolTip().contains("unknown CA")) << form->lblTest->toolTip().toStdString();
  form->show();
  EXPECT_TRUE(ShowsMessageWhole(*form->sbStatus));

  // The right authority: the connection opens and the old reason goes.
  form->security.caFile = test_server::TlsSettings().Dir + "/ca.pem";
  QTest::mouseClick(form->btnTestConnection, Qt::LeftButton);
  ASSERT_TRUE(form->conDB.Connected());
  EXPECT_EQ(form->sbStatus->Message(), "");
}

TEST_F(ConnectionSecurityTest, SettingsAreRememberedAcrossRuns) {
  {
    auto form = NewWindow("u", "p");
    EXPECT_EQ(form->security.mode, "");
    form->security = {"verify-ca", "/etc/ca.pem", "/etc/client.pem", "/etc/client.key", "/etc/server-key.pem", true,
                      false,       true};
    form->show();
    form->close();
  }
  auto form = NewWindow("u", "p");
  EXPECT_EQ(form->security.mode, "verify-ca");
  EXPECT_EQ(form->security.caFile, "/etc/ca.pem");
  EXPECT_EQ(form->security.certFile, "/etc/client.pem");
  EXPECT_EQ(form->security.keyFile, "/etc/client.key");
  EXPECT_EQ(form->security.serverPublicKeyFile, "/etc/server-key.pem");
  EXPECT_TRUE(form->security.getServerPublicKey);
  EXPECT_FALSE(form->security.enableClearText);
  EXPECT_TRUE(form->security.allowOldPasswords);
}

// A server that claims the 4.1 protocol without its scramble would draw the pre-4.1 one, cracked
// offline in seconds: the window's login sends it nothing and says why; allowed, it logs in.
TEST_F(ConnectionSecurityTest, AServerThatWouldDrawTheWeakScrambleGetsNothingUnlessAllowed) {
  for (const bool allowed : {false, true}) {
    TBytes sent;
    TFakeServer server([&](TFakePeer& peer) {
      peer.SendPacket(0,
                      Greeting41(CLIENT_LONG_FLAG | CLIENT_CONNECT_WITH_DB | CLIENT_PROTOCOL_41 | CLIENT_TRANSACTIONS));
      if (!allowed) {
        sent = peer.ReadToEnd();
        return;
      }
      sent = peer.ReadHandshakeResponse().Payload;
      peer.SendPacket(2, OkPacket());
      peer.ReadPacket();  // SET NAMES
      peer.SendPacket(1, OkPacket());
      peer.AnswerPacketLimitQuery();
    });
    auto form = NewWindow("tech", "secret");
    form->edHost->setText("127.0.0.1");
    form->nePort->SetValue(server.Port());
    form->security.allowOldPasswords = allowed;
    QTest::mouseClick(form->btnTestConnection, Qt::LeftButton);
    EXPECT_EQ(form->conDB.Connected(), allowed);
    form->conDB.Disconnect();
    EXPECT_EQ(server.Finish(), "");
    EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
    if (allowed) {
      const std::string token = ScrambleOld("secret", TestScramble);
      EXPECT_NE(std::search(sent.begin(), sent.end(), token.begin(), token.end()), sent.end());
      continue;
    }
    EXPECT_TRUE(sent.empty()) << sent.size() << " bytes reached the server";
    EXPECT_TRUE(form->sbStatus->PanelText(1).contains("pre-4.1")) << form->sbStatus->PanelText(1).toStdString();
  }
}

TEST_F(ConnectionSecurityTest, DialogShowsTheSettingsAndReturnsTheEdits) {
  TfrmBirthday form;
  const QString homePath = "/home/technician/.config/KOVA/client-certificate.pem";
  TfrmConnectionSecurity dialog({"", "/a/ca.pem", homePath.toStdString(), "", "", false, true}, "not encrypted", &form);
  dialog.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_TRUE(SaveScreenshot(&dialog, "connection-security"));
  EXPECT_EQ(dialog.windowTitle(), "Connection Security");
  EXPECT_EQ(dialog.font(), form.font());
  EXPECT_GT(dialog.edSslCert->width(), dialog.edSslCert->fontMetrics().horizontalAdvance(homePath) + 8)
      << "the path shows whole";
  EXPECT_TRUE(dialog.lblAppliesNext->isVisible());
  EXPECT_TRUE(dialog.lblAppliesNext->text().contains("next connection"));
  EXPECT_EQ(dialog.cbSslMode->count(), 5);
  EXPECT_EQ(dialog.cbSslMode->currentText(), "preferred");
  EXPECT_EQ(dialog.edSslCa->text(), "/a/ca.pem");
  EXPECT_EQ(dialog.lblState->text(), "not encrypted");
  EXPECT_EQ(dialog.btnSslCert->text(), "Browse…");
  EXPECT_FALSE(dialog.chkGetServerPublicKey->isChecked());
  EXPECT_TRUE(dialog.chkEnableClearText->isChecked());
  EXPECT_FALSE(dialog.chkAllowOldPasswords->isChecked());
  EXPECT_TRUE(dialog.lblSslCaUse->isVisible());
  EXPECT_EQ(dialog.lblSslCaUse->text(), "Used by verify-ca and verify-identity only.");

  dialog.cbSslMode->setCurrentText("verify-identity");
  dialog.edSslKey->setText("/a/key.pem");
  dialog.edServerPublicKey->setText("/a/server.pem");
  dialog.chkGetServerPublicKey->setChecked(true);
  dialog.chkAllowOldPasswords->setChecked(true);
  const SecuritySettings edited = dialog.Settings();
  EXPECT_TRUE(edited.allowOldPasswords);
  EXPECT_EQ(edited.serverPublicKeyFile, "/a/server.pem");
  EXPECT_TRUE(edited.getServerPublicKey);
  EXPECT_EQ(edited.mode, "verify-identity");
  EXPECT_EQ(edited.caFile, "/a/ca.pem");
  EXPECT_EQ(edited.keyFile, "/a/key.pem");
}
