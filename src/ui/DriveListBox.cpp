#include "ui/DriveListBox.h"

#include "files/VolumeTable.h"

namespace quorvel::ui {

DriveListBox::DriveListBox(files::VolumeTable &volumes, const QString &startFolder, QWidget *parent)
    : QComboBox(parent), m_volumes(volumes), m_startFolder(startFolder)
{
    listVolumes();
    setCurrentIndex(findData(m_volumes.volumeOf(m_startFolder).mountPoint));
    connect(this, &QComboBox::currentIndexChanged, this, &DriveListBox::Change);
}

void DriveListBox::listVolumes()
{
    for (const files::Volume &volume : m_volumes.list()) {
        const QString text = volume.label.isEmpty()
                                 ? volume.mountPoint
                                 : QStringLiteral("%1  [%2]").arg(volume.mountPoint, volume.label);
        addItem(text, volume.mountPoint);
    }
}

void DriveListBox::Refresh()
{
    const QSignalBlocker blocker(this);
    const QString shown = currentData().toString();
    clear();
    listVolumes();
    // A volume taken out: its folder is now just a folder on the volume
    // that holds it.
    const int index = findData(shown);
    setCurrentIndex(index >= 0 ? index : findData(m_volumes.volumeOf(shown).mountPoint));
}

files::Volume DriveListBox::Drive() const
{
    const QString mountPoint = currentData().toString();
    for (const files::Volume &volume : m_volumes.list()) {
        if (volume.mountPoint == mountPoint)
            return volume;
    }
    return m_volumes.volumeOf(m_startFolder);
}

void DriveListBox::setDrive(const files::Volume &volume)
{
    const int index = findData(volume.mountPoint);
    if (index >= 0)
        setCurrentIndex(index);
}

} // namespace quorvel::ui
