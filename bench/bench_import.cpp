// Bringing a card in, against what a copy without proof costs on the same
// machine in the same run.
//
// A card of 1,000 files of 2 MB (100 of them, 200 MB, with --quick), each
// file its own bytes. Three rows:
// - the import, every copy flushed, read back from the disk and its
//   checksum compared, next to `cp -r` of the same tree, then sync, then
//   one cold read of the copy (each file's pages dropped before it is read):
//   the least a copy checked once on the disk costs;
// - the same with a backup destination, next to two such copies (`cp -r`
//   twice, the card read from memory the second time, one sync, both
//   copies read cold);
// - planning a card of 40,000 empty files in 20 folders, next to one bare
//   readdir() walk of it. A row for context gives the same walk with an
//   fstatat() of each entry, which is what learning each file's size costs.
// Each figure is the middle of several runs, ours and the floor taking
// turns at going first.

#include "import/ImportPlan.h"
#include "import/ImportRun.h"
#include "support/TableRow.h"
#include "support/Timing.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace quorvel;
using namespace quorvel::bench;

namespace {

constexpr qint64 fileSize = 2 * 1000 * 1000;

bool makeCard(const QByteArray &card, int files)
{
    std::mt19937_64 random(7);
    std::vector<quint64> block(size_t(fileSize / 8));
    for (int i = 0; i < files; ++i) {
        const QByteArray folder = card + "/DCIM/" + QByteArray::number(100 + i / 200) + "NIKON";
        if (!QDir().mkpath(QFile::decodeName(folder)))
            return false;
        for (quint64 &word : block)
            word = random();
        const QByteArray path =
            folder + "/DSC_" + QByteArray::number(i).rightJustified(4, '0') + ".NEF";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, block.data(), size_t(fileSize)) != fileSize || ::close(fd) != 0)
            return false;
    }
    ::sync();
    return true;
}

// Every file below folder read once, each file's pages dropped first, so
// that it comes from the disk. The bytes read, or -1.
qint64 coldRead(const QByteArray &folder)
{
    static std::unique_ptr<char[]> buffer(new char[1024 * 1024]);
    qint64 total = 0;
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return -1;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const QByteArray path = folder + '/' + entry->d_name;
        if (entry->d_type == DT_DIR) {
            const qint64 below = coldRead(path);
            if (below < 0) {
                ::closedir(dir);
                return -1;
            }
            total += below;
            continue;
        }
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ssize_t got;
        while ((got = ::read(fd, buffer.get(), 1024 * 1024)) > 0)
            total += got;
        ::close(fd);
    }
    ::closedir(dir);
    return total;
}

bool removeTree(const QByteArray &path)
{
    const bool removed = QDir(QFile::decodeName(path)).removeRecursively();
    ::sync();
    return removed;
}

// cp -r of the card to each destination, one sync, each copy read cold.
double floorCopy(const QByteArray &card, const QList<QByteArray> &destinations, qint64 bytes)
{
    QElapsedTimer timer;
    timer.start();
    for (const QByteArray &destination : destinations) {
        if (QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), QFile::decodeName(card),
                                                     QFile::decodeName(destination)}) != 0)
            return -1;
    }
    ::sync();
    for (const QByteArray &destination : destinations) {
        if (coldRead(destination) != bytes)
            return -1;
    }
    return millisecondsSince(timer);
}

double ourImport(const QByteArray &card, const QList<QByteArray> &destinations, qint64 bytes)
{
    QElapsedTimer timer;
    timer.start();
    const import::ImportPlan plan({card}, destinations);
    import::ImportRun run(plan);
    import::ImportRun::Observer quiet;
    const bool ran = run.run(quiet);
    const double elapsed = millisecondsSince(timer);
    if (!ran || run.failed() != 0 || plan.bytes() != bytes || run.copied() != plan.fileCount()) {
        std::fprintf(stderr, "import: %s\n", qPrintable(run.summary()));
        return -1;
    }
    return elapsed;
}

// One readdir() pass over each folder of the tree; with stat, an fstatat()
// of each entry too. The entries seen.
long walk(int dirFd, bool stat)
{
    DIR *dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return -1;
    }
    long entries = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        ++entries;
        if (stat) {
            struct stat status
            {
            };
            ::fstatat(::dirfd(dir), entry->d_name, &status, AT_SYMLINK_NOFOLLOW);
        }
        if (entry->d_type != DT_DIR)
            continue;
        const int child =
            ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child >= 0)
            entries += walk(child, stat);
    }
    ::closedir(dir);
    return entries;
}

double timedWalk(const QByteArray &root, bool stat, long expected)
{
    QElapsedTimer timer;
    timer.start();
    const long entries = walk(::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), stat);
    const double elapsed = millisecondsSince(timer);
    return entries == expected ? elapsed : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const bool quick = isQuick(application.arguments());
    const int files = quick ? 100 : 1000;
    const int copyRuns = 3;
    const int planRuns = quick ? 5 : 15;
    const qint64 bytes = qint64(files) * fileSize;

    QTemporaryDir temp;
    if (!temp.isValid())
        return 1;
    const QByteArray root = QFile::encodeName(temp.path());
    const QByteArray card = root + "/card";
    if (!makeCard(card, files)) {
        std::fprintf(stderr, "the card can't be made in %s\n", root.constData());
        return 1;
    }

    // Copies, one destination and then with a backup.
    for (const int destinations : {1, 2}) {
        QList<QByteArray> ours;
        QList<QByteArray> floors;
        for (int d = 0; d < destinations; ++d) {
            ours.append(root + "/ours" + QByteArray::number(d));
            floors.append(root + "/floor" + QByteArray::number(d));
        }
        std::vector<double> ourTimes;
        std::vector<double> floorTimes;
        for (int i = 0; i < copyRuns; ++i) {
            for (int turn = 0; turn < 2; ++turn) {
                const bool oursNow = (turn + i) % 2 == 0;
                const double ms =
                    oursNow ? ourImport(card, ours, bytes) : floorCopy(card, floors, bytes);
                if (ms < 0) {
                    std::fprintf(stderr, "a copy failed\n");
                    return 1;
                }
                (oursNow ? ourTimes : floorTimes).push_back(ms);
                for (const QByteArray &destination : oursNow ? ours : floors)
                    removeTree(destination);
            }
        }
        TableRow row;
        row.what = QStringLiteral("import with verification, %1 files, %2%3")
                       .arg(files)
                       .arg(TableRow::megabytes(double(bytes) / 1e6))
                       .arg(destinations == 2 ? QStringLiteral(", with a backup") : QString());
        row.setMilliseconds(median(ourTimes), median(floorTimes),
                            destinations == 2 ? QStringLiteral("2x cp -r, sync, cold reads")
                                              : QStringLiteral("cp -r, sync, cold read"));
        row.setRatioGoal(1.25);
        row.print();
    }
    removeTree(card);

    // Planning a card of 40,000 files.
    const QByteArray big = root + "/big";
    const int folders = 20;
    const int perFolder = 2000;
    for (int f = 0; f < folders; ++f) {
        const QByteArray folder = big + "/DCIM/" + QByteArray::number(100 + f) + "NIKON";
        if (!QDir().mkpath(QFile::decodeName(folder)))
            return 1;
        for (int i = 0; i < perFolder; ++i) {
            const QByteArray path =
                folder + "/DSC_" + QByteArray::number(f * perFolder + i) + ".NEF";
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (fd < 0)
                return 1;
            ::close(fd);
        }
    }
    const long entries = 1 + folders + long(folders) * perFolder;
    std::vector<double> planTimes;
    std::vector<double> walkTimes;
    std::vector<double> statTimes;
    const QByteArray nowhere = root + "/not yet/2026-12-08";
    for (int i = 0; i < planRuns; ++i) {
        walkTimes.push_back(timedWalk(big, false, entries));
        QElapsedTimer timer;
        timer.start();
        const import::ImportPlan plan({big}, {nowhere});
        planTimes.push_back(millisecondsSince(timer));
        statTimes.push_back(timedWalk(big, true, entries));
        if (plan.fileCount() != folders * perFolder || walkTimes.back() < 0 ||
            statTimes.back() < 0) {
            std::fprintf(stderr, "the plan or a walk saw the wrong number of files\n");
            return 1;
        }
    }
    TableRow plan;
    plan.what = QStringLiteral("planning a card of %1 files").arg(folders * perFolder);
    plan.setMilliseconds(median(planTimes), median(walkTimes), QStringLiteral("readdir walk"));
    plan.setRatioGoal(1.5);
    plan.print();
    TableRow context;
    context.what = QStringLiteral("planning a card of %1 files").arg(folders * perFolder);
    context.setMilliseconds(median(planTimes), median(statTimes),
                            QStringLiteral("readdir walk with fstatat"));
    context.print();
    return 0;
}
