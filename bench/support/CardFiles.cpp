#include "support/CardFiles.h"

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <QElapsedTimer>
#include <QList>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::bench::CardFiles {

QByteArray name(int number, const char *extension)
{
    char text[64];
    std::snprintf(text, sizeof text, "DSC_%06d.%s", number, extension);
    return text;
}

bool make(const QByteArray &folder, const char *extension, int first, int count)
{
    ::mkdir(folder.constData(), 0755);
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return false;
    bool made = true;
    for (int number = first; made && number < first + count; ++number) {
        const int fd = ::openat(dirFd, name(number, extension).constData(),
                                O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        made = fd >= 0 && ::close(fd) == 0;
    }
    ::close(dirFd);
    return made;
}

bool goes(int number)
{
    return number % 5 == 4;
}

bool makeTrimCard(const QByteArray &folder, int raws)
{
    if (!make(folder, "NEF", 0, raws))
        return false;
    for (int number = 0; number < raws; ++number) {
        if (!goes(number) && !make(folder, "JPG", number, 1))
            return false;
    }
    return true;
}

int countEntries(const QByteArray &folder)
{
    int count = 0;
    if (DIR *dir = ::opendir(folder.constData())) {
        while (const dirent *entry = ::readdir(dir))
            count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count;
}

double readdirPass(const QByteArray &folder)
{
    QElapsedTimer timer;
    timer.start();
    int entries = 0;
    if (DIR *dir = ::opendir(folder.constData())) {
        while (const dirent *entry = ::readdir(dir))
            entries += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    const double elapsed = double(timer.nsecsElapsed()) / 1e6;
    return entries > 0 ? elapsed : 0;
}

double renameGoners(const QByteArray &folder, const QByteArray &into, int raws)
{
    ::mkdir(into.constData(), 0700);
    QList<QByteArray> from;
    QList<QByteArray> to;
    for (int number = 0; number < raws; ++number) {
        if (goes(number)) {
            from.append(folder + '/' + name(number, "NEF"));
            to.append(into + '/' + name(number, "NEF"));
        }
    }
    QElapsedTimer timer;
    timer.start();
    for (qsizetype i = 0; i < from.size(); ++i) {
        if (::rename(from[i].constData(), to[i].constData()) != 0)
            return -1;
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

double noteAndRenameGoners(const QByteArray &folder, const QByteArray &notes,
                           const QByteArray &into, int raws)
{
    ::mkdir(notes.constData(), 0700);
    ::mkdir(into.constData(), 0700);
    QList<QByteArray> from;
    QList<QByteArray> note;
    QList<QByteArray> to;
    for (int number = 0; number < raws; ++number) {
        if (goes(number)) {
            from.append(folder + '/' + name(number, "NEF"));
            note.append(notes + '/' + name(number, "NEF") + ".trashinfo");
            to.append(into + '/' + name(number, "NEF"));
        }
    }
    // About as long as a real info file.
    static const char text[] = "[Trash Info]\nPath=/home/someone/Photos/2026-12-07/DSC_000000.NEF\n"
                               "DeletionDate=2026-12-07T10:00:00\n";
    QElapsedTimer timer;
    timer.start();
    for (qsizetype i = 0; i < from.size(); ++i) {
        const int fd = ::open(note[i].constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, text, sizeof text - 1) != ssize_t(sizeof text - 1) ||
            ::close(fd) != 0 || ::rename(from[i].constData(), to[i].constData()) != 0)
            return -1;
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace quorvel::bench::CardFiles
