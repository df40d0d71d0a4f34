// How long moving one file to the trash takes, next to the least any move can
// take: a plain rename(2) of as many files into a folder on the same
// filesystem, measured in the same run. A trim of a full card moves thousands
// of RAW files; the trash must not make that wait noticeably longer than the
// renames it consists of.

#include "trimming/RecycleFile.h"
#include "ui/FileNames.h"
#include "ui/MessageBox.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr double goalMicroseconds = 60.0;

class NoQuestions final : public quorvel::ui::MessageBox
{
public:
    int show(const QString &, int, const QString &) override { return quorvel::ui::IDNO; }
};

QByteArray fileName(int i)
{
    char name[32];
    std::snprintf(name, sizeof name, "DSC_%05d.NEF", i);
    return name;
}

// n small files in a fresh folder; the content does not matter to a rename.
QByteArray makeFiles(const QByteArray &folder, int n)
{
    ::mkdir(folder.constData(), 0755);
    for (int i = 0; i < n; ++i) {
        const int fd = ::open((folder + '/' + fileName(i)).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, "raw", 3) != 3 || ::close(fd) != 0) {
            std::fprintf(stderr, "cannot create test files in %s: %s\n", folder.constData(),
                         std::strerror(errno));
            std::exit(1);
        }
    }
    return folder;
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

double microsecondsPerFile(qint64 nanoseconds, int n)
{
    return double(nanoseconds) / 1000.0 / n;
}

double timeOurs(const QByteArray &root, int round, int n)
{
    const QByteArray folder = makeFiles(root + "/ours" + QByteArray::number(round), n);
    QList<QString> paths;
    for (int i = 0; i < n; ++i)
        paths.append(quorvel::decodeFileName(folder + '/' + fileName(i)));
    NoQuestions messages;

    QElapsedTimer timer;
    timer.start();
    for (const QString &path : paths) {
        if (const int error = quorvel::modQuorvel::RecycleFile(path, false, messages)) {
            std::fprintf(stderr, "trashing %s failed: %s\n", qPrintable(path),
                         std::strerror(error));
            std::exit(1);
        }
    }
    const qint64 elapsed = timer.nsecsElapsed();
    if (countEntries(folder) != 0) {
        std::fprintf(stderr, "files were left behind in %s\n", folder.constData());
        std::exit(1);
    }
    return microsecondsPerFile(elapsed, n);
}

double timeRenameFloor(const QByteArray &root, int round, int n)
{
    const QByteArray folder = makeFiles(root + "/plain" + QByteArray::number(round), n);
    const QByteArray target = root + "/renamed" + QByteArray::number(round);
    ::mkdir(target.constData(), 0700);
    QList<QByteArray> from;
    QList<QByteArray> to;
    for (int i = 0; i < n; ++i) {
        from.append(folder + '/' + fileName(i));
        to.append(target + '/' + fileName(i));
    }

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < n; ++i) {
        if (::rename(from[i].constData(), to[i].constData()) != 0) {
            std::fprintf(stderr, "rename failed: %s\n", std::strerror(errno));
            std::exit(1);
        }
    }
    return microsecondsPerFile(timer.nsecsElapsed(), n);
}

// The least that any trash keeping the desktop's format can do per file: make
// one small new file (the info) and rename one. Making a file costs far more
// than renaming one on some filesystems (inode allocation), which the plain
// rename floor does not show.
double timeCreateAndRenameFloor(const QByteArray &root, int round, int n)
{
    const QByteArray folder = makeFiles(root + "/plain-made" + QByteArray::number(round), n);
    const QByteArray target = root + "/made" + QByteArray::number(round);
    const QByteArray notes = root + "/notes" + QByteArray::number(round);
    ::mkdir(target.constData(), 0700);
    ::mkdir(notes.constData(), 0700);
    QList<QByteArray> from;
    QList<QByteArray> to;
    QList<QByteArray> note;
    for (int i = 0; i < n; ++i) {
        from.append(folder + '/' + fileName(i));
        to.append(target + '/' + fileName(i));
        note.append(notes + '/' + fileName(i) + ".trashinfo");
    }
    const QByteArray text = "[Trash Info]\nPath=/home/ann/DCIM/DSC_00001.NEF\n"
                            "DeletionDate=2024-03-09T07:05:03\n";

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < n; ++i) {
        const int fd = ::open(note[i].constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, text.constData(), size_t(text.size())) != text.size() ||
            ::close(fd) != 0 || ::rename(from[i].constData(), to[i].constData()) != 0) {
            std::fprintf(stderr, "create and rename failed: %s\n", std::strerror(errno));
            std::exit(1);
        }
    }
    return microsecondsPerFile(timer.nsecsElapsed(), n);
}

// What flushing every info file to disk would add, to decide whether to do it.
double timeSmallWrites(const QByteArray &root, int n, bool flush)
{
    const QByteArray folder = root + (flush ? "/flushed" : "/written");
    ::mkdir(folder.constData(), 0700);
    const QByteArray text = "[Trash Info]\nPath=/home/ann/DCIM/DSC_00001.NEF\n"
                            "DeletionDate=2024-03-09T07:05:03\n";
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < n; ++i) {
        const int fd = ::open((folder + '/' + fileName(i) + ".trashinfo").constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, text.constData(), size_t(text.size())) != text.size() ||
            (flush && ::fsync(fd) != 0) || ::close(fd) != 0) {
            std::fprintf(stderr, "writing info files failed: %s\n", std::strerror(errno));
            std::exit(1);
        }
    }
    return microsecondsPerFile(timer.nsecsElapsed(), n);
}

// gio trash, all files in one call, into the same temporary data folder.
QString timeGio(const QByteArray &root, int n, double &perFile)
{
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (gio.isEmpty())
        return QStringLiteral("not available");
    const QByteArray folder = makeFiles(root + "/gio", n);
    QStringList arguments{QStringLiteral("trash")};
    for (int i = 0; i < n; ++i)
        arguments.append(QFile::decodeName(folder + '/' + fileName(i)));
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);

    QElapsedTimer timer;
    timer.start();
    process.start(gio, arguments);
    const bool finished = process.waitForFinished(600000);
    const qint64 elapsed = timer.nsecsElapsed();
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("failed (exit code %1)").arg(process.exitCode());
    if (const int left = countEntries(folder); left != 0)
        return QStringLiteral("left %1 of %2 files in place").arg(left).arg(n);
    perFile = microsecondsPerFile(elapsed, n);
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains(QStringLiteral("--quick"));
    const int n = quick ? 100 : 2000;
    const int rounds = quick ? 1 : 3;

    // On the disk the tests run on, never in the user's own trash.
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const QByteArray root = QFile::encodeName(dir.path());
    qputenv("XDG_DATA_HOME", root + "/data");
    // Where it runs matters: making the info file dominates, and on some
    // filesystems that depends on how many files were deleted nearby lately.
    std::printf("in %s (set TMPDIR to measure elsewhere)\n", root.constData());

    // Best of the rounds for both, so that a neighbour's burst of work on the
    // machine does not decide the figure.
    double ours = 1e300;
    double floor = 1e300;
    double madeFloor = 1e300;
    for (int round = 0; round < rounds; ++round) {
        floor = std::min(floor, timeRenameFloor(root, round, n));
        madeFloor = std::min(madeFloor, timeCreateAndRenameFloor(root, round, n));
        ours = std::min(ours, timeOurs(root, round, n));
    }
    const int trashed = countEntries(root + "/data/Trash/files");
    if (trashed != n * rounds || countEntries(root + "/data/Trash/info") != n * rounds) {
        std::fprintf(stderr, "expected %d files in the trash, found %d\n", n * rounds, trashed);
        return 1;
    }

    std::printf("trash %d files | ours %.1f µs/file | rename floor %.1f µs/file | ratio %.2f | "
                "goal <= %.0f µs/file: %s\n",
                n, ours, floor, ours / floor, goalMicroseconds,
                ours <= goalMicroseconds ? "met" : "not met");

    std::printf("trash %d files | ours %.1f µs/file | create info + rename floor %.1f µs/file | "
                "ratio %.2f\n",
                n, ours, madeFloor, ours / madeFloor);

    const int flushed = std::min(n, 200);
    const double written = timeSmallWrites(root, flushed, false);
    const double synced = timeSmallWrites(root, flushed, true);
    std::printf("info file, %d files | written %.1f µs/file | written and fsync'd %.1f µs/file | "
                "fsync would add %.1f µs/file\n",
                flushed, written, synced, synced - written);

    double gio = 0;
    const QString gioProblem = timeGio(root, n, gio);
    if (gioProblem.isEmpty())
        std::printf("gio trash %d files in one call | %.1f µs/file | ratio to rename floor %.2f | "
                    "ratio to ours %.2f\n",
                    n, gio, gio / floor, gio / ours);
    else
        std::printf("gio: %s\n", qPrintable(gioProblem));
    return 0;
}
