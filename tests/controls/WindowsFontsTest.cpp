#include "controls/WindowsFonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

#include <gtest/gtest.h>

TEST(WindowsFonts, EveryWindowsFontGetsAnInstalledFamily) {
  for (const char* family : {"Tahoma", "MS Sans Serif", "No Such Windows Font"}) {
    QString chosen = WindowsFontFamily(family);  // may register the family first
    EXPECT_TRUE(QFontDatabase::families().contains(chosen)) << family << " -> " << chosen.toStdString();
  }
  EXPECT_EQ(WindowsFontFamily("Tahoma"), WindowsFontFamily("Tahoma"));
}

TEST(WindowsFonts, AMissingFontIsStoodInForByTheNarrowestSansFamily) {
  QString standIn = WindowsFontFamily("No Such Windows Font");
  auto width = [](const QString& family) {
    return QFontMetrics(QFont(family, 8)).horizontalAdvance("Test Connection");
  };
  for (const QString& family : QFontDatabase::families(QFontDatabase::Latin)) {
    if (family.contains("Sans") && !QFontDatabase::isFixedPitch(family)) {
      EXPECT_LE(width(standIn), width(family)) << family.toStdString();
    }
  }
}
