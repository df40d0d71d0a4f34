// How cost grows with the card: a file list listed and shown, and a whole
// trim through the main window, at 1,000, 10,000 and 100,000 files. Each
// tenfold step may cost about tenfold, no more: the row's floor is ten times
// the cost at the size before, measured in the same run, and the goal allows
// 1.25 times that (a sort's n log n and the caches outgrown on the way).
//
// The trims run on a card in memory (tmpfs) where there is one: on a disk,
// making each file's info file costs whatever the filesystem's journal is
// doing at the moment, from tens to hundreds of microseconds, which hides how
// the trim's own work grows. bench_trim times the trim on the disk.

#include "platform/HeapReuse.h"
#include "support/CardFiles.h"
#include "support/PaintCounter.h"
#include "support/TableRow.h"
#include "support/Timing.h"
#include "support/TrimScenario.h"
#include "ui/FileListBox.h"

#include <cstdio>
#include <linux/magic.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <sys/statfs.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::bench;

namespace {

constexpr double allowedGrowth = 1.25;

// A new Path on the list, up to the names painted. Milliseconds.
double listAndShow(ui::FileListBox &box, const PaintCounter &counter, const QString &folder,
                   const QString &elsewhere)
{
    box.setPath(elsewhere);
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    const int before = counter.paints;
    box.setPath(folder);
    while (counter.paints == before)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return millisecondsSince(timer);
}

// Half NEF, half JPEG, listed with "*.nef".
double listingCost(ui::FileListBox &box, const PaintCounter &counter, int files, int runs,
                   bool &right)
{
    QTemporaryDir card;
    QTemporaryDir empty;
    const QByteArray folder = QFile::encodeName(card.path());
    if (!card.isValid() || !empty.isValid() || !CardFiles::make(folder, "NEF", 0, files / 2) ||
        !CardFiles::make(folder, "JPG", 0, files / 2)) {
        right = false;
        return 0;
    }
    listAndShow(box, counter, card.path(), empty.path());
    right = right && box.ListCount() == files / 2;
    std::vector<double> times;
    for (int run = 0; run < runs; ++run)
        times.push_back(listAndShow(box, counter, card.path(), empty.path()));
    return median(times);
}

bool inMemory(const char *folder)
{
    struct statfs status
    {
    };
    return ::statfs(folder, &status) == 0 && status.f_type == TMPFS_MAGIC &&
           ::access(folder, W_OK) == 0;
}

// Runs the trims' temporary folders (card and trash) under memoryFolder, if any.
class TrimFolder
{
public:
    explicit TrimFolder(const QByteArray &memoryFolder)
        : m_saved(qgetenv("TMPDIR")), m_wasSet(qEnvironmentVariableIsSet("TMPDIR"))
    {
        if (!memoryFolder.isEmpty())
            qputenv("TMPDIR", memoryFolder);
    }
    ~TrimFolder()
    {
        if (m_wasSet)
            qputenv("TMPDIR", m_saved);
        else
            qunsetenv("TMPDIR");
    }
    TrimFolder(const TrimFolder &) = delete;
    TrimFolder &operator=(const TrimFolder &) = delete;

private:
    QByteArray m_saved;
    bool m_wasSet;
};

double trimCost(int raws, int runs, const QByteArray &memoryFolder, bool &right)
{
    const TrimFolder folder(memoryFolder);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const TrimScenario::Figures figures = TrimScenario::runOnce(raws, false);
        if (!figures.problem.isEmpty()) {
            std::fprintf(stderr, "trim of %d RAW files: %s\n", raws, qPrintable(figures.problem));
            right = false;
        }
        times.push_back(figures.trim);
    }
    return median(times);
}

void printGrowth(const QString &what, const std::vector<int> &sizes,
                 const std::vector<double> &costs, bool right)
{
    const QLocale english(QLocale::English);
    for (size_t i = 1; i < sizes.size(); ++i) {
        TableRow row;
        row.what = QStringLiteral("%1, %2 -> %3 files")
                       .arg(what, english.toString(sizes[i - 1]), english.toString(sizes[i]));
        const double step = double(sizes[i]) / sizes[i - 1];
        row.ours = TableRow::milliseconds(costs[i]);
        row.floor =
            TableRow::milliseconds(step * costs[i - 1]) +
            QStringLiteral(" (%1 x cost at %2)").arg(step).arg(english.toString(sizes[i - 1]));
        row.ratio = costs[i] / (step * costs[i - 1]);
        row.goal = QStringLiteral("<= %1x floor").arg(allowedGrowth);
        row.met = right && row.ratio <= allowedGrowth;
        row.print();
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    platform::keepFreedHeapForReuse(); // as the program does when it starts
    const bool quick = isQuick(application.arguments());
    const std::vector<int> sizes =
        quick ? std::vector<int>{100, 1000} : std::vector<int>{1000, 10000, 100000};

    // Where the benchmark was started, as the program's lists start where it was.
    ui::FileListBox box(QDir::currentPath());
    box.setPattern(QStringLiteral("*.nef"));
    box.resize(233, 227); // its size in the main window
    PaintCounter counter;
    box.viewport()->installEventFilter(&counter);
    box.show();
    QCoreApplication::processEvents();

    const QByteArray memoryFolder = inMemory("/dev/shm") ? QByteArray("/dev/shm") : QByteArray();
    std::printf("trims in %s\n", memoryFolder.isEmpty() ? "the temporary folder (no tmpfs found)"
                                                        : "/dev/shm (tmpfs)");
    bool right = true;
    std::vector<double> listing;
    std::vector<double> trim;
    for (const int files : sizes) {
        // Small sizes are quick and noisy: more runs for them.
        const int runs = quick ? 3 : files <= 1000 ? 41 : files <= 10000 ? 15 : 7;
        listing.push_back(listingCost(box, counter, files, runs, right));
        trim.push_back(trimCost(files, quick ? 1 : files <= 10000 ? 7 : 3, memoryFolder, right));
        std::printf("%d files: listing %.2f ms, trim %.1f ms\n", files, listing.back(),
                    trim.back());
        std::fflush(stdout);
    }
    printGrowth(QStringLiteral("Growth of listing and showing"), sizes, listing, right);
    printGrowth(memoryFolder.isEmpty() ? QStringLiteral("Growth of a whole trim")
                                       : QStringLiteral("Growth of a whole trim (card in tmpfs)"),
                sizes, trim, right);
    return right ? 0 : 1;
}
