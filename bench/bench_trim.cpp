// A whole trim through the main window: 20,000 RAW files against 16,000
// pictures, 4,000 of them to go, from the click on "Trim files" through the
// question (answered Yes), the moves to the trash and the summary to both
// lists re-read and painted. Next to it, measured in the same run on an
// identical card, the floors of its parts: the folder listed twice with bare
// readdir() passes, and for each file that goes the least a desktop trash
// does, a small info file made and a rename. Goal: at most 1.15 times the sum
// of those floors. A row beside a bare rename alone, without the info file
// every trashed file needs, is shown for context: on a disk where making a
// small file costs ten renames it says more about the disk than about the trim.

#include "platform/HeapReuse.h"
#include "support/TableRow.h"
#include "support/Timing.h"
#include "support/TrimScenario.h"

#include <cstdio>
#include <QApplication>
#include <QLocale>

using namespace quorvel::bench;

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    quorvel::platform::keepFreedHeapForReuse(); // as the program does when it starts
    const bool quick = isQuick(application.arguments());
    const int raws = quick ? 500 : 20000;
    const int runs = quick ? 1 : 7;

    std::vector<double> trim;
    std::vector<double> trashing;
    std::vector<double> listing;
    std::vector<double> renames;
    std::vector<double> floors;
    std::vector<double> notes;
    std::vector<double> notedFloors;
    for (int run = 0; run < runs; ++run) {
        const TrimScenario::Figures figures = TrimScenario::runOnce(raws);
        if (!figures.problem.isEmpty()) {
            std::fprintf(stderr, "trim of %d RAW files: %s\n", raws, qPrintable(figures.problem));
            return 1;
        }
        trim.push_back(figures.trim);
        trashing.push_back(figures.trashing);
        listing.push_back(figures.listingFloor);
        renames.push_back(figures.renameFloor);
        floors.push_back(figures.listingFloor + figures.renameFloor);
        notes.push_back(figures.noteFloor);
        notedFloors.push_back(figures.listingFloor + figures.noteFloor);
    }

    const QLocale english(QLocale::English);
    std::printf("Floors: two readdir passes %.1f ms, rename of %d files %.1f ms, "
                "an info file and a rename for each %.1f ms (medians of %d)\n",
                median(listing), raws / 5, median(renames), median(notes), runs);
    std::printf("Of the trim, moving the files to the trash took %.1f ms\n", median(trashing));
    const double ours = median(trim);
    const double floor = median(floors);
    const QString what =
        QStringLiteral("Whole trim in the window, %1 RAW vs %2 pictures, %3 to the trash")
            .arg(english.toString(raws), english.toString(raws - raws / 5),
                 english.toString(raws / 5));
    TableRow noted;
    noted.what = what;
    noted.setMilliseconds(ours, median(notedFloors),
                          QStringLiteral("2 readdir passes + info file and rename"));
    noted.setRatioGoal(1.15);
    noted.print();

    TableRow row;
    row.what = what + QStringLiteral(", next to renames alone");
    row.setMilliseconds(ours, floor, QStringLiteral("2 readdir passes + rename"));
    row.print();
    return 0;
}
