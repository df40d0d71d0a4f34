#pragma once

#include "files/Volume.h"

#include <QComboBox>

namespace quorvel::files {
class VolumeTable;
}

namespace quorvel::ui {

// The classic drive list, over the mounted volumes. Choosing a volume, or
// writing a different Drive, raises Change.
class DriveListBox : public QComboBox
{
    Q_OBJECT

public:
    // The list starts on the volume that holds startFolder.
    DriveListBox(files::VolumeTable &volumes, const QString &startFolder,
                 QWidget *parent = nullptr);

    files::Volume Drive() const;
    void setDrive(const files::Volume &volume);

    // Lists the volume table's volumes anew, after volumes came or went. The
    // volume shown stays shown while it is listed; Change is not raised.
    void Refresh();

signals:
    void Change();

private:
    void listVolumes();

    files::VolumeTable &m_volumes;
    QString m_startFolder;
};

} // namespace quorvel::ui
