#pragma once

#include "files/Volume.h"

#include <QHash>
#include <QList>
#include <QString>

namespace quorvel::files {

// The volumes the drive lists offer, each with its current folder: the last
// folder a folder list visited on it, its root at first. Both sides of the main
// window share one table, as drives share one current folder each.
class VolumeTable
{
public:
    explicit VolumeTable(QList<Volume> volumes);

    const QList<Volume> &list() const { return m_volumes; }
    // The volumes mounted now. A volume still listed keeps its current
    // folder; one that went away forgets it.
    void setVolumes(QList<Volume> volumes);

    // The listed volume that holds path: the one with the longest mount point
    // that is a leading part of it. The first volume when none is.
    Volume volumeOf(const QString &path) const;

    QString currentFolder(const Volume &volume) const;
    void remember(const QString &folder);

private:
    QList<Volume> m_volumes;
    QHash<QString, QString> m_currentFolders;
};

} // namespace quorvel::files
