#include "platform/linux/XdgOpenLauncher.h"

#include <QProcess>
#include <QtDebug>
#include <QUrl>

namespace quorvel::platform {

bool XdgOpenLauncher::openUrl(const QUrl &url)
{
    // xdg-open is the freedesktop.org opener that every Linux desktop sets up
    // to start its default browser. QDesktopServices would end up there too,
    // but needs Qt Gui and a display, which the platform layer may not assume.
    // Started detached, so the browser outlives nothing of ours and we return
    // at once.
    if (QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)}))
        return true;
    qWarning("Unable to start a web browser for %s: no xdg-open could be run",
             qPrintable(url.toString()));
    return false;
}

} // namespace quorvel::platform
