#pragma once

#include "files/FolderReader.h"
#include "files/Volume.h"
#include "import_window/dlgImport.h"
#include "main_window/ListSides.h"
#include "main_window/MainMenus.h"
#include "trimming/RecycleFile.h"
#include "ui/App.h"
#include "ui/HandlerGuard.h"

#include <functional>
#include <memory>
#include <optional>
#include <QMainWindow>
#include <QPointer>
#include <tuple>

class QSettings;

namespace quorvel::platform {
class Launcher;
class MessageBox;
class ScreenProfiles;
} // namespace quorvel::platform

namespace quorvel::files {
class VolumeTable;
}

namespace quorvel::ui {
class CheckBox;
class ComboBox;
class CommandButton;
class DirListBox;
class DriveListBox;
class FileListBox;
class Label;
class TextBox;
} // namespace quorvel::ui

namespace quorvel::viewer {
class dlgShowPicture;
}

namespace quorvel::about {
class frmAbout;
}

namespace quorvel::main_window {

class dlgTrimFolders;
class TrimCommands;

// The main window: the picture side (Drive1, Dir1, fb1) and the RAW side
// (Drive2, Dir2, fb2) with their patterns and counts, kept in step while
// "Synchronise directories" is checked, and the commands that act on them.
// Its controls are public under their own names: the viewer and the list
// refresh work on them, and tests drive them as a user would. The trims and
// their undo are TrimCommands'; the list refresh sees the window only as its
// FileLists.
class frmMain : public QMainWindow, public ListSides, public MainMenus
{
    Q_OBJECT

public:
    // The lists open on startFolder, the folder the program was started in.
    // settings holds the user's choices from one run to the next.
    frmMain(platform::MessageBox &messages, files::VolumeTable &volumes, const ui::App &app,
            platform::Launcher &launcher, trimming::RecycleFunction recycle, QSettings &settings,
            const QString &startFolder, QWidget *parent = nullptr);
    ~frmMain() override;

    // Start-up. False when another copy is already running: the user has been
    // told, and the program is to end without showing this window.
    bool Form_Load();

    // Handlers, public so that they can be driven like the user drives them.
    void Drive1_Change();
    void Drive2_Change();
    void Dir1_Change();
    void Dir2_Change();
    void checkSync_Click();
    void ComboPicture_Click();
    void ComboRaw_Click();
    void cmdRefresh_Click();
    void Form_Click();
    void cmdQuorvel_Click();
    void fb1_Click();
    void fb1_DblClick();
    void fb2_DblClick();
    void cmdInfo_Click();
    void mnuAbout_Click();
    void cmdExit_Click();
    void mnuExit_Click();
    void mnuImport_Click();
    void mnuUndoTrim_Click();
    void mnuTrimSidecars_Click();
    void mnuTrimSubfolders_Click();
    void ShowFarewell();

    // Marks on the RAW list what "Trim files" would take now (TrimCommands).
    // Runs after every handler, so the marks follow every change of the lists.
    void showTrimPreview();

    // Where a card is brought in by default (the user's Pictures folder).
    void setPicturesFolder(const QString &folder) { m_picturesFolder = folder; }
    import_window::dlgImport *importWindow() const { return m_import.data(); }
    // The screens' colour profiles, for the viewer to show pictures in each
    // screen's colours; set before the viewer first opens. Without them every
    // screen is taken for sRGB.
    void setScreenProfiles(const platform::ScreenProfiles &profiles)
    {
        m_screenProfiles = &profiles;
    }

    static QString farewellPrompt();
    // True once the program has begun to end.
    bool isEnding() const { return m_ending; }
    about::frmAbout *aboutBox() const;
    viewer::dlgShowPicture *viewer() const { return m_viewer.get(); }
    // The folders of a trim of sub-folders too; null before the first.
    dlgTrimFolders *trimFolders() const;

    ui::DriveListBox *Drive1;
    ui::DirListBox *Dir1;
    ui::Label *Label2;
    ui::ComboBox *ComboPicture;
    ui::FileListBox *fb1;
    ui::Label *Label1;
    ui::TextBox *txtNoFiles1;
    ui::CommandButton *cmdInfo;
    ui::DriveListBox *Drive2;
    ui::DirListBox *Dir2;
    ui::CheckBox *checkSync;
    ui::Label *Label6;
    ui::ComboBox *ComboRaw;
    ui::FileListBox *fb2;
    ui::Label *Label5;
    ui::TextBox *txtNoFiles2;
    ui::CommandButton *cmdRefresh;
    ui::CommandButton *cmdQuorvel;
    ui::CommandButton *cmdExit;
    ui::Label *Label4;
    ui::Label *lblToTrim;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls(const QString &startFolder);
    // The drive, folder, pattern, file and count controls of one side.
    std::tuple<ui::DriveListBox *, ui::DirListBox *, ui::ComboBox *, ui::FileListBox *,
               ui::TextBox *>
    createSide(QWidget *client, const QString &startFolder);
    void connectHandlers();
    void guarded(void (frmMain::*handler)());
    void leave();
    viewer::dlgShowPicture &viewerDialog();
    // Opens the viewer on the list's selected name, browsing that list.
    void showInViewer(ui::FileListBox *list);

    platform::MessageBox &m_messages;
    files::VolumeTable &m_volumes;
    ui::App m_app;
    platform::Launcher &m_launcher;
    trimming::RecycleFunction m_recycle;
    QSettings &m_settings;
    ui::HandlerGuard m_guard;
    // From construction to the end of Form_Load: see the constructor.
    std::optional<files::FolderReader::Sharing> m_loading;
    bool m_ending = false;
    std::unique_ptr<viewer::dlgShowPicture> m_viewer;
    const platform::ScreenProfiles *m_screenProfiles = nullptr;
    QPointer<about::frmAbout> m_about;
    QString m_picturesFolder;
    QPointer<import_window::dlgImport> m_import;
    // Handlers running, nested ones counted: the marks follow the outermost.
    int m_handlerDepth = 0;
    std::unique_ptr<TrimCommands> m_trimCommands;
};

} // namespace quorvel::main_window
