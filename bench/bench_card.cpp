// A whole card in one trim: 20 folders (DCIM/100NIKON...) of 5,000 files
// each, 40,000 RAW files in all, 10,000 of them without their picture, the
// rest of the files pictures, some of them shot without a RAW file. Numbers
// run on from one folder to the next, as a camera's file numbering does.
//
// Two rows. The trim of the whole card through the code the window and
// `quorvel trim` share (the walk that pairs the folders, the matching, the
// trash taking each file in one session), next to the least any trim of it
// has to do: read each folder once with bare readdir(), and for each file
// that goes make a small info file and rename the file. And `quorvel trim
// --dry-run` on the card, the built program started as a process, next to a
// bare C program started the same way that reads the same folders once each:
// both are timed from the start of the process to its end, so the floor
// counts a process start too, the least there is; another row takes both
// start-ups away, to hold the dry run's own work to its goal. Each run of the
// first row gets fresh twin cards, and the two sides take turns at going
// first.

#include "files/WildcardPattern.h"
#include "platform/Trash.h"
#include "support/CardFiles.h"
#include "support/core/FakeMessageBox.h"
#include "support/TableRow.h"
#include "support/Timing.h"
#include "trimming/RecycleFile.h"
#include "trimming/TreeTrimPlan.h"
#include "trimming/TrimRun.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QLocale>
#include <QTemporaryDir>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

using namespace quorvel;
using namespace quorvel::bench;

namespace {

struct Card
{
    int folders = 20;
    int raws = 2000;   // a folder's RAW files
    int extras = 1500; // a folder's pictures shot without a RAW file

    int goners() const { return folders * raws / 4; }
    int filesPerFolder() const { return raws + (raws - raws / 4) + extras; }
    int firstNumber(int folder) const { return folder * (raws + extras); }
    // Every fourth RAW file has lost its picture.
    static bool goes(int index) { return index % 4 == 3; }
    QByteArray folder(const QByteArray &dcim, int folder) const
    {
        return dcim + '/' + QByteArray::number(100 + folder) + "NIKON";
    }

    bool make(const QByteArray &dcim) const
    {
        if (::mkdir(dcim.constData(), 0755) != 0 && errno != EEXIST)
            return false;
        for (int f = 0; f < folders; ++f) {
            const QByteArray path = folder(dcim, f);
            const int first = firstNumber(f);
            if (!CardFiles::make(path, "NEF", first, raws) ||
                !CardFiles::make(path, "JPG", first + raws, extras))
                return false;
            for (int i = 0; i < raws; ++i) {
                if (!goes(i) && !CardFiles::make(path, "JPG", first + i, 1))
                    return false;
            }
        }
        return true;
    }
};

qint64 monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The floor of the trim: each folder of the card read once, then for each
// file that goes an info file made in notes and the file renamed into
// files, in a folder beside the trash, where a disk places new files as it
// places the trash's. Which files go is known beforehand.
double trimFloor(const Card &card, const QByteArray &dcim, const QByteArray &trash)
{
    const QByteArray notes = trash + "/info";
    const QByteArray into = trash + "/files";
    ::mkdir(trash.constData(), 0700);
    ::mkdir(notes.constData(), 0700);
    ::mkdir(into.constData(), 0700);
    QList<QByteArray> from;
    QList<QByteArray> note;
    QList<QByteArray> to;
    for (int f = 0; f < card.folders; ++f) {
        for (int i = 0; i < card.raws; ++i) {
            if (!Card::goes(i))
                continue;
            const QByteArray name = CardFiles::name(card.firstNumber(f) + i, "NEF");
            from.append(card.folder(dcim, f) + '/' + name);
            note.append(notes + '/' + name + ".trashinfo");
            to.append(into + '/' + name);
        }
    }
    // About as long as a real info file.
    static const char text[] = "[Trash Info]\nPath=/media/someone/NIKON/DCIM/100NIKON/"
                               "DSC_000000.NEF\nDeletionDate=2026-12-07T10:00:00\n";

    QElapsedTimer timer;
    timer.start();
    long entries = 0;
    const auto readFolder = [&entries](const QByteArray &path) {
        DIR *dir = ::opendir(path.constData());
        if (!dir)
            return false;
        while (const dirent *entry = ::readdir(dir))
            entries += entry->d_name[0] != '.';
        ::closedir(dir);
        return true;
    };
    if (!readFolder(dcim))
        return -1;
    for (int f = 0; f < card.folders; ++f) {
        if (!readFolder(card.folder(dcim, f)))
            return -1;
    }
    for (qsizetype i = 0; i < from.size(); ++i) {
        const int fd = ::open(note[i].constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, text, sizeof text - 1) != ssize_t(sizeof text - 1) ||
            ::close(fd) != 0 || ::rename(from[i].constData(), to[i].constData()) != 0)
            return -1;
    }
    const double elapsed = millisecondsSince(timer);
    return entries == card.folders * (card.filesPerFolder() + 1) ? elapsed : -1;
}

// Ours: the whole card trimmed as the window and the command trim it, the
// folder pairs and what goes worked out, then each pair's RAW folder checked
// and its picture folder read again, and each file moved to the trash in one
// session, keeping where each went, as Undo Trim needs.
double trimOurs(const Card &card, const QByteArray &dcim, QString &problem)
{
    struct Counting : trimming::TrimRun::Observer
    {
        int failures = 0;
        void failed(const trimming::TreeTrimPlan::Pair &, const QByteArray &, bool, int) override
        {
            ++failures;
        }
        void folderFailed(const trimming::TreeTrimPlan::Pair &, const QString &, int) override
        {
            ++failures;
        }
    } observer;
    QElapsedTimer timer;
    timer.start();
    const QString root = QFile::decodeName(dcim);
    const trimming::TreeTrimPlan plan(root, root, files::WildcardPattern(QStringLiteral("*.jpg")),
                                      files::WildcardPattern(QStringLiteral("*.nef")), true, false);
    trimming::TrimRun run(plan, &trimming::recycleTarget);
    run.run(observer);
    const double elapsed = millisecondsSince(timer);
    if (int(plan.pairs().size()) != card.folders || !plan.skipped().empty() ||
        plan.filesToTrim() != card.goners() || int(run.trashed().size()) != card.goners() ||
        observer.failures != 0)
        problem = QStringLiteral("%1 folder pairs, %2 skipped, %3 to trim, %4 trashed, %5 failed")
                      .arg(plan.pairs().size())
                      .arg(plan.skipped().size())
                      .arg(plan.filesToTrim())
                      .arg(run.trashed().size())
                      .arg(observer.failures);
    return elapsed;
}

struct Process
{
    double milliseconds = -1; // process start to its end
    QByteArray output;
};

// Starts program with arguments, with the home and data folder given, and
// waits for its end, reading what it prints as a script would.
Process runProcess(const QByteArray &program, const QList<QByteArray> &arguments,
                   const QByteArray &home)
{
    std::vector<QByteArray> environment;
    for (char **variable = environ; *variable; ++variable) {
        const QByteArray entry(*variable);
        if (!entry.startsWith("HOME=") && !entry.startsWith("XDG_DATA_HOME="))
            environment.push_back(entry);
    }
    environment.push_back("HOME=" + home);
    environment.push_back("XDG_DATA_HOME=" + home + "/.local/share");
    std::vector<char *> envp;
    for (QByteArray &entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    QList<QByteArray> argumentCopies{program};
    argumentCopies.append(arguments);
    std::vector<char *> argv;
    for (QByteArray &argument : argumentCopies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    Process run;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    pid_t pid = 0;
    const qint64 started = monotonicNanoseconds();
    const int spawned =
        posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        std::fprintf(stderr, "could not start %s: %s\n", program.constData(),
                     std::strerror(spawned));
        return run;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got > 0)
            run.output.append(buffer, got);
        else if (got == 0 || errno != EINTR)
            break;
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const qint64 ended = monotonicNanoseconds();
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        run.milliseconds = double(ended - started) / 1e6;
    else
        std::fprintf(stderr, "%s ended with status %d\n", program.constData(), status);
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const bool quick = isQuick(application.arguments());
    Card card;
    if (quick) {
        card.folders = 3;
        card.raws = 200;
        card.extras = 150;
    }
    const int trimRuns = quick ? 1 : 4;
    const int processRuns = quick ? 2 : 21;

    QTemporaryDir root;
    if (!root.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    // The trash and the card on one filesystem, and never the user's own.
    const QByteArray base = QFile::encodeName(root.path());
    const QByteArray home = base + "/home";
    const QByteArray data = home + "/.local/share";
    for (const QByteArray &folder : {home, home + "/.local", data})
        ::mkdir(folder.constData(), 0700);
    qputenv("HOME", home);
    qputenv("XDG_DATA_HOME", data);
    const QByteArray trashFiles = data + "/Trash/files";
    const QLocale english(QLocale::English);
    const QString size =
        QStringLiteral("%1 folders x %2 files (%3 RAW, %4 to the trash)")
            .arg(english.toString(card.folders), english.toString(card.filesPerFolder()),
                 english.toString(card.folders * card.raws), english.toString(card.goners()));

    // The dry run first, on a card that stays as it is.
    const QByteArray dryCard = base + "/dry";
    const QByteArray dryDcim = dryCard + "/DCIM";
    ::mkdir(dryCard.constData(), 0755);
    if (!card.make(dryDcim)) {
        std::fprintf(stderr, "could not create the files\n");
        return 1;
    }
    const QList<QByteArray> dryRun{"trim", "--dry-run", "--subfolders", dryDcim};
    const QList<QByteArray> walk{dryDcim};
    const QByteArray quorvel(QUORVEL_PROGRAM);
    const QByteArray bareWalk(READDIR_TREE_PROGRAM);
    // First runs: pages and caches in, and the output checked.
    const Process firstDry = runProcess(quorvel, dryRun, home);
    const Process firstWalk = runProcess(bareWalk, walk, home);
    const QByteArray total = QByteArray::number(card.goners()) + " file(s) would go to the trash\n";
    const int expectedEntries = card.folders * (card.filesPerFolder() + 1);
    if (firstDry.milliseconds < 0 || !firstDry.output.endsWith(total) ||
        firstDry.output.count("would go: ") != card.goners() || firstWalk.milliseconds < 0 ||
        firstWalk.output.trimmed().toInt() != expectedEntries ||
        CardFiles::countEntries(card.folder(dryDcim, 0)) != card.filesPerFolder()) {
        std::fprintf(stderr, "the dry run or the bare walk did not see the card: %s / %s\n",
                     firstDry.output.right(200).constData(), firstWalk.output.constData());
        return 1;
    }
    std::vector<double> dry;
    std::vector<double> walks;
    std::vector<double> starts;
    std::vector<double> bareStarts;
    const QList<QByteArray> help{"trim", "--help"};
    const QByteArray emptyFolder = base + "/empty";
    ::mkdir(emptyFolder.constData(), 0755);
    for (int run = 0; run < processRuns; ++run) {
        const bool oursFirst = run % 2 == 0;
        const Process a =
            runProcess(oursFirst ? quorvel : bareWalk, oursFirst ? dryRun : walk, home);
        const Process b =
            runProcess(oursFirst ? bareWalk : quorvel, oursFirst ? walk : dryRun, home);
        const Process started = runProcess(quorvel, help, home);
        const Process bareStarted = runProcess(bareWalk, {emptyFolder}, home);
        if (a.milliseconds < 0 || b.milliseconds < 0 || started.milliseconds < 0 ||
            bareStarted.milliseconds < 0)
            return 1;
        dry.push_back(oursFirst ? a.milliseconds : b.milliseconds);
        walks.push_back(oursFirst ? b.milliseconds : a.milliseconds);
        starts.push_back(started.milliseconds);
        bareStarts.push_back(bareStarted.milliseconds);
    }
    if (CardFiles::countEntries(trashFiles) > 0) {
        std::fprintf(stderr, "the dry run moved files to the trash\n");
        return 1;
    }
    std::printf("quorvel trim --dry-run: %.1f ms; bare C walk: %.1f ms (medians of %d, "
                "alternating); start-up alone, quorvel trim --help: %.1f ms, the bare C "
                "program in an empty folder: %.2f ms\n",
                median(dry), median(walks), processRuns, median(starts), median(bareStarts));
    QDir(QFile::decodeName(dryCard)).removeRecursively();

    // The whole trim, on fresh twin cards each run.
    std::vector<double> trims;
    std::vector<double> floors;
    for (int run = 0; run < trimRuns; ++run) {
        const QByteArray ourCard = base + "/card" + QByteArray::number(run);
        const QByteArray floorCard = base + "/floor" + QByteArray::number(run);
        ::mkdir(ourCard.constData(), 0755);
        ::mkdir(floorCard.constData(), 0755);
        if (!card.make(ourCard + "/DCIM") || !card.make(floorCard + "/DCIM")) {
            std::fprintf(stderr, "could not create the files\n");
            return 1;
        }
        double trim = 0;
        double floor = 0;
        QString problem;
        const auto measureOurs = [&] { trim = trimOurs(card, ourCard + "/DCIM", problem); };
        const auto measureFloor = [&] {
            floor = trimFloor(card, floorCard + "/DCIM", data + "/FloorTrash");
        };
        if (run % 2 == 0) {
            measureOurs();
            measureFloor();
        } else {
            measureFloor();
            measureOurs();
        }
        const int inTrash = CardFiles::countEntries(trashFiles);
        if (problem.isEmpty() && inTrash != card.goners())
            problem = QStringLiteral("%1 files in the trash").arg(inTrash);
        if (problem.isEmpty() &&
            CardFiles::countEntries(card.folder(ourCard + "/DCIM", card.folders - 1)) !=
                card.filesPerFolder() - card.raws / 4)
            problem = QStringLiteral("the last folder was not trimmed as it should be");
        if (!problem.isEmpty() || floor < 0) {
            std::fprintf(stderr, "whole card, run %d: %s\n", run,
                         problem.isEmpty() ? "the floor could not be measured"
                                           : qPrintable(problem));
            return 1;
        }
        trims.push_back(trim);
        floors.push_back(floor);
        QDir(QFile::decodeName(ourCard)).removeRecursively();
        QDir(QFile::decodeName(floorCard)).removeRecursively();
        QDir(QFile::decodeName(data + "/Trash")).removeRecursively();
        QDir(QFile::decodeName(data + "/FloorTrash")).removeRecursively();
    }
    std::printf("Whole card: trim %.1f ms, floor %.1f ms (medians of %d)\n", median(trims),
                median(floors), trimRuns);

    TableRow whole;
    whole.what = QStringLiteral("Whole card trimmed, %1").arg(size);
    whole.setMilliseconds(median(trims), median(floors),
                          QStringLiteral("readdir of each folder + info file and rename"));
    whole.setRatioGoal(1.15);
    whole.print();

    TableRow dryRow;
    dryRow.what = QStringLiteral("quorvel trim --dry-run on that card, as a process, start-up "
                                 "included");
    dryRow.setMilliseconds(median(dry), median(walks),
                           QStringLiteral("bare C process reading each folder once"));
    dryRow.setRatioGoal(2.0);
    dryRow.print();

    // How much of that is loading the program: the same two beyond their own
    // start, ours with Qt Core's libraries, the bare walk's with libc's.
    TableRow beyondStart;
    beyondStart.what = QStringLiteral("quorvel trim --dry-run on that card, beyond its start-up "
                                      "(quorvel trim --help)");
    beyondStart.setMilliseconds(median(dry) - median(starts), median(walks) - median(bareStarts),
                                QStringLiteral("the bare C walk beyond its start"));
    beyondStart.setRatioGoal(1.5);
    beyondStart.print();
    return 0;
}
