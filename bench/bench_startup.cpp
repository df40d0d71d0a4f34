// Start-up and memory. How long the program takes from process start to its
// main window painted in an empty folder, next to the least any Qt program
// with a window costs: a bare QApplication showing an empty QMainWindow. What
// a card's folder of 100,000 files adds to that, next to reading the folder
// once for each side with bare readdir(). And how much memory it holds at
// most with 100,000 files listed on each side, next to its own start in an
// empty folder. Every floor is measured in the same run, in turns with ours.
//
// Both are timed as processes of their own, started by this benchmark as its
// own children, so that loading the libraries and everything else before
// main() counts. The child that stands for the program runs exactly what the
// program's windows run, Program::start() with the QApplication made as their
// entry makes it, on the offscreen platform; where the program would then wait for the
// user, the child notes the time of the window's first paint and ends. The
// program itself takes no arguments and reads no settings, so it keeps no
// switch of its own for this.
//
// The windows are a module the program opens at run time, and the child
// above has them linked in. One more row times the program itself, started
// as a user starts it, to the same first paint, next to a program that has
// the same windows linked in as the program had them before
// (floors/windows_linked.cpp): what the one adds to the other is what opening
// the module costs a window's start. Both are timed through a small library
// preloaded into them (preload/FirstPaintHook.cpp) that notes the time of the
// first paint and ends them.

#include "main_window/frmMain.h"
#include "main_window/Program.h"
#include "support/CardFiles.h"
#include "support/TableRow.h"
#include "support/Timing.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

using namespace quorvel;
using namespace quorvel::bench;

namespace {

qint64 monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// In the child: once window has painted, the time is written to stdout and
// the event loop ends.
class FirstPaint final : public QObject
{
public:
    explicit FirstPaint(QWidget *window) : m_window(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // The window paints itself first and its controls after it, in the
            // same pass; the zero timer runs once that pass is over.
            QTimer::singleShot(0, [] {
                std::printf("painted %lld\n", static_cast<long long>(monotonicNanoseconds()));
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget *m_window;
    bool m_seen = false;
};

int childProgram(int argc, char **argv)
{
    QApplication application(argc, argv);
    main_window::Program program;
    if (!program.start())
        return 2;
    FirstPaint painted(program.mainWindow());
    return application.exec();
}

// The bare window, and with one line of text in it: the least any window that
// shows a word costs, the font system's start and one line drawn included.
int childBare(int argc, char **argv, bool withText)
{
    QApplication application(argc, argv);
    QMainWindow window;
    if (withText)
        window.setCentralWidget(new QLabel(QStringLiteral("Quorvel")));
    window.show();
    FirstPaint painted(&window);
    return application.exec();
}

struct ChildRun
{
    double milliseconds = -1; // process start to first paint
    double peakMegabytes = 0; // peak resident set size
};

// Starts program with arguments, in folder, and waits for it to print when it
// painted. Its environment keeps it on the offscreen platform, with a home and
// runtime folder of its own, and preloads preload when given.
ChildRun runProcess(const char *program, const std::vector<const char *> &arguments,
                    const QByteArray &folder, const QByteArray &home,
                    const QByteArray &preload = {})
{
    std::vector<QByteArray> environment;
    for (char **variable = environ; *variable; ++variable) {
        const QByteArray entry(*variable);
        if (!entry.startsWith("QT_QPA_PLATFORM=") && !entry.startsWith("HOME=") &&
            !entry.startsWith("XDG_RUNTIME_DIR=") && !entry.startsWith("XDG_DATA_HOME=") &&
            !entry.startsWith("LD_PRELOAD="))
            environment.push_back(entry);
    }
    if (!preload.isEmpty())
        environment.push_back("LD_PRELOAD=" + preload);
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    environment.push_back("HOME=" + home);
    environment.push_back("XDG_RUNTIME_DIR=" + home + "/runtime");
    environment.push_back("XDG_DATA_HOME=" + home + "/.local/share");
    std::vector<char *> envp;
    for (QByteArray &entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, folder.constData());
    std::vector<char *> argv{const_cast<char *>(program)};
    for (const char *argument : arguments)
        argv.push_back(const_cast<char *>(argument));
    argv.push_back(nullptr);

    pid_t pid = 0;
    const qint64 started = monotonicNanoseconds();
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        std::fprintf(stderr, "could not start %s: %s\n", program, std::strerror(spawned));
        return {};
    }
    QByteArray output;
    char buffer[256];
    for (;;) {
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got > 0)
            output.append(buffer, got);
        else if (got == 0 || errno != EINTR)
            break;
    }
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);

    ChildRun run;
    const qsizetype at = output.indexOf("painted ");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || at < 0) {
        std::fprintf(stderr, "%s in %s failed (status %d): %s\n", program, folder.constData(),
                     status, output.constData());
        return run;
    }
    const qint64 painted = output.mid(at + 8).trimmed().toLongLong();
    run.milliseconds = double(painted - started) / 1e6;
    run.peakMegabytes = double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    return run;
}

// Starts this program again as the child named by mode.
ChildRun runChild(const char *self, const char *mode, const QByteArray &folder,
                  const QByteArray &home)
{
    return runProcess(self, {"--child", mode}, folder, home);
}

// A program started as a user starts it, with no argument, timed by the hook.
struct HookedProgram
{
    QByteArray program;
    QByteArray hook;

    ChildRun run(const QByteArray &folder, const QByteArray &home) const
    {
        return runProcess(program.constData(), {}, folder, home, hook);
    }
};

// The medians of several runs, each run taking every measurement once in
// turn, so that all of them see the machine alike.
struct Figures
{
    double emptyStart = 0;   // ours, in an empty folder
    double bareStart = 0;    // a bare window, in the same folder
    double textStart = 0;    // a bare window with a line of text, in the same folder
    double cardStart = 0;    // ours, in the card's folder
    double moduleStart = 0;  // the program itself, its windows' module opened, empty folder
    double linkedStart = 0;  // the same windows linked into a program, empty folder
    double listingFloor = 0; // two readdir() passes of the card's folder
    double emptyPeak = 0;
    double barePeak = 0;
    bool failed = false;
};

Figures measureStartUps(const char *self, const HookedProgram &program, const HookedProgram &linked,
                        const QByteArray &empty, const QByteArray &card, const QByteArray &home,
                        int runs)
{
    Figures figures;
    // First runs: pages and caches in.
    program.run(empty, home);
    linked.run(empty, home);
    runChild(self, "program", empty, home);
    runChild(self, "bare", empty, home);
    runChild(self, "text", empty, home);
    runChild(self, "program", card, home);
    std::vector<double> emptyStarts, bareStarts, textStarts, cardStarts, listings, emptyPeaks,
        barePeaks, moduleStarts, linkedStarts;
    for (int run = 0; run < runs; ++run) {
        // The two whose difference is a millisecond or so, in turns at going first.
        const bool moduleFirst = run % 2 == 0;
        const ChildRun first = (moduleFirst ? program : linked).run(empty, home);
        const ChildRun second = (moduleFirst ? linked : program).run(empty, home);
        const ChildRun &withModule = moduleFirst ? first : second;
        const ChildRun &withLinked = moduleFirst ? second : first;
        const ChildRun inEmpty = runChild(self, "program", empty, home);
        const ChildRun bare = runChild(self, "bare", empty, home);
        const ChildRun text = runChild(self, "text", empty, home);
        const ChildRun inCard = runChild(self, "program", card, home);
        // The least the program must do in the card's folder beyond its start
        // in an empty one: read the folder once for each side's list.
        const double listing = CardFiles::readdirPass(card) + CardFiles::readdirPass(card);
        if (inEmpty.milliseconds < 0 || bare.milliseconds < 0 || text.milliseconds < 0 ||
            inCard.milliseconds < 0 || withModule.milliseconds < 0 || withLinked.milliseconds < 0) {
            figures.failed = true;
            return figures;
        }
        emptyStarts.push_back(inEmpty.milliseconds);
        moduleStarts.push_back(withModule.milliseconds);
        linkedStarts.push_back(withLinked.milliseconds);
        bareStarts.push_back(bare.milliseconds);
        textStarts.push_back(text.milliseconds);
        cardStarts.push_back(inCard.milliseconds);
        listings.push_back(listing);
        emptyPeaks.push_back(inEmpty.peakMegabytes);
        barePeaks.push_back(bare.peakMegabytes);
    }
    figures.emptyStart = median(emptyStarts);
    figures.bareStart = median(bareStarts);
    figures.textStart = median(textStarts);
    figures.cardStart = median(cardStarts);
    figures.moduleStart = median(moduleStarts);
    figures.linkedStart = median(linkedStarts);
    figures.listingFloor = median(listings);
    figures.emptyPeak = median(emptyPeaks);
    figures.barePeak = median(barePeaks);
    return figures;
}

// Peak memory of ours in a folder whose files are all listed on each side.
double measurePeak(const char *self, const QByteArray &full, const QByteArray &home, int runs,
                   bool &failed)
{
    std::vector<double> peaks;
    for (int run = 0; run < runs; ++run) {
        const ChildRun inFull = runChild(self, "program", full, home);
        if (inFull.milliseconds < 0) {
            failed = true;
            return 0;
        }
        peaks.push_back(inFull.peakMegabytes);
    }
    return median(peaks);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
        if (std::strcmp(argv[2], "program") == 0)
            return childProgram(argc, argv);
        return childBare(argc, argv, std::strcmp(argv[2], "text") == 0);
    }

    QCoreApplication application(argc, argv);
    const bool quick = isQuick(application.arguments());
    const int files = quick ? 1000 : 100000;
    const int runs = quick ? 2 : 11;
    const QByteArray self = QFile::encodeName(QCoreApplication::applicationFilePath());
    const HookedProgram program{QUORVEL_PROGRAM, FIRST_PAINT_HOOK};
    const HookedProgram linked{WINDOWS_LINKED_PROGRAM, FIRST_PAINT_HOOK};

    QTemporaryDir root;
    if (!root.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QByteArray base = QFile::encodeName(root.path());
    const QByteArray home = base + "/home";
    const QByteArray empty = base + "/empty";
    const QByteArray card = base + "/card";
    const QByteArray full = base + "/full";
    for (const QByteArray &folder :
         {home, home + "/runtime", home + "/.local", home + "/.local/share", empty})
        ::mkdir(folder.constData(), 0700);
    // A card of pairs: half NEF, half JPEG, every file listed on one side. And
    // one with as many files again, so that each side lists them all.
    if (!CardFiles::make(card, "NEF", 0, files / 2) ||
        !CardFiles::make(card, "JPG", 0, files / 2) || !CardFiles::make(full, "NEF", 0, files) ||
        !CardFiles::make(full, "JPG", 0, files)) {
        std::fprintf(stderr, "could not create the files\n");
        return 1;
    }

    const QString count = QLocale(QLocale::English).toString(files);
    const QString half = QLocale(QLocale::English).toString(files / 2);
    std::printf("Start-up, process start to main window painted (offscreen); median of %d runs\n",
                runs);
    const Figures f = measureStartUps(self.constData(), program, linked, empty, card, home, runs);
    std::printf("(start-up in the card's folder: %.1f ms; bare readdir() pass: %.2f ms)\n",
                f.cardStart, f.listingFloor / 2);

    TableRow emptyStart;
    emptyStart.what = QStringLiteral("Start-up, empty folder");
    emptyStart.ours = TableRow::milliseconds(f.emptyStart);
    emptyStart.floor =
        TableRow::milliseconds(f.bareStart) + QStringLiteral(" (bare QApplication + QMainWindow)");
    emptyStart.ratio = f.emptyStart / f.bareStart;
    emptyStart.setRatioGoal(1.3);
    emptyStart.met = emptyStart.met && !f.failed;
    emptyStart.print();

    TableRow textStart = emptyStart;
    textStart.what =
        QStringLiteral("Start-up, empty folder, next to a window with one line of text");
    textStart.floor = TableRow::milliseconds(f.textStart) +
                      QStringLiteral(" (bare window + QLabel: the font system's start)");
    textStart.ratio = f.emptyStart / f.textStart;
    textStart.goal.clear();
    textStart.print();

    // The program as started, next to the same windows linked in: what
    // opening their module at run time adds to a window's start, for which
    // `quorvel trim` is spared loading their libraries.
    constexpr double moduleAllowance = 1.0;
    TableRow moduleStart;
    moduleStart.what =
        QStringLiteral("Start-up, empty folder, the program itself, its windows' module opened");
    const double added = f.moduleStart - f.linkedStart;
    moduleStart.ours = TableRow::milliseconds(f.moduleStart) +
                       QStringLiteral(" (%1%2)").arg(added < 0 ? QString() : QStringLiteral("+"),
                                                     TableRow::milliseconds(added));
    moduleStart.floor = TableRow::milliseconds(f.linkedStart) +
                        QStringLiteral(" (the windows linked into the program)");
    moduleStart.ratio = f.moduleStart / f.linkedStart;
    moduleStart.goal = QStringLiteral("<= floor + %1 ms").arg(moduleAllowance);
    moduleStart.met = !f.failed && added <= moduleAllowance;
    moduleStart.print();

    // What a card's folder adds to the start: its listing and the two lists
    // showing it, next to reading the folder once for each side.
    TableRow cardStart;
    cardStart.what =
        QStringLiteral("Start-up, %1 files (%2 listed each side), beyond the empty start")
            .arg(count, half);
    const double extra = f.cardStart - f.emptyStart;
    cardStart.ours = TableRow::milliseconds(extra);
    cardStart.floor = TableRow::milliseconds(f.listingFloor) +
                      QStringLiteral(" (2 readdir passes of the folder)");
    cardStart.ratio = extra / f.listingFloor;
    cardStart.setRatioGoal(1.5);
    cardStart.met = cardStart.met && !f.failed;
    cardStart.print();

    bool peakFailed = false;
    const double peak = measurePeak(self.constData(), full, home, quick ? 1 : 5, peakFailed);
    // The names themselves, not an object for each: the lists may hold at
    // most this much more than the program holds with nothing listed.
    constexpr double allowedMegabytes = 10;
    TableRow memory;
    memory.what = QStringLiteral("Peak memory, %1 files listed on each side").arg(count);
    memory.ours = TableRow::megabytes(peak) +
                  QStringLiteral(" (+%1)").arg(TableRow::megabytes(peak - f.emptyPeak));
    memory.floor = TableRow::megabytes(f.emptyPeak) + QStringLiteral(" (Quorvel, empty folder)");
    memory.ratio = peak / f.emptyPeak;
    memory.goal = QStringLiteral("<= floor + %1 MB").arg(allowedMegabytes);
    memory.met = !f.failed && !peakFailed && peak - f.emptyPeak <= allowedMegabytes;
    memory.print();

    TableRow bareMemory = memory;
    bareMemory.what = QStringLiteral("Peak memory, %1 files listed on each side, next to a bare "
                                     "window")
                          .arg(count);
    bareMemory.ours = TableRow::megabytes(peak);
    bareMemory.floor =
        TableRow::megabytes(f.barePeak) + QStringLiteral(" (bare QApplication + QMainWindow)");
    bareMemory.ratio = peak / f.barePeak;
    bareMemory.goal.clear();
    bareMemory.print();

    return f.failed || peakFailed ? 1 : 0;
}
