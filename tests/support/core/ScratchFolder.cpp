#include "support/core/ScratchFolder.h"

#include "files/FileNames.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::test {
namespace {

int removeEntry(const char *path, const struct stat *, int type, FTW *)
{
    return type == FTW_DP ? ::rmdir(path) : ::unlink(path);
}

bool sawClosedFolder = false;

// A folder a test closed may not be readable even by its owner when the test
// runs unprivileged; open each up so that the walk can go into it next time.
int openUp(const char *path, const struct stat *st, int type, FTW *)
{
    if (type == FTW_DNR)
        sawClosedFolder = true;
    if ((type == FTW_D || type == FTW_DNR) && (st->st_mode & S_IRWXU) != S_IRWXU)
        ::chmod(path, (st->st_mode & 07777) | S_IRWXU);
    return 0;
}

} // namespace

ScratchFolder::ScratchFolder() = default;

ScratchFolder::~ScratchFolder()
{
    if (!m_dir.isValid())
        return;
    const QByteArray root = files::encodeFileName(m_dir.path());
    for (int depth = 0; depth < 64; ++depth) {
        sawClosedFolder = false;
        ::nftw(root.constData(), openUp, 16, FTW_PHYS);
        if (!sawClosedFolder)
            break;
    }
    ::nftw(root.constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

QByteArray ScratchFolder::at(const QByteArray &name) const
{
    return files::encodeFileName(m_dir.path()) + '/' + name;
}

bool ScratchFolder::touch(const QByteArray &name) const
{
    const int fd = ::open(at(name).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool ScratchFolder::makeFolder(const QByteArray &name) const
{
    return ::mkdir(at(name).constData(), 0755) == 0;
}

} // namespace quorvel::test
