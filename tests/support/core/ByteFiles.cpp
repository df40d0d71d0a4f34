#include "support/core/ByteFiles.h"

#include "platform/linux/TrashInfo.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <optional>
#include <QDebug>
#include <QFile>
#include <QProcess>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::test {
namespace {

std::optional<QByteArray> findInfoValue(const QByteArray &infoText, QByteArrayView key)
{
    for (const QByteArray &line : infoText.split('\n')) {
        if (line.startsWith(key) && line.size() > key.size() && line[key.size()] == '=')
            return line.mid(key.size() + 1);
    }
    return std::nullopt;
}

} // namespace

bool writeFile(const QByteArray &path, const QByteArray &content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    return ::close(fd) == 0 && written;
}

QByteArray readFile(const QByteArray &path, int extraFlags)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | extraFlags);
    if (fd < 0)
        return "<missing>";
    QByteArray content;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        content.append(buffer, got);
    ::close(fd);
    return content;
}

bool exists(const QByteArray &path)
{
    struct stat st
    {
    };
    return ::lstat(path.constData(), &st) == 0;
}

struct stat statOf(const QByteArray &path)
{
    struct stat st
    {
    };
    if (::lstat(path.constData(), &st) != 0)
        return {};
    return st;
}

QByteArrayList entries(const QByteArray &folder)
{
    QByteArrayList names;
    DIR *dir = ::opendir(folder.constData());
    if (dir == nullptr)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

QByteArray realPath(const QByteArray &path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : QByteArray();
}

QByteArray infoValue(const QByteArray &infoText, QByteArrayView key)
{
    return findInfoValue(infoText, key).value_or("<no " + key.toByteArray() + ">");
}

QByteArray infoPath(const QByteArray &infoText)
{
    const std::optional<QByteArray> path = findInfoValue(infoText, "Path");
    return path ? platform::percentDecodePath(*path) : QByteArray("<no Path>");
}

void removeTree(const QByteArray &root)
{
    ::nftw(
        root.constData(),
        [](const char *path, const struct stat *, int, FTW *) {
            ::remove(path);
            return 0;
        },
        16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
}

QString errorName(int error)
{
    return QStringLiteral("%1 (%2)").arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
}

QByteArray makeFolder(const QByteArray &root, const QByteArray &relative, mode_t mode)
{
    const QByteArray path = root + '/' + relative;
    if (::mkdir(path.constData(), mode) != 0 && errno != EEXIST)
        qWarning("cannot create %s: %s", path.constData(), std::strerror(errno));
    ::chmod(path.constData(), mode);
    return path;
}

QString mountTmpfs(const QByteArray &where, const char *options, QByteArrayList &mounts)
{
    if (::mkdir(where.constData(), 0755) != 0 && errno != EEXIST)
        return QStringLiteral("cannot create the mount point: %1").arg(errorName(errno));
    if (::mount("tmpfs", where.constData(), "tmpfs", 0, options) != 0)
        return QStringLiteral("cannot mount a tmpfs here: %1").arg(errorName(errno));
    mounts.append(where);
    return {};
}

QByteArray runTrashCli(const QByteArray &root, const QString &command, const QStringList &arguments,
                       const QByteArray &workingFolder, const QByteArray &input, int &exitCode)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), QFile::decodeName(root + "/data"));
    environment.insert(QStringLiteral("HOME"), QFile::decodeName(root + "/home"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QFile::decodeName(workingFolder));
    process.start(command, arguments);
    process.write(input);
    process.closeWriteChannel();
    exitCode = -1;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
        exitCode = process.exitCode();
    const QByteArray err = process.readAllStandardError();
    if (!err.isEmpty())
        qInfo() << command << "said:" << err;
    return process.readAllStandardOutput();
}

} // namespace quorvel::test
