#include "ui/Screen.h"

#include <QCursor>
#include <QGuiApplication>

namespace quorvel::ui {

int Screen::MousePointer()
{
    return QGuiApplication::overrideCursor() ? vbHourglass : vbDefault;
}

void Screen::setMousePointer(int pointer)
{
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    if (pointer == vbHourglass)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

} // namespace quorvel::ui
