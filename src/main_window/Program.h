#pragma once

#include "ui/App.h"

#include <memory>

class QApplication;
class QSettings;

namespace quorvel::platform {
class InstanceLock;
class Launcher;
class MountWatcher;
class ScreenProfiles;
} // namespace quorvel::platform

namespace quorvel::files {
class VolumeTable;
}

namespace quorvel::ui {
class WidgetMessageBox;
}

namespace quorvel::main_window {

class frmMain;

// The program from start to end: the single-instance check, the main window,
// the event loop. The executable's main() does nothing else.
class Program
{
public:
    static int run(QApplication &application);

    // run() is start() and then the event loop. The start-up benchmark runs
    // start() on its own, to time it up to the window's first paint. Needs the
    // QApplication made.
    Program();
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // The per-user lock, the mounted volumes, the main window loaded and
    // shown. False when another copy already runs: the user has been told, and
    // the program is to end without a window.
    bool start();
    frmMain *mainWindow() const { return m_form.get(); }

private:
    ui::App m_app;
    std::unique_ptr<platform::InstanceLock> m_lock;
    std::unique_ptr<ui::WidgetMessageBox> m_messages;
    std::unique_ptr<files::VolumeTable> m_volumes;
    std::unique_ptr<platform::MountWatcher> m_mountWatcher;
    std::unique_ptr<platform::Launcher> m_launcher;
    std::unique_ptr<platform::ScreenProfiles> m_screenProfiles;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<frmMain> m_form;
};

} // namespace quorvel::main_window
