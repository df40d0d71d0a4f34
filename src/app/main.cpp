#include "main_window/Program.h"
#include "trimming/CommandLineTrim.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <unistd.h>

namespace {

// "quorvel trim" runs over ssh and from cron, where there is no display: it
// is dispatched before anything of the windows is made, and takes its
// arguments as the bytes the shell passed, since a folder's name need not be
// UTF-8.
int runTrim(int argc, char *argv[])
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
    quorvel::trimming::CommandLineTrim trim(out, err);
    return trim.run(arguments, workingFolder);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "trim") == 0)
        return runTrim(argc, argv);
    // Answered before any window is made, so that they need no display.
    if (argc > 1) {
        const std::optional<QByteArray> information =
            quorvel::trimming::CommandLineTrim::programInformation(argv[1]);
        if (information) {
            std::fwrite(information->constData(), 1, size_t(information->size()), stdout);
            return 0;
        }
    }
    QApplication application(argc, argv);
    return quorvel::main_window::Program::run(application);
}
