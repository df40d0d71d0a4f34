// How long moving one file to the trash takes, next to the least any desktop
// trash can do for it: make a small info file and rename the file, measured
// in the same run on the same filesystem. Beside it, gio trash on the same
// files, and a bare rename(2) for context. The ways take turns a batch at a
// time and each figure is the median of its batches, so that a burst of work
// elsewhere on the machine falls on all of them alike. Measured on the disk
// ($TMPDIR) and on tmpfs, where the filesystem's own cost of making a file is
// least and the trash's own work shows most.

#include "files/FileNames.h"
#include "platform/Trash.h"
#include "support/CardFiles.h"
#include "support/core/FakeMessageBox.h"
#include "support/TableRow.h"
#include "support/Timing.h"
#include "trimming/RecycleFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <linux/magic.h>
#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

using quorvel::bench::isQuick;
using quorvel::bench::median;
using quorvel::bench::TableRow;
using quorvel::bench::CardFiles::countEntries;

namespace {

QByteArray fileName(int i)
{
    char name[32];
    std::snprintf(name, sizeof name, "DSC_%05d.NEF", i);
    return name;
}

// A folder of small files, each with a name no other folder of the run has, as
// on a card: the same names trashed again would send every trash looking for
// a free name, which the floors never have to do. The content does not matter
// to a rename.
struct Card
{
    QByteArray folder;
    int first = 0;
    int n = 0;

    QByteArray name(int i) const { return fileName(first + i); }
    QByteArray path(int i) const { return folder + '/' + name(i); }
};

Card makeFiles(const QByteArray &folder, int n, int &made)
{
    const Card card{folder, made, n};
    made += n;
    ::mkdir(folder.constData(), 0755);
    for (int i = 0; i < n; ++i) {
        const int fd =
            ::open(card.path(i).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, "raw", 3) != 3 || ::close(fd) != 0) {
            std::fprintf(stderr, "cannot create test files in %s: %s\n", folder.constData(),
                         std::strerror(errno));
            std::exit(1);
        }
    }
    return card;
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

QByteArray infoText()
{
    return "[Trash Info]\nPath=/home/ann/DCIM/DSC_00001.NEF\n"
           "DeletionDate=2024-03-09T07:05:03\n";
}

// The ways of moving files, each given a fresh folder of prepared files and
// timed on all of them; per file, in microseconds.
struct Ways
{
    QByteArray root;
    quorvel::test::FakeMessageBox messages;
    QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));

    double ours(const Card &card)
    {
        const int n = card.n;
        QList<QString> paths;
        for (int i = 0; i < n; ++i)
            paths.append(quorvel::files::decodeFileName(card.path(i)));
        // As a trim moves its files: one batch, each file's place in the
        // trash kept for undoing.
        QElapsedTimer timer;
        timer.start();
        quorvel::platform::TrashSession batch;
        quorvel::platform::TrashedFile where;
        for (const QString &path : std::as_const(paths)) {
            if (const int error =
                    quorvel::trimming::RecycleFile(path, false, messages, &where, &batch))
                fail("trashing", error);
        }
        return microsecondsPerFile(timer.nsecsElapsed(), n);
    }

    // The least that any trash keeping the desktop's format can do per file:
    // make one small new file (the info) and rename one. On some filesystems
    // making a file costs far more than renaming one (inode allocation).
    double noteAndRename(const Card &card, int batch)
    {
        const int n = card.n;
        const QByteArray notes = root + "/notes-" + QByteArray::number(batch);
        const QByteArray into = root + "/noted-" + QByteArray::number(batch);
        ::mkdir(notes.constData(), 0700);
        ::mkdir(into.constData(), 0700);
        const QByteArray text = infoText();
        QList<QByteArray> from, to, note;
        for (int i = 0; i < n; ++i) {
            from.append(card.path(i));
            to.append(into + '/' + card.name(i));
            note.append(notes + '/' + card.name(i) + ".trashinfo");
        }
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < n; ++i) {
            const int fd =
                ::open(note[i].constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0 || ::write(fd, text.constData(), size_t(text.size())) != text.size() ||
                ::close(fd) != 0 || ::rename(from[i].constData(), to[i].constData()) != 0)
                fail("create and rename", errno);
        }
        return microsecondsPerFile(timer.nsecsElapsed(), n);
    }

    double rename(const Card &card, int batch)
    {
        const int n = card.n;
        const QByteArray into = root + "/renamed-" + QByteArray::number(batch);
        ::mkdir(into.constData(), 0700);
        QList<QByteArray> from, to;
        for (int i = 0; i < n; ++i) {
            from.append(card.path(i));
            to.append(into + '/' + card.name(i));
        }
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < n; ++i) {
            if (::rename(from[i].constData(), to[i].constData()) != 0)
                fail("rename", errno);
        }
        return microsecondsPerFile(timer.nsecsElapsed(), n);
    }

    // gio trash, the batch's files in one call, into the same data folder.
    // Negative when it is missing or failed.
    double gioTrash(const Card &card)
    {
        const int n = card.n;
        if (gio.isEmpty())
            return -1;
        QStringList arguments{QStringLiteral("trash")};
        for (int i = 0; i < n; ++i)
            arguments.append(QFile::decodeName(card.path(i)));
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // gio takes the home trash only for files on the home's filesystem,
        // and refuses to trash on tmpfs otherwise: home and trash both go
        // where the files are, as for ours.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), QFile::decodeName(root));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QFile::decodeName(root + "/data"));
        process.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        process.start(gio, arguments);
        const bool finished = process.waitForFinished(600000);
        const qint64 elapsed = timer.nsecsElapsed();
        if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 ||
            countEntries(card.folder) != 0) {
            std::fprintf(stderr, "gio trash failed in %s\n", card.folder.constData());
            return -1;
        }
        return microsecondsPerFile(elapsed, n);
    }
};

// All four ways, batches times, batchSize files each, in root; one row each.
bool measureIn(const QByteArray &root, const char *where, int batches, int batchSize)
{
    const QByteArray data = root + "/data";
    qputenv("XDG_DATA_HOME", data);
    Ways ways;
    ways.root = root;
    std::vector<double> ours, noted, renamed, gio;
    bool gioWorks = !ways.gio.isEmpty();
    int made = 0;
    for (int batch = 0; batch < batches; ++batch) {
        const QByteArray tag = QByteArray::number(batch);
        const Card ourCard = makeFiles(root + "/ours-" + tag, batchSize, made);
        const Card notedCard = makeFiles(root + "/noting-" + tag, batchSize, made);
        const Card plainCard = makeFiles(root + "/plain-" + tag, batchSize, made);
        const Card gioCard = makeFiles(root + "/gio-" + tag, batchSize, made);
        // Each batch starts with another of the ways.
        for (int turn = 0; turn < 4; ++turn) {
            switch ((turn + batch) % 4) {
            case 0:
                ours.push_back(ways.ours(ourCard));
                break;
            case 1:
                noted.push_back(ways.noteAndRename(notedCard, batch));
                break;
            case 2:
                renamed.push_back(ways.rename(plainCard, batch));
                break;
            default:
                if (gioWorks) {
                    const double perFile = ways.gioTrash(gioCard);
                    gioWorks = perFile >= 0;
                    gio.push_back(perFile);
                }
            }
        }
    }

    const int trashed = countEntries(data + "/Trash/files");
    const int expected = batches * batchSize * (gioWorks ? 2 : 1);
    if (trashed != expected || countEntries(data + "/Trash/info") != expected) {
        std::fprintf(stderr, "expected %d files in the trash, found %d\n", expected, trashed);
        return false;
    }

    const double oursPerFile = median(ours);
    const QString what = QStringLiteral("Trash, %1 files in batches of %2, %3")
                             .arg(QLocale(QLocale::English).toString(batches * batchSize))
                             .arg(batchSize)
                             .arg(QString::fromUtf8(where));
    TableRow row;
    row.what = what + QStringLiteral(", next to an info file made and a rename");
    row.ours = QStringLiteral("%1 µs/file").arg(oursPerFile, 0, 'f', 1);
    row.floor = QStringLiteral("%1 µs/file (create + rename)").arg(median(noted), 0, 'f', 1);
    row.ratio = oursPerFile / median(noted);
    row.setRatioGoal(1.15);
    row.print();
    if (gioWorks) {
        row.what = what + QStringLiteral(", next to gio trash (one call a batch)");
        row.floor = QStringLiteral("%1 µs/file (gio trash)").arg(median(gio), 0, 'f', 1);
        row.ratio = oursPerFile / median(gio);
        row.setRatioGoal(1.0);
        row.print();
    } else {
        std::printf("gio trash: not available or failed\n");
    }
    row.what = what + QStringLiteral(", next to a bare rename");
    row.floor = QStringLiteral("%1 µs/file (rename)").arg(median(renamed), 0, 'f', 1);
    row.ratio = oursPerFile / median(renamed);
    row.goal.clear();
    row.print();
    return true;
}

bool isTmpfs(const QByteArray &folder)
{
    struct statfs fs
    {
    };
    return ::statfs(folder.constData(), &fs) == 0 && fs.f_type == TMPFS_MAGIC;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool quick = isQuick(app.arguments());
    const int batches = quick ? 2 : 9;
    const int batchSize = quick ? 50 : 250;

    // On the disk the tests run on, never in the user's own trash.
    QTemporaryDir onDisk;
    if (!onDisk.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const QByteArray root = QFile::encodeName(onDisk.path());
    // Where it runs matters: making the info file dominates, and on some
    // filesystems that depends on how many files were deleted nearby lately.
    std::printf("in %s (set TMPDIR to measure elsewhere)\n", root.constData());
    if (!measureIn(root, isTmpfs(root) ? "tmpfs" : "disk", batches, batchSize))
        return 1;

    const int flushed = quick ? 20 : 200;
    const double written = timeSmallWrites(root, flushed, false);
    const double synced = timeSmallWrites(root, flushed, true);
    std::printf("info file, %d files | written %.1f µs/file | written and fsync'd %.1f µs/file | "
                "fsync would add %.1f µs/file\n",
                flushed, written, synced, synced - written);

    if (!isTmpfs(root) && isTmpfs("/dev/shm")) {
        QTemporaryDir inMemory(QStringLiteral("/dev/shm/quorvel-bench-XXXXXX"));
        if (!inMemory.isValid()) {
            std::fprintf(stderr, "cannot create a folder in /dev/shm\n");
            return 1;
        }
        if (!measureIn(QFile::encodeName(inMemory.path()), "tmpfs", batches, batchSize))
            return 1;
    }
    return 0;
}
