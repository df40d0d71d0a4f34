#include "main_window/MainMenus.h"

#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace quorvel::main_window {

void MainMenus::createMenus(QMenuBar *bar)
{
    mnuFile = bar->addMenu(QStringLiteral("&File"));
    mnuImport = mnuFile->addAction(QStringLiteral("&Import from Card…"));
    mnuFile->addSeparator();
    mnuExit = mnuFile->addAction(QStringLiteral("E&xit"));
    mnuEdit = bar->addMenu(QStringLiteral("&Edit"));
    mnuUndoTrim = mnuEdit->addAction(QStringLiteral("&Undo Trim"));
    mnuUndoTrim->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnuUndoTrim->setEnabled(false); // until a trim has moved something
    mnuEdit->addSeparator();
    mnuTrimSidecars = mnuEdit->addAction(QStringLiteral("Trim &sidecar files too"));
    mnuTrimSidecars->setCheckable(true);
    mnuTrimSubfolders = mnuEdit->addAction(QStringLiteral("Trim Sub&folders Too"));
    mnuTrimSubfolders->setCheckable(true);
    mnuHelp = bar->addMenu(QStringLiteral("&Help"));
    mnuAbout = mnuHelp->addAction(QStringLiteral("&About Quorvel"));
}

} // namespace quorvel::main_window
