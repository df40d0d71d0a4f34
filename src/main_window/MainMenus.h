#pragma once

class QAction;
class QMenu;
class QMenuBar;

namespace quorvel::main_window {

// The main window's menus and their entries, under the names its handlers
// go by. Made here, in the order the user sees them; the window wires each
// entry to its handler with its controls.
class MainMenus
{
public:
    QMenu *mnuFile = nullptr;
    QAction *mnuImport = nullptr;
    QAction *mnuExit = nullptr;
    QMenu *mnuEdit = nullptr;
    QAction *mnuUndoTrim = nullptr;
    QAction *mnuTrimSidecars = nullptr;
    QAction *mnuTrimSubfolders = nullptr;
    QMenu *mnuHelp = nullptr;
    QAction *mnuAbout = nullptr;

protected:
    ~MainMenus() = default;

    void createMenus(QMenuBar *bar);
};

} // namespace quorvel::main_window
