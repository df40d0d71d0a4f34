#include "main_window/ListSides.h"

#include "files/CameraFormats.h"
#include "files/FolderList.h"
#include "files/VolumeTable.h"
#include "platform/MountWatcher.h"
#include "ui/ComboBox.h"
#include "ui/DirListBox.h"
#include "ui/DriveListBox.h"
#include "ui/FileListBox.h"
#include "ui/ForeColor.h"
#include "ui/HandlerGuard.h"
#include "ui/TextBox.h"

#include <QScopeGuard>

namespace quorvel::main_window {

ListSides::ListSides(files::VolumeTable &volumes, ui::HandlerGuard &guard)
    : m_volumes(volumes), m_guard(guard)
{}

void ListSides::setSides(Side pictures, Side raws)
{
    m_pictures = pictures;
    m_raws = raws;
    // As laid out: the RAW side's folder and drive follow the picture side.
    enableRawFolders(!m_syncDirs);
}

files::FolderList &ListSides::pictureList()
{
    return m_pictures.files->folderList();
}

files::FolderList &ListSides::rawList()
{
    return m_raws.files->folderList();
}

void ListSides::selectEntries(int rawIndex, int pictureIndex)
{
    m_raws.files->setListIndex(rawIndex);
    m_pictures.files->setListIndex(pictureIndex);
}

// A count written again as it was would lay its box out again for nothing:
// a rejection in the viewer changes one side's count, and writes both.
void ListSides::writeCount(const Side &side)
{
    const QString count = QString::number(side.files->ListCount());
    if (side.count->text() != count)
        side.count->setText(count);
}

void ListSides::writeCounts()
{
    writeCount(m_pictures);
    writeCount(m_raws);
}

void ListSides::showDriveOf(const Side &side)
{
    const QSignalBlocker blocker(side.drive);
    side.drive->setDrive(m_volumes.volumeOf(side.folders->Path()));
}

void ListSides::followVolumes(platform::MountWatcher &watcher,
                              std::function<QList<files::Volume>()> mounted)
{
    m_watcher = &watcher;
    QObject::connect(&watcher, &platform::MountWatcher::changed, m_pictures.drive,
                     [this, mounted = std::move(mounted)] {
                         m_guard.run([&] {
                             m_volumes.setVolumes(mounted());
                             // Each drive list goes on showing the drive its
                             // folder list is on; no folder moves.
                             for (const Side *side : {&m_pictures, &m_raws}) {
                                 side->drive->Refresh();
                                 showDriveOf(*side);
                             }
                         });
                     });
}

void ListSides::moveToChosenDrive(const Side &side)
{
    // Whatever happens, the drive list ends up showing the drive its folder
    // list is on: after a drive without a medium, that is the drive before.
    const auto showDrive = qScopeGuard([&] { showDriveOf(side); });
    const auto sharing = m_readings.share();
    side.folders->setPath(side.drive->Drive());
}

void ListSides::showFolder(const QString &folder)
{
    const auto sharing = m_readings.share();
    // The picture side's Change takes the RAW side along while in step.
    m_pictures.folders->setPath(folder);
    if (!m_syncDirs)
        m_raws.folders->setPath(folder);
}

void ListSides::pictureFolderChosen()
{
    // In step, the folder goes into four lists; it is read from the disk once.
    const auto sharing = m_readings.share();
    showDriveOf(m_pictures);
    const QString folder = m_pictures.folders->Path();
    m_pictures.files->setPath(folder);
    if (m_syncDirs) {
        m_raws.files->setPath(folder);
        m_raws.folders->setPath(folder);
        writeCounts();
    } else {
        writeCount(m_pictures);
    }
}

void ListSides::rawFolderChosen()
{
    const auto sharing = m_readings.share();
    showDriveOf(m_raws);
    m_raws.files->setPath(m_raws.folders->Path());
    writeCount(m_raws);
}

void ListSides::applyPattern(const Side &side)
{
    const auto sharing = m_readings.share(); // setPattern and Refresh both read the folder
    side.files->setPattern(files::CameraFormats::patternOf(side.pattern->Text()));
    side.files->Refresh();
    writeCount(side);
}

void ListSides::setSyncDirs(bool inStep)
{
    m_syncDirs = inStep;
    const auto sharing = m_readings.share();
    enableRawFolders(!m_syncDirs);
    if (!m_syncDirs)
        return;
    {
        // The RAW drive follows; its folder list is moved below.
        const QSignalBlocker blocker(m_raws.drive);
        m_raws.drive->setDrive(m_pictures.drive->Drive());
    }
    const QString folder = m_pictures.folders->Path();
    m_raws.folders->setPath(folder);
    m_raws.files->setPath(folder);
    m_raws.files->Refresh();
    // When the RAW folder list was on that folder already, nothing above
    // wrote the count of the list just re-read; a count always tells what
    // its list holds.
    writeCount(m_raws);
}

void ListSides::enableRawFolders(bool enabled)
{
    // While the RAW side follows the picture side, its folder and drive lists
    // can't be chosen, and their grey text says so.
    for (QWidget *control :
         {static_cast<QWidget *>(m_raws.folders), static_cast<QWidget *>(m_raws.drive)}) {
        control->setEnabled(enabled);
        ui::applyForeColor(control, enabled ? ui::vbBlack : ui::vbGrayText);
    }
}

} // namespace quorvel::main_window
