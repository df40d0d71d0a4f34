#include "files/FolderSnapshot.h"

#include "files/FileNames.h"
#include "files/FolderError.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::files {
namespace {

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

struct EntryKind
{
    FolderSnapshot::Kind kind;
    bool link;
};

std::optional<FolderSnapshot::Kind> kindOf(const struct stat &st)
{
    if (S_ISREG(st.st_mode))
        return FolderSnapshot::Kind::File;
    if (S_ISDIR(st.st_mode))
        return FolderSnapshot::Kind::Folder;
    return std::nullopt;
}

// A link, or an entry of a filesystem that leaves d_type unknown: asked of
// the filesystem.
std::optional<EntryKind> kindByStat(DIR *dir, const dirent *entry)
{
    struct stat st
    {
    };
    if (entry->d_type == DT_UNKNOWN) {
        // Whether it is a link is asked first: a walk through a tree must
        // know it, and d_type would have told.
        if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return std::nullopt;
        if (!S_ISLNK(st.st_mode)) {
            const std::optional<FolderSnapshot::Kind> kind = kindOf(st);
            return kind ? std::optional(EntryKind{*kind, false}) : std::nullopt;
        }
    }
    if (fstatat(dirfd(dir), entry->d_name, &st, 0) != 0)
        return std::nullopt; // dangling link, link loop, or gone meanwhile
    const std::optional<FolderSnapshot::Kind> kind = kindOf(st);
    return kind ? std::optional(EntryKind{*kind, true}) : std::nullopt;
}

// d_type answers for nearly every entry without a stat(); only links and
// filesystems that don't fill it in cost a system call. Those are asked in a
// function of their own: a struct stat zeroed here for each of a card's
// 100,000 entries, needed or not, was most of a reading's own time.
std::optional<EntryKind> kindOf(DIR *dir, const dirent *entry)
{
    switch (entry->d_type) {
    case DT_REG:
        return EntryKind{FolderSnapshot::Kind::File, false};
    case DT_DIR:
        return EntryKind{FolderSnapshot::Kind::Folder, false};
    case DT_UNKNOWN:
    case DT_LNK:
        return kindByStat(dir, entry);
    default:
        return std::nullopt; // FIFO, socket, device: never opened, never listed
    }
}

} // namespace

FolderSnapshot::FolderSnapshot(const QString &folder) : m_folder(folder)
{
    const int fd = open(encodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw FolderError(folder, errno);
    read(fd);
}

FolderSnapshot::FolderSnapshot(const QString &folder, quint64 device) : m_folder(folder)
{
    // O_NOFOLLOW refuses the folder when it was swapped for a link after its
    // parent was read; its volume is asked of the very folder opened.
    const int fd =
        open(encodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        throw FolderError(folder, errno);
    struct stat st
    {
    };
    const int error = fstat(fd, &st) != 0 ? errno : quint64(st.st_dev) != device ? EXDEV : 0;
    if (error != 0) {
        close(fd);
        throw FolderError(folder, error);
    }
    read(fd);
}

bool FolderSnapshot::isStill(const QString &folder, quint64 device, quint64 inode)
{
    struct stat st
    {
    };
    return lstat(encodeFileName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           quint64(st.st_dev) == device && quint64(st.st_ino) == inode;
}

void FolderSnapshot::read(int fd)
{
    struct stat st
    {
    };
    if (fstat(fd, &st) == 0) {
        m_device = quint64(st.st_dev);
        m_inode = quint64(st.st_ino);
    }
    DirHandle dir(fdopendir(fd));
    if (!dir) {
        const int error = errno;
        close(fd);
        throw FolderError(m_folder, error);
    }
    const QString &folder = m_folder;
    for (;;) {
        errno = 0;
        const dirent *entry = readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                throw FolderError(folder, errno); // e.g. EIO when a card is pulled
            break;
        }
        if (entry->d_name[0] == '.')
            continue;
        const std::optional<EntryKind> kind = kindOf(dir.get(), entry);
        if (!kind)
            continue;
        const size_t length = std::strlen(entry->d_name);
        if (length > NAME_MAX || m_used + quint64(blockSize) > std::numeric_limits<quint32>::max())
            throw FolderError(folder, EOVERFLOW);
        store(entry->d_name, quint16(length), kind->kind, kind->link);
    }
}

void FolderSnapshot::store(const char *name, quint16 length, Kind kind, bool link)
{
    const quint32 end = quint32(m_blocks.size()) * blockSize;
    if (m_used + length > end) {
        // The rest of a full block stays unused: less than a name's length.
        m_used = end;
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(blockSize));
    }
    std::memcpy(m_blocks.back().get() + m_used % blockSize, name, length);
    m_entries.push_back({m_used, length, kind, link});
    m_used += length;
}

} // namespace quorvel::files
