#pragma once

#include "support/core/FakeLauncher.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/RecordingRecycler.h"
#include "ui/App.h"

#include <functional>
#include <memory>
#include <QList>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

namespace quorvel::files {
class VolumeTable;
struct Volume;
} // namespace quorvel::files

namespace quorvel::main_window {
class frmMain;
}

namespace quorvel::test {

// The main window as the program builds it, on stand-ins: the fake message
// box and browser, a volume table the test chooses, and the real trash, with
// a hook after each file the trim moves. One window at a time; a test keeps
// the fixture for its whole run and resets it between cases.
class MainWindowFixture
{
public:
    MainWindowFixture();
    ~MainWindowFixture();
    MainWindowFixture(const MainWindowFixture &) = delete;
    MainWindowFixture &operator=(const MainWindowFixture &) = delete;

    FakeMessageBox &messages() { return m_messages; }
    FakeLauncher &launcher() { return m_launcher; }
    files::VolumeTable &volumes() { return *m_volumes; }
    // The window's settings, in a file of the fixture's own; reset() empties it.
    QSettings &settings() { return *m_settings; }

    // The volumes of the next window; until then, the root alone.
    void setVolumes(const QList<files::Volume> &volumes);
    // Runs after every call of the trash, with its result.
    void onRecycled(std::function<void(int result)> action)
    {
        m_recycler.onRecycled(std::move(action));
    }

    // The window built on startFolder, as the program builds it, not loaded.
    main_window::frmMain &build(const QString &startFolder,
                                const ui::App &app = ui::App::fromBuild());
    // Built, loaded, and shown when the load let it start.
    main_window::frmMain &start(const QString &startFolder,
                                const ui::App &app = ui::App::fromBuild());
    main_window::frmMain *form() const { return m_form.get(); }

    // Closes the window, forgets the messages, the hook and the volumes'
    // folders: as fresh as a new fixture.
    void reset();

private:
    FakeMessageBox m_messages;
    FakeLauncher m_launcher;
    std::unique_ptr<files::VolumeTable> m_volumes;
    QTemporaryDir m_settingsFolder;
    std::unique_ptr<QSettings> m_settings;
    RecordingRecycler m_recycler{m_messages};
    std::unique_ptr<main_window::frmMain> m_form;
};

} // namespace quorvel::test
