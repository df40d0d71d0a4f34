#include "main_window/Program.h"
#include "trimming/CommandLineTrim.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QTextStream>
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
    char working[PATH_MAX];
    const QByteArray workingFolder = getcwd(working, sizeof working) ? working : "/";
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    QTextStream outText(&out);
    QTextStream errText(&err);
    quorvel::trimming::CommandLineTrim trim(outText, errText);
    return trim.run(arguments, workingFolder);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "trim") == 0)
        return runTrim(argc, argv);
    QApplication application(argc, argv);
    return quorvel::main_window::Program::run(application);
}
