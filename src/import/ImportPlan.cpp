#include "import/ImportPlan.h"

#include "files/FileNames.h"
#include "files/FolderError.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <QHash>
#include <QSet>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace quorvel::import {
namespace {

QByteArray joined(const QByteArray &folder, const QByteArray &name)
{
    if (name.isEmpty())
        return folder;
    if (folder.isEmpty())
        return name;
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// The nearest folder of path that exists: a destination named after the
// shooting date is made by the copy, and its volume is its parent's.
QByteArray nearestExisting(QByteArray path, struct stat &status)
{
    while (::stat(path.constData(), &status) != 0) {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash <= 0)
            return ::stat("/", &status) == 0 ? QByteArray("/") : QByteArray();
        path = path.first(slash);
    }
    return path;
}

} // namespace

ImportPlan::ImportPlan(const QList<QByteArray> &cardFolders, const QList<QByteArray> &destinations,
                       const FreeSpaceFunction &freeSpace, const std::atomic<bool> *cancelled)
    : m_cards(cardFolders)
{
    for (const QByteArray &path : destinations)
        m_destinations.push_back({path, 0, 0, -1, true});
    for (int card = 0; card < m_cards.size(); ++card)
        walk(card, cancelled);
    m_at.assign(m_files.size() * m_destinations.size(), AtDestination::Nothing);
    findSecondCopies();
    lookAtDestinations();
    countSpace(freeSpace);
}

void ImportPlan::walk(int card, const std::atomic<bool> *cancelled)
{
    const QByteArray &root = m_cards[card];
    // The card folder is what the user chose: a link to it is followed. Only
    // what lies below it is held to the walk's rules.
    struct stat rootStatus
    {
    };
    if (::stat(root.constData(), &rootStatus) != 0)
        throw files::FolderError(files::decodeFileName(root), errno);
    if (!S_ISDIR(rootStatus.st_mode))
        throw files::FolderError(files::decodeFileName(root), ENOTDIR);
    const dev_t device = rootStatus.st_dev;
    QSet<quint64> seen{quint64(rootStatus.st_ino)};

    // By an explicit list, folders in name order, each before those within it.
    std::vector<QByteArray> pending{QByteArray()};
    while (!pending.empty()) {
        if (cancelled && *cancelled)
            throw files::FolderError(files::decodeFileName(root), ECANCELED);
        const QByteArray relative = std::move(pending.back());
        pending.pop_back();
        const QByteArray path = joined(root, relative);
        const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC |
                                                    (relative.isEmpty() ? 0 : O_NOFOLLOW));
        DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
        if (!dir) {
            const int why = errno;
            if (fd >= 0)
                ::close(fd);
            if (relative.isEmpty())
                throw files::FolderError(files::decodeFileName(root), why);
            m_unreadable.push_back({card, relative, why});
            continue;
        }
        const int folder = int(m_folders.size());
        m_folders.push_back({card, relative});
        std::vector<QByteArray> below;
        int readError = 0;
        for (;;) {
            // Set before each readdir(): only its own failure may be taken
            // for the folder's, not an fstatat() of a file gone meanwhile.
            errno = 0;
            const dirent *entry = ::readdir(dir);
            if (!entry) {
                readError = errno;
                break;
            }
            if (entry->d_name[0] == '.')
                continue;
            // d_type spares nothing here: a file's size and time need the stat.
            struct stat status
            {
            };
            if (::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
                continue; // gone since it was listed
            if (S_ISREG(status.st_mode)) {
                File file;
                file.folder = folder;
                file.name = QByteArray(entry->d_name);
                file.size = status.st_size;
                file.modifiedSeconds = status.st_mtim.tv_sec;
                file.modifiedNanoseconds = qint32(status.st_mtim.tv_nsec);
                file.device = status.st_dev;
                file.inode = status.st_ino;
                m_bytes += status.st_size;
                m_files.push_back(std::move(file));
            } else if (S_ISDIR(status.st_mode) && status.st_dev == device &&
                       !seen.contains(status.st_ino)) {
                // Another volume mounted here, or a bind mount leading back up
                // the tree, is not part of the card.
                seen.insert(status.st_ino);
                below.push_back(joined(relative, QByteArray(entry->d_name)));
            }
        }
        ::closedir(dir);
        if (readError != 0)
            m_unreadable.push_back({card, relative, readError});
        std::sort(below.begin(), below.end(), std::greater<>());
        std::move(below.begin(), below.end(), std::back_inserter(pending));
    }
}

void ImportPlan::findSecondCopies()
{
    if (m_cards.size() < 2)
        return;
    QHash<QByteArray, qsizetype> first;
    first.reserve(qsizetype(m_files.size()));
    for (size_t i = 0; i < m_files.size(); ++i) {
        File &file = m_files[i];
        const QByteArray path = relativePath(qsizetype(i));
        const auto found = first.constFind(path);
        if (found == first.cend()) {
            first.insert(path, qsizetype(i));
        } else if (m_folders[size_t(m_files[size_t(*found)].folder)].card !=
                       m_folders[size_t(file.folder)].card &&
                   m_files[size_t(*found)].size == file.size) {
            file.firstCopy = *found;
            ++m_secondCopies;
        }
    }
}

void ImportPlan::lookAtDestinations()
{
    // Files come folder by folder: each destination folder is opened once,
    // and only the names of a folder that exists are looked at.
    size_t begin = 0;
    while (begin < m_files.size()) {
        size_t end = begin;
        while (end < m_files.size() && m_files[end].folder == m_files[begin].folder)
            ++end;
        for (size_t d = 0; d < m_destinations.size(); ++d) {
            const QByteArray folder = destinationFolder(qsizetype(begin), qsizetype(d));
            const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0)
                continue;
            for (size_t i = begin; i < end; ++i) {
                struct stat status
                {
                };
                if (::fstatat(fd, m_files[i].name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                const bool same = S_ISREG(status.st_mode) && status.st_size == m_files[i].size;
                m_at[i * m_destinations.size() + d] =
                    same ? AtDestination::SameSize : AtDestination::Other;
            }
            ::close(fd);
        }
        begin = end;
    }
    for (size_t i = 0; i < m_files.size(); ++i) {
        if (m_files[i].firstCopy >= 0)
            continue;
        bool everywhere = !m_destinations.empty();
        for (size_t d = 0; d < m_destinations.size(); ++d) {
            if (at(qsizetype(i), qsizetype(d)) == AtDestination::SameSize)
                ++m_destinations[d].alreadyThere;
            else
                everywhere = false;
        }
        m_alreadyEverywhere += everywhere;
    }
    QSet<int> withFiles;
    for (const File &file : m_files)
        withFiles.insert(file.folder);
    m_foldersWithFiles = int(withFiles.size());
}

void ImportPlan::countSpace(const FreeSpaceFunction &freeSpace)
{
    std::vector<quint64> volumes(m_destinations.size(), 0);
    for (size_t d = 0; d < m_destinations.size(); ++d) {
        Destination &destination = m_destinations[d];
        for (size_t i = 0; i < m_files.size(); ++i) {
            if (m_files[i].firstCopy < 0 &&
                at(qsizetype(i), qsizetype(d)) != AtDestination::SameSize)
                destination.bytesNeeded += m_files[i].size;
        }
        const std::optional<qint64> free =
            freeSpace ? freeSpace(destination.path) : freeSpaceOf(destination.path);
        destination.freeBytes = free.value_or(-1);
        struct stat status
        {
        };
        volumes[d] =
            nearestExisting(destination.path, status).isEmpty() ? 0 : quint64(status.st_dev);
    }
    // Two destinations on one volume (a backup on the same disk) both take
    // their room from the same free space.
    for (size_t d = 0; d < m_destinations.size(); ++d) {
        qint64 needed = 0;
        for (size_t other = 0; other < m_destinations.size(); ++other) {
            if (other == d || (volumes[d] != 0 && volumes[other] == volumes[d]))
                needed += m_destinations[other].bytesNeeded;
        }
        Destination &destination = m_destinations[d];
        destination.enoughSpace = destination.freeBytes < 0 || needed <= destination.freeBytes;
    }
}

bool ImportPlan::enoughSpace() const
{
    return std::all_of(m_destinations.begin(), m_destinations.end(),
                       [](const Destination &destination) { return destination.enoughSpace; });
}

QByteArray ImportPlan::relativePath(qsizetype file) const
{
    const File &f = m_files[size_t(file)];
    return joined(m_folders[size_t(f.folder)].relativePath, f.name);
}

QByteArray ImportPlan::sourcePath(qsizetype file) const
{
    const File &f = m_files[size_t(file)];
    const Folder &folder = m_folders[size_t(f.folder)];
    return joined(joined(m_cards[folder.card], folder.relativePath), f.name);
}

QByteArray ImportPlan::destinationFolder(qsizetype file, qsizetype destination) const
{
    const File &f = m_files[size_t(file)];
    return joined(m_destinations[size_t(destination)].path,
                  m_folders[size_t(f.folder)].relativePath);
}

std::optional<qint64> ImportPlan::freeSpaceOf(const QByteArray &path)
{
    struct stat status
    {
    };
    const QByteArray existing = nearestExisting(path, status);
    struct statvfs volume
    {
    };
    if (existing.isEmpty() || ::statvfs(existing.constData(), &volume) != 0)
        return std::nullopt;
    return qint64(volume.f_bavail) * qint64(volume.f_frsize);
}

} // namespace quorvel::import
