// How long moving one file to the trash takes, next to the least any move can
// take: a plain rename(2) of as many files into a folder on the same
// filesystem, measured in the same run. A trim of a full card moves thousands
// of RAW files; the trash must not make that wait noticeably longer than the
// renames it consists of.

#include "files/FileNames.h"
#include "platform/MessageBox.h"
#include "support/TableRow.h"
#include "trimming/RecycleFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>

using quorvel::bench::TableRow;

namespace {

constexpr double goalMicroseconds = 60.0;

class NoQuestions final : public quorvel::platform::MessageBox
{
public:
    int show(const QString &, int, const QString &) override { return quorvel::platform::IDNO; }
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

[[noreturn]] void fail(const char *what, int error)
{
    std::fprintf(stderr, "%s failed: %s\n", what, std::strerror(error));
    std::exit(1);
}

// One way of moving the n prepared files, timed a slice at a time.
struct Way
{
    std::function<void(int)> move;
    qint64 nanoseconds = 0;
};

// The ways take turns slice by slice, so that a burst of work elsewhere on the
// machine falls on all of them alike rather than deciding the comparison.
void timeInTurns(QList<Way *> ways, int n)
{
    const int slice = std::max(1, n / 20);
    QElapsedTimer timer;
    for (int first = 0, turn = 0; first < n; first += slice, ++turn) {
        const int last = std::min(n, first + slice);
        for (int k = 0; k < ways.size(); ++k) {
            Way *way = ways[(k + turn) % ways.size()];
            timer.start();
            for (int i = first; i < last; ++i)
                way->move(i);
            way->nanoseconds += timer.nsecsElapsed();
        }
    }
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

    // Ours, through the same call the trim makes.
    const QByteArray ourFolder = makeFiles(root + "/ours", n);
    QList<QString> ourPaths;
    for (int i = 0; i < n; ++i)
        ourPaths.append(quorvel::files::decodeFileName(ourFolder + '/' + fileName(i)));
    NoQuestions messages;
    Way ours{[&](int i) {
        if (const int error =
                quorvel::trimming::modQuorvel::RecycleFile(ourPaths[i], false, messages))
            fail("trashing", error);
    }};

    // The floor: a plain rename of each file into a folder.
    const QByteArray plainFolder = makeFiles(root + "/plain", n);
    const QByteArray renamed = root + "/renamed";
    ::mkdir(renamed.constData(), 0700);
    QList<QByteArray> plainFrom;
    QList<QByteArray> plainTo;
    for (int i = 0; i < n; ++i) {
        plainFrom.append(plainFolder + '/' + fileName(i));
        plainTo.append(renamed + '/' + fileName(i));
    }
    Way rename{[&](int i) {
        if (::rename(plainFrom[i].constData(), plainTo[i].constData()) != 0)
            fail("rename", errno);
    }};

    // The least that any trash keeping the desktop's format can do per file:
    // make one small new file (the info) and rename one. On some filesystems
    // making a file costs far more than renaming one (inode allocation), which
    // the plain rename floor does not show.
    const QByteArray madeFolder = makeFiles(root + "/made-from", n);
    const QByteArray made = root + "/made";
    const QByteArray notes = root + "/notes";
    ::mkdir(made.constData(), 0700);
    ::mkdir(notes.constData(), 0700);
    QList<QByteArray> madeFrom;
    QList<QByteArray> madeTo;
    QList<QByteArray> note;
    for (int i = 0; i < n; ++i) {
        madeFrom.append(madeFolder + '/' + fileName(i));
        madeTo.append(made + '/' + fileName(i));
        note.append(notes + '/' + fileName(i) + ".trashinfo");
    }
    const QByteArray text = "[Trash Info]\nPath=/home/ann/DCIM/DSC_00001.NEF\n"
                            "DeletionDate=2024-03-09T07:05:03\n";
    Way createAndRename{[&](int i) {
        const int fd = ::open(note[i].constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, text.constData(), size_t(text.size())) != text.size() ||
            ::close(fd) != 0 || ::rename(madeFrom[i].constData(), madeTo[i].constData()) != 0)
            fail("create and rename", errno);
    }};

    timeInTurns({&ours, &rename, &createAndRename}, n);

    const int trashed = countEntries(root + "/data/Trash/files");
    if (countEntries(ourFolder) != 0 || trashed != n ||
        countEntries(root + "/data/Trash/info") != n) {
        std::fprintf(stderr, "expected %d files in the trash, found %d\n", n, trashed);
        return 1;
    }

    const double oursPerFile = microsecondsPerFile(ours.nanoseconds, n);
    const double floor = microsecondsPerFile(rename.nanoseconds, n);
    const double madeFloor = microsecondsPerFile(createAndRename.nanoseconds, n);
    const QString files = QLocale(QLocale::English).toString(n);
    TableRow row;
    row.what = QStringLiteral("Trash, %1 files one by one").arg(files);
    row.ours = QStringLiteral("%1 µs/file").arg(oursPerFile, 0, 'f', 1);
    row.floor = QStringLiteral("%1 µs/file (rename)").arg(floor, 0, 'f', 1);
    row.ratio = oursPerFile / floor;
    row.goal = QStringLiteral("<= %1 µs/file").arg(goalMicroseconds);
    row.met = oursPerFile <= goalMicroseconds;
    row.print();
    row.what =
        QStringLiteral("Trash, %1 files, next to making an info file and renaming").arg(files);
    row.floor = QStringLiteral("%1 µs/file (create + rename)").arg(madeFloor, 0, 'f', 1);
    row.ratio = oursPerFile / madeFloor;
    row.goal.clear();
    row.print();

    const int flushed = std::min(n, 200);
    const double written = timeSmallWrites(root, flushed, false);
    const double synced = timeSmallWrites(root, flushed, true);
    std::printf("info file, %d files | written %.1f µs/file | written and fsync'd %.1f µs/file | "
                "fsync would add %.1f µs/file\n",
                flushed, written, synced, synced - written);

    double gio = 0;
    const QString gioProblem = timeGio(root, n, gio);
    if (gioProblem.isEmpty()) {
        row.what =
            QStringLiteral("Trash, %1 files, next to gio trash (all in one call)").arg(files);
        row.floor = QStringLiteral("%1 µs/file (gio trash)").arg(gio, 0, 'f', 1);
        row.ratio = oursPerFile / gio;
        row.print();
    } else {
        std::printf("gio: %s\n", qPrintable(gioProblem));
    }
    return 0;
}
