#include "controls/WindowsFonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>

#include <climits>

namespace {

constexpr const char* EmulationFontFolder = "/usr/share/wine/fonts/";

struct EmulationFont {
  const char* family;
  const char* file;
  const char* face;  // the family the file registers
};

// Regular faces only: the package's bold Tahoma draws as thin as the regular one, while the regular
// face emboldened by the renderer reads as bold. The package's MS Sans Serif is a bitmap face of one
// size and weight, so bold or larger captions would draw as plain 8 pt: its Tahoma-metric face
// stands in, as the scalable substitute does on Windows.
const EmulationFont EmulationFonts[] = {
    {"Tahoma", "tahoma.ttf", "Tahoma"},
    {"MS Sans Serif", "tahoma.ttf", "Tahoma"},
};

bool Installed(const QString& family) {
  return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

// The face that stands in for the family, registered from the package; empty when there is none.
QString LoadEmulationFont(const QString& family) {
  for (const EmulationFont& font : EmulationFonts) {
    if (family.compare(font.family, Qt::CaseInsensitive) != 0) continue;
    if (!Installed(font.face)) QFontDatabase::addApplicationFont(QString(EmulationFontFolder) + font.file);
    return Installed(font.face) ? QString(font.face) : QString();
  }
  return {};
}

QString NarrowestSansFamily() {
  const QString sample = "Test Connection";
  QString narrowest = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
  int narrowestWidth = INT_MAX;
  for (const QString& family : QFontDatabase::families(QFontDatabase::Latin)) {
    if (!family.contains("Sans", Qt::CaseInsensitive) || QFontDatabase::isFixedPitch(family)) continue;
    int width = QFontMetrics(QFont(family, 8)).horizontalAdvance(sample);
    if (width < narrowestWidth) {
      narrowestWidth = width;
      narrowest = family;
    }
  }
  return narrowest;
}

}  // namespace

QString WindowsFontFamily(const QString& family) {
  static QHash<QString, QString> chosen;
  auto found = chosen.find(family);
  if (found == chosen.end()) {
    QString face = Installed(family) ? family : LoadEmulationFont(family);
    found = chosen.insert(family, face.isEmpty() ? NarrowestSansFamily() : face);
  }
  return *found;
}
