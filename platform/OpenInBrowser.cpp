#include "platform/OpenInBrowser.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

void OpenInBrowser(const QString& address)
{
    QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}
