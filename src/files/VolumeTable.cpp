#include "files/VolumeTable.h"

namespace quorvel::files {
namespace {

bool contains(const QString &mountPoint, const QString &path)
{
    if (mountPoint == u"/")
        return path.startsWith(u'/');
    return path == mountPoint ||
           (path.startsWith(mountPoint) && path.at(mountPoint.size()) == u'/');
}

} // namespace

VolumeTable::VolumeTable(QList<Volume> volumes) : m_volumes(std::move(volumes)) {}

void VolumeTable::setVolumes(QList<Volume> volumes)
{
    m_volumes = std::move(volumes);
    for (auto it = m_currentFolders.begin(); it != m_currentFolders.end();) {
        if (m_volumes.contains(Volume{it.key(), {}}))
            ++it;
        else
            it = m_currentFolders.erase(it);
    }
}

Volume VolumeTable::volumeOf(const QString &path) const
{
    const Volume *best = nullptr;
    for (const Volume &volume : m_volumes) {
        if (contains(volume.mountPoint, path) &&
            (!best || volume.mountPoint.size() > best->mountPoint.size()))
            best = &volume;
    }
    if (best)
        return *best;
    return m_volumes.isEmpty() ? Volume{QStringLiteral("/"), {}} : m_volumes.first();
}

QString VolumeTable::currentFolder(const Volume &volume) const
{
    return m_currentFolders.value(volume.mountPoint, volume.mountPoint);
}

void VolumeTable::remember(const QString &folder)
{
    m_currentFolders.insert(volumeOf(folder).mountPoint, folder);
}

} // namespace quorvel::files
