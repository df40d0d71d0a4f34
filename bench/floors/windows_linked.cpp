// The floor of the program's start with its windows opened from their module
// (bench_startup): the same windows linked into the program, as they were
// before they became a module, its main() the program's as it was then.
// Started the same way, timed the same way.

#include "main_window/Program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    return quorvel::main_window::Program::run(application);
}
