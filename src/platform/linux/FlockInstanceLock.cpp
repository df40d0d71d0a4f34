#include "files/FileNames.h"
#include "platform/InstanceLock.h"

#include <cerrno>
#include <fcntl.h>
#include <QDir>
#include <QFileInfo>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform {
namespace {

QString lockPath(const QString &name)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return files::joinPath(runtime, name + QStringLiteral(".lock"));
    return files::joinPath(QDir::tempPath(), QStringLiteral("%1-%2.lock").arg(name).arg(getuid()));
}

} // namespace

std::unique_ptr<InstanceLock> InstanceLock::tryAcquire(const QString &name)
{
    // O_CLOEXEC: a browser started from the About box must not inherit the
    // lock and keep holding it after we are gone. O_NOFOLLOW: in a shared
    // temporary folder the name might be a planted link.
    const int fd = open(files::encodeFileName(lockPath(name)).constData(),
                        O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    // Only a lock that another copy holds keeps the program from starting; one
    // that can't be made at all (no writable runtime folder) must not.
    if (fd < 0)
        return std::unique_ptr<InstanceLock>(new InstanceLock(-1));
    struct stat st
    {
    };
    if (fstat(fd, &st) != 0 || st.st_uid != getuid()) {
        close(fd);
        return std::unique_ptr<InstanceLock>(new InstanceLock(-1));
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        close(fd);
        return held ? nullptr : std::unique_ptr<InstanceLock>(new InstanceLock(-1));
    }
    return std::unique_ptr<InstanceLock>(new InstanceLock(fd));
}

InstanceLock::InstanceLock(int fd) : m_fd(fd) {}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        close(m_fd);
}

} // namespace quorvel::platform
