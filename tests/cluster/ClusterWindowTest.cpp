// The main window (offscreen) against a real cluster (scripts/cluster.sh).
#include "app/Birthday.h"
#include "app/ErrorReport.h"
#include "app/StatusBar.h"
#include "controls/AbNumEdit.h"
#include "controls/AbNumSpin.h"
#include "controls/Hint.h"
#include "tests/cluster/ClusterNodes.h"
#include "tests/support/TempDir.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ClusterWindowTest : public ::testing::Test {
 protected:
  ClusterWindowTest() {
    ::setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
    SetMessageHandler([this](const QString& text, MessageKind) { messages_ << text; });
    cluster::Scalar(1, "DELETE FROM pixels");
  }
  ~ClusterWindowTest() override { SetMessageHandler({}); }

  std::unique_ptr<TfrmBirthday> ConnectedWindow() {
    auto form = std::make_unique<TfrmBirthday>();
    form->CreationPause = std::chrono::milliseconds(0);
    form->edHost->setText(QString::fromStdString(cluster::HostList()));
    form->edUser->setText(QString::fromStdString(cluster::Variable("MORVANE_CLUSTER_USER")));
    form->edPassword->setText(QString::fromStdString(cluster::Variable("MORVANE_CLUSTER_PASSWORD")));
    form->edDatabase->setText(QString::fromStdString(cluster::Variable("MORVANE_CLUSTER_DATABASE")));
    form->show();
    messages_.clear();
    QTest::mouseClick(form->btnConnect, Qt::LeftButton);
    EXPECT_TRUE(messages_.isEmpty()) << messages_.join("; ").toStdString();
    EXPECT_TRUE(form->quPixels.Active());
    return form;
  }

  static void Create(TfrmBirthday& form, int lastByte) {
    form.seMAC3->SetValue(0xC4);
    form.seMAC2->SetValue(0x00);
    form.seMAC1->SetValue(lastByte);
    form.cbPixelType->setEditText("Cluster");
    form.cbShieldType->setEditText("Cluster");
    form.seMAC1Change();  // as a change on the spin field does, enables the button again
    QTest::mouseClick(form.btnCreateBirthCert, Qt::LeftButton);
  }

  static std::string Count(int node, const std::string& mac) {
    return cluster::Scalar(node, "SELECT COUNT(*) FROM pixels WHERE mac = '" + mac + "'");
  }

  static std::string ConnectedTo(int node) { return "Host|Connected to " + cluster::Host(node); }

  TempDir config_;
  QStringList messages_;
};

}  // namespace

TEST_F(ClusterWindowTest, AfterItsNodeDiesTheWindowGoesOnWithTheNextAndAListWithADeadFirstHostConnects) {
  auto form = ConnectedWindow();
  EXPECT_EQ(Hint(form->lblTest).toStdString(), ConnectedTo(1));
  Create(*form, 1);
  EXPECT_EQ(form->sbStatus->PanelText(1), "");

  cluster::Kill(1);
  const std::string mac = "54-2F-89-C4-00-02";
  Create(*form, 2);
  EXPECT_EQ(Hint(form->lblTest).toStdString(), ConnectedTo(2)) << "the window reconnected to the next node";
  // The lost reply is checked by the key before the technician creates the pixel again.
  if (Count(2, mac) == "0") Create(*form, 2);
  EXPECT_EQ(form->sbStatus->PanelText(1), "");
  EXPECT_EQ(Count(2, mac), "1");
  EXPECT_EQ(Count(3, mac), "1");
  form.reset();

  auto second = ConnectedWindow();
  EXPECT_EQ(Hint(second->lblTest).toStdString(), ConnectedTo(2)) << "the dead first host is skipped";
  Create(*second, 3);
  EXPECT_EQ(second->sbStatus->PanelText(1), "");
  EXPECT_EQ(Count(3, "54-2F-89-C4-00-03"), "1");
  second.reset();

  cluster::Rejoin(1);
  EXPECT_EQ(Count(1, mac), "1");
}
