// Start-up and memory. How long the program takes from process start to its
// main window painted, started in an empty folder and in a card's folder of
// 100,000 files, and how much memory it holds at most with 100,000 files
// listed on each side; next to the least any Qt program with a window costs:
// a bare QApplication showing an empty QMainWindow, measured in the same run.
//
// Both are timed as processes of their own, started by this benchmark as its
// own children, so that loading the libraries and everything else before
// main() counts. The child that stands for the program runs exactly what the
// program runs, Program::start() with the QApplication made as main() makes
// it, on the offscreen platform; where the program would then wait for the
// user, the child notes the time of the window's first paint and ends. The
// program itself takes no arguments and reads no settings, so it keeps no
// switch of its own for this.

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

int childBare(int argc, char **argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.show();
    FirstPaint painted(&window);
    return application.exec();
}

struct ChildRun
{
    double milliseconds = -1; // process start to first paint
    double peakMegabytes = 0; // peak resident set size
};

// Starts this program again as the child named by mode, in folder, and waits
// for it. Its environment keeps it on the offscreen platform, with a home and
// runtime folder of its own.
ChildRun runChild(const char *self, const char *mode, const QByteArray &folder,
                  const QByteArray &home)
{
    std::vector<QByteArray> environment;
    for (char **variable = environ; *variable; ++variable) {
        const QByteArray entry(*variable);
        if (!entry.startsWith("QT_QPA_PLATFORM=") && !entry.startsWith("HOME=") &&
            !entry.startsWith("XDG_RUNTIME_DIR=") && !entry.startsWith("XDG_DATA_HOME="))
            environment.push_back(entry);
    }
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
    char childFlag[] = "--child";
    char *argv[] = {const_cast<char *>(self), childFlag, const_cast<char *>(mode), nullptr};

    pid_t pid = 0;
    const qint64 started = monotonicNanoseconds();
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        std::fprintf(stderr, "could not start %s: %s\n", self, std::strerror(spawned));
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
        std::fprintf(stderr, "%s child in %s failed (status %d): %s\n", mode, folder.constData(),
                     status, output.constData());
        return run;
    }
    const qint64 painted = output.mid(at + 8).trimmed().toLongLong();
    run.milliseconds = double(painted - started) / 1e6;
    run.peakMegabytes = double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    return run;
}

struct Comparison
{
    std::vector<double> ours;
    std::vector<double> floor;
    std::vector<double> oursPeak;
    std::vector<double> floorPeak;
    bool failed = false;
};

// Program and bare window in turns, so that both see the machine alike.
Comparison compare(const char *self, const QByteArray &folder, const QByteArray &home, int runs)
{
    Comparison c;
    runChild(self, "program", folder, home); // first run: pages and caches in
    runChild(self, "bare", folder, home);
    for (int run = 0; run < runs; ++run) {
        const ChildRun ours = runChild(self, "program", folder, home);
        const ChildRun floor = runChild(self, "bare", folder, home);
        if (ours.milliseconds < 0 || floor.milliseconds < 0) {
            c.failed = true;
            return c;
        }
        c.ours.push_back(ours.milliseconds);
        c.floor.push_back(floor.milliseconds);
        c.oursPeak.push_back(ours.peakMegabytes);
        c.floorPeak.push_back(floor.peakMegabytes);
    }
    return c;
}

TableRow startupRow(const QString &what, const Comparison &c, double goalMs)
{
    TableRow row;
    row.what = what;
    const double ours = median(c.ours);
    const double floor = median(c.floor);
    row.ours = TableRow::milliseconds(ours);
    row.floor =
        TableRow::milliseconds(floor) + QStringLiteral(" (bare QApplication + QMainWindow)");
    row.ratio = ours / floor;
    row.goal = QStringLiteral("< %1 ms").arg(goalMs);
    row.met = !c.failed && ours < goalMs;
    return row;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
        if (std::strcmp(argv[2], "program") == 0)
            return childProgram(argc, argv);
        return childBare(argc, argv);
    }

    QCoreApplication application(argc, argv);
    const bool quick = isQuick(application.arguments());
    const int files = quick ? 1000 : 100000;
    const int runs = quick ? 2 : 11;
    const QByteArray self = QFile::encodeName(QCoreApplication::applicationFilePath());

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
    std::printf("Start-up, process start to main window painted (offscreen); median of %d runs\n",
                runs);
    const Comparison inEmpty = compare(self.constData(), empty, home, runs);
    startupRow(QStringLiteral("Start-up, empty folder"), inEmpty, 40).print();
    const Comparison inCard = compare(self.constData(), card, home, runs);
    startupRow(QStringLiteral("Start-up, folder of %1 files (half listed each side)").arg(count),
               inCard, 150)
        .print();

    const Comparison inFull = compare(self.constData(), full, home, quick ? 1 : 5);
    TableRow memory;
    memory.what = QStringLiteral("Peak memory, %1 files listed on each side").arg(count);
    const double peak = median(inFull.oursPeak);
    const double floorPeak = median(inFull.floorPeak);
    memory.ours = TableRow::megabytes(peak);
    memory.floor =
        TableRow::megabytes(floorPeak) + QStringLiteral(" (bare QApplication + QMainWindow)");
    memory.ratio = peak / floorPeak;
    memory.goal = QStringLiteral("< 60 MB");
    memory.met = !inFull.failed && peak < 60;
    memory.print();
    std::printf("(start-up with %s files on each side: %.1f ms)\n", qPrintable(count),
                median(inFull.ours));

    return inEmpty.failed || inCard.failed || inFull.failed ? 1 : 0;
}
