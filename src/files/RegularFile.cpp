#include "files/RegularFile.h"

#include "files/FileNames.h"

#include <cerrno>
#include <fcntl.h>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::files {

int openRegularFile(QFile &file, QStringView path)
{
    const QByteArray bytes = encodeFileName(path);
    // Without O_NONBLOCK, opening a pipe would wait for its writer before
    // there was any chance to see what it is.
    const int fd = ::open(bytes.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return errno;
    struct stat status
    {
    };
    const int error = ::fstat(fd, &status) != 0 ? errno : S_ISREG(status.st_mode) ? 0 : EINVAL;
    if (error != 0) {
        ::close(fd);
        return error;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return EIO;
    }
    return 0;
}

} // namespace quorvel::files
