#include "ui/DirectoryListing.h"

#include "ui/FileNames.h"
#include "ui/FolderError.h"
#include "ui/WildcardPattern.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace quorvel::DirectoryListing {
namespace {

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

DirHandle openFolder(const QString &folder)
{
    DirHandle dir(opendir(encodeFileName(folder).constData()));
    if (!dir)
        throw FolderError(folder, errno);
    return dir;
}

enum class Kind { File, Folder, Other };

// d_type answers for nearly every entry without a stat(); only links and
// filesystems that don't fill it in cost a system call.
Kind kindOf(DIR *dir, const dirent *entry)
{
    switch (entry->d_type) {
    case DT_REG:
        return Kind::File;
    case DT_DIR:
        return Kind::Folder;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat st {};
        if (fstatat(dirfd(dir), entry->d_name, &st, 0) != 0)
            return Kind::Other; // dangling link, link loop, or gone meanwhile
        if (S_ISREG(st.st_mode))
            return Kind::File;
        return S_ISDIR(st.st_mode) ? Kind::Folder : Kind::Other;
    }
    default:
        return Kind::Other; // FIFO, socket, device: never opened, never listed
    }
}

template<typename Accept>
QStringList list(const QString &folder, Kind wanted, Accept accept)
{
    DirHandle dir = openFolder(folder);
    QStringList names;
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
        if (kindOf(dir.get(), entry) != wanted)
            continue;
        QString name = decodeFileName(entry->d_name);
        if (accept(name))
            names.append(std::move(name));
    }
    std::sort(names.begin(), names.end(), lessThan);
    return names;
}

inline char16_t foldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

} // namespace

QStringList files(const QString &folder, const WildcardPattern &pattern)
{
    return list(folder, Kind::File, [&](const QString &name) { return pattern.matches(name); });
}

QStringList subfolders(const QString &folder)
{
    return list(folder, Kind::Folder, [](const QString &) { return true; });
}

// Case-insensitive code-unit order, ties broken by exact order: what users know
// from file managers for camera names (IMG_0001.JPG beside img_0001.jpg), the
// same on every locale so a trim always runs in the same order, and an order of
// magnitude cheaper than QCollator on a card of 100,000 names.
bool lessThan(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t *pa = reinterpret_cast<const char16_t *>(a.constData());
    const char16_t *pb = reinterpret_cast<const char16_t *>(b.constData());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = foldAscii(pa[i]);
        const char16_t cb = foldAscii(pb[i]);
        if (ca != cb)
            return ca < cb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

} // namespace quorvel::DirectoryListing
