#pragma once

#include "files/FolderReader.h"
#include "main_window/FileLists.h"

#include <functional>
#include <QList>
#include <QString>

namespace quorvel::files {
class VolumeTable;
struct Volume;
} // namespace quorvel::files

namespace quorvel::platform {
class MountWatcher;
}

namespace quorvel::ui {
class ComboBox;
class DirListBox;
class DriveListBox;
class FileListBox;
class HandlerGuard;
class TextBox;
} // namespace quorvel::ui

namespace quorvel::main_window {

// The main window's two sides kept in line with what the user chooses: a
// drive moves its side's folder list there, a folder goes into its file list
// (while the sides are in step, into all four lists, read from the disk
// once), a pattern re-reads its list, and every count tells what its list
// holds. The window makes the controls and passes them in with setSides().
class ListSides : public FileLists
{
public:
    // One side: the picture side (1) or the RAW side (2).
    struct Side
    {
        ui::DriveListBox *drive;
        ui::DirListBox *folders;
        ui::ComboBox *pattern;
        ui::FileListBox *files;
        ui::TextBox *count;
    };

    ListSides(files::VolumeTable &volumes, ui::HandlerGuard &guard);

    // FileLists
    files::FolderReader &folderReadings() override { return m_readings; }
    files::FolderList &pictureList() override;
    files::FolderList &rawList() override;
    void writeCounts() override;
    void selectEntries(int rawIndex, int pictureIndex) override;

    // Keeps both drive lists in step with the mounted volumes: whenever
    // watcher tells of a change, the volume table takes what mounted reads,
    // and the drive lists show it. A card put in after start-up can be
    // chosen; one taken out leaves the lists.
    void followVolumes(platform::MountWatcher &watcher,
                       std::function<QList<files::Volume>()> mounted);
    // What followVolumes() follows; null before.
    platform::MountWatcher *volumeWatcher() const { return m_watcher; }
    bool syncDirs() const { return m_syncDirs; }
    // Both sides on folder, as a copy just brought in is shown.
    void showFolder(const QString &folder);

protected:
    ~ListSides() = default;

    void setSides(Side pictures, Side raws);
    const Side &pictureSide() const { return m_pictures; }
    const Side &rawSide() const { return m_raws; }

    // The drive chosen on a side: its folder list moves there.
    void moveToChosenDrive(const Side &side);
    // The folder chosen on the picture side, or on the RAW side.
    void pictureFolderChosen();
    void rawFolderChosen();
    // The entry chosen in a side's pattern box.
    void applyPattern(const Side &side);
    // The RAW side follows the picture side, or is chosen on its own.
    void setSyncDirs(bool inStep);
    // As at start-up, in step, with nothing moved: the sides are in step
    // already.
    void startInStep() { m_syncDirs = true; }
    void writeCount(const Side &side);

private:
    void enableRawFolders(bool enabled);
    // A drive list follows its folder list onto another volume without raising
    // Change: the folder has moved already, nothing more is to happen.
    void showDriveOf(const Side &side);

    files::VolumeTable &m_volumes;
    ui::HandlerGuard &m_guard;
    files::FolderReader m_readings;
    Side m_pictures = {};
    Side m_raws = {};
    bool m_syncDirs = true;
    platform::MountWatcher *m_watcher = nullptr;
};

} // namespace quorvel::main_window
