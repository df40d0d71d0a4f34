#include "main_window/Program.h"

#include <QApplication>
#include <QtGlobal>

// The one name the windows' module shows. The program (src/app/main.cpp)
// opens the module and calls this only when a window is wanted, so that
// `quorvel trim` loads none of the windows' libraries. C linkage, so that it
// is found by this plain name; main.cpp declares the same signature, as no
// header may pass from here to there.
extern "C" Q_DECL_EXPORT int quorvel_run_windows(int argc, char **argv)
{
    // QApplication keeps a reference to argc: this one lives as long as it.
    QApplication application(argc, argv);
    return quorvel::main_window::Program::run(application);
}
