#include "platform/OpenInBrowser.h"

#include <QProcess>
#include <QString>

bool OpenInBrowser(const QString& address) {
  // Not through a URL object: it would decode "%41" and encode blanks, and the browser is to get
  // the text exactly as typed.
  return QProcess::startDetached("xdg-open", {address});
}
