#include "ui/DesktopLauncher.h"

#include <QDesktopServices>
#include <QUrl>

namespace quorvel::ui {

bool DesktopLauncher::openUrl(const QUrl &url)
{
    // Hands the page to the desktop's opener (xdg-open and the like), which
    // starts the browser detached; false only when nothing could be started.
    return QDesktopServices::openUrl(url);
}

} // namespace quorvel::ui
