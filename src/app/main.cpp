#include "main_window/Program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    return quorvel::main_window::Program::run(application);
}
