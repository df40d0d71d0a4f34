#include "import/CommandLineImport.h"
#include "trimming/CommandLineTrim.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <optional>
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <unistd.h>

namespace {

// "quorvel trim" and "quorvel import" run over ssh and from cron, where
// there is no display: they are dispatched before anything of the windows is
// made, and take their arguments as the bytes the shell passed, since a
// folder's name need not be UTF-8.
template <typename Command> int runCommand(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QList<QByteArray> arguments;
    for (int i = 2; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    // Empty when the working folder was deleted under the shell: a
    // relative folder then means nothing, and is refused.
    char working[PATH_MAX];
    const QByteArray workingFolder =
        getcwd(working, sizeof working) ? QByteArray(working) : QByteArray();
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    Command command(out, err);
    return command.run(arguments, workingFolder);
}

// The windows live in a module of their own, opened here only when a window
// is wanted: linked in, their fifty-odd libraries (Qt Widgets and Gui,
// LibRaw, Exiv2, Little CMS, xcb...) were loaded before main() on every
// start, some 18 ms of each `quorvel trim` from a script. The module is
// looked for from the program's own file, never along a search path: beside
// it in the build folder, else where the install puts it, lib/quorvel/ as
// seen from bin/. Its entry is main_window/RunWindows.cpp.
int runWindows(int argc, char *argv[])
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        std::fprintf(stderr, "quorvel: the windows can't be opened: where is the program? %s\n",
                     std::strerror(errno));
        return 1;
    }
    const QByteArray program(self, length);
    const QByteArray beside = program.left(program.lastIndexOf('/') + 1);
    const QByteArray installed = beside + QUORVEL_WINDOWS_INSTALLED "/";
    QByteArray module;
    for (const QByteArray &folder : {beside, installed}) {
        if (access((folder + QUORVEL_WINDOWS_MODULE).constData(), F_OK) == 0) {
            module = folder + QUORVEL_WINDOWS_MODULE;
            break;
        }
    }
    if (module.isEmpty()) {
        std::fprintf(stderr,
                     "quorvel: the windows can't be opened: " QUORVEL_WINDOWS_MODULE
                     " is in neither %s nor %s\n",
                     installed.constData(), beside.constData());
        return 1;
    }
    // RTLD_NOW: a library missing a symbol fails here, with its name, rather
    // than in the middle of the windows. RTLD_LOCAL: nothing of it is seen by
    // what is loaded after it. Never closed: the windows' threads and exit
    // handlers live in it until the process ends.
    void *windows = dlopen(module.constData(), RTLD_NOW | RTLD_LOCAL);
    using Entry = int (*)(int, char **);
    const auto run =
        windows ? reinterpret_cast<Entry>(dlsym(windows, "quorvel_run_windows")) : nullptr;
    if (!run) {
        std::fprintf(stderr, "quorvel: the windows can't be opened: %s\n", dlerror());
        return 1;
    }
    return run(argc, argv);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "trim") == 0)
        return runCommand<quorvel::trimming::CommandLineTrim>(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "import") == 0)
        return runCommand<quorvel::import::CommandLineImport>(argc, argv);
    // Answered before any window is made, so that they need no display.
    if (argc > 1) {
        const std::optional<QByteArray> information =
            quorvel::trimming::CommandLineTrim::programInformation(argv[1]);
        if (information) {
            std::fwrite(information->constData(), 1, size_t(information->size()), stdout);
            return 0;
        }
    }
    return runWindows(argc, argv);
}
