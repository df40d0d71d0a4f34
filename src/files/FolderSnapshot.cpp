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

namespace quorvel::files {
namespace {

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// d_type answers for nearly every entry without a stat(); only links and
// filesystems that don't fill it in cost a system call.
std::optional<FolderSnapshot::Kind> kindOf(DIR *dir, const dirent *entry)
{
    switch (entry->d_type) {
    case DT_REG:
        return FolderSnapshot::Kind::File;
    case DT_DIR:
        return FolderSnapshot::Kind::Folder;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat st
        {
        };
        if (fstatat(dirfd(dir), entry->d_name, &st, 0) != 0)
            return std::nullopt; // dangling link, link loop, or gone meanwhile
        if (S_ISREG(st.st_mode))
            return FolderSnapshot::Kind::File;
        if (S_ISDIR(st.st_mode))
            return FolderSnapshot::Kind::Folder;
        return std::nullopt;
    }
    default:
        return std::nullopt; // FIFO, socket, device: never opened, never listed
    }
}

} // namespace

FolderSnapshot::FolderSnapshot(const QString &folder) : m_folder(folder)
{
    DirHandle dir(opendir(encodeFileName(folder).constData()));
    if (!dir)
        throw FolderError(folder, errno);
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
        const std::optional<Kind> kind = kindOf(dir.get(), entry);
        if (!kind)
            continue;
        const size_t length = std::strlen(entry->d_name);
        if (length > NAME_MAX || m_used + quint64(blockSize) > std::numeric_limits<quint32>::max())
            throw FolderError(folder, EOVERFLOW);
        store(entry->d_name, quint16(length));
        m_entries.back().kind = *kind;
    }
}

void FolderSnapshot::store(const char *name, quint16 length)
{
    const quint32 end = quint32(m_blocks.size()) * blockSize;
    if (m_used + length > end) {
        // The rest of a full block stays unused: less than a name's length.
        m_used = end;
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(blockSize));
    }
    std::memcpy(m_blocks.back().get() + m_used % blockSize, name, length);
    m_entries.push_back({m_used, length, Kind::File});
    m_used += length;
}

} // namespace quorvel::files
