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
};

// Regular faces only: the package's bold Tahoma draws as thin as the regular one, while the regular
// face emboldened by the renderer reads as bold.
const EmulationFont EmulationFonts[] = {
    {"Tahoma", "tahoma.ttf"},
    {"MS Sans Serif", "ms_sans_serif.ttf"},
};

bool Installed(const QString& family) {
  return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

bool LoadEmulationFont(const QString& family) {
  for (const EmulationFont& font : EmulationFonts) {
    if (family.compare(font.family, Qt::CaseInsensitive) != 0) continue;
    QFontDatabase::addApplicationFont(QString(EmulationFontFolder) + font.file);
    return Installed(family);
  }
  return false;
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
  if (found == chosen.end())
    found = chosen.insert(family, Installed(family) || LoadEmulationFont(family) ? family : NarrowestSansFamily());
  return *found;
}
