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

TEST(ClusterWindowTest, ConnectsWithAHostListWhoseFirstHostIsDownAndRegistersThere)
{
    TempDir config;
    ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    QStringList messages;
    SetMessageHandler([&](const QString& text, MessageKind) { messages << text; });
    cluster::Scalar(1, "DELETE FROM pixels");
    cluster::Kill(1);
    {
        TfrmBirthday form;
        form.CreationPause = std::chrono::milliseconds(0);
        form.edHost->setText(QString::fromStdString(cluster::HostList()));
        form.edUser->setText(QString::fromStdString(cluster::Variable("MORVANE_CLUSTER_USER")));
        form.edPassword->setText(QString::fromStdString(cluster::Variable("MORVANE_CLUSTER_PASSWORD")));
        form.edDatabase->setText(QString::fromStdString(cluster::Variable("MORVANE_CLUSTER_DATABASE")));
        form.show();
        messages.clear();

        QTest::mouseClick(form.btnConnect, Qt::LeftButton);
        EXPECT_TRUE(messages.isEmpty()) << messages.join("; ").toStdString();
        EXPECT_TRUE(form.quPixels.Active());
        EXPECT_EQ(Hint(form.lblTest), "Host|Connected to " + QString::fromStdString(cluster::Host(2)));

        form.seMAC3->SetValue(0xC4);
        form.seMAC2->SetValue(0x00);
        form.seMAC1->SetValue(0x01);
        form.cbPixelType->setEditText("Cluster");
        QTest::mouseClick(form.btnCreateBirthCert, Qt::LeftButton);
        EXPECT_EQ(form.sbStatus->PanelText(1), "");
        EXPECT_EQ(cluster::Scalar(3, "SELECT COUNT(*) FROM pixels WHERE mac = '54-2F-89-C4-00-01'"), "1");
    }
    SetMessageHandler({});
    cluster::Rejoin(1);
}
