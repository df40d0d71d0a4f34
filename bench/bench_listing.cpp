// How long a file list takes from a new Path to the names on screen, for a
// card of 10,000 and of 100,000 files (half NEF, half JPEG, listed with
// "*.nef"), next to the least any listing has to do: one bare readdir() pass
// over the same folder. Goal at 100,000 files: under 100 ms, and within 4
// times that floor.

#include "platform/HeapReuse.h"
#include "support/PaintCounter.h"
#include "support/TableRow.h"
#include "ui/FileListBox.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>
#include <unistd.h>
#include <vector>

using quorvel::bench::PaintCounter;
using quorvel::bench::TableRow;
using quorvel::ui::FileListBox;

namespace {

constexpr int runs = 5;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A camera card: DSC_00001.NEF, DSC_00001.JPG, ..., created in shuffled order
// so that the directory's own order is not already the sorted one.
bool fillCard(const QString &folder, int files)
{
    std::vector<int> order(files);
    for (int i = 0; i < files; ++i)
        order[i] = i;
    quint32 seed = 2463534242u;
    for (int i = files - 1; i > 0; --i) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        std::swap(order[i], order[seed % quint32(i + 1)]);
    }
    const QByteArray base = folder.toLocal8Bit();
    char name[64];
    for (int i : order) {
        std::snprintf(name, sizeof name, "/DSC_%05d.%s", i / 2, i % 2 ? "JPG" : "NEF");
        const int fd = ::open((base + name).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        ::close(fd);
    }
    return true;
}

// The floor: every entry of the folder read once, nothing else done with it.
double readdirPass(const QString &folder, int &entries)
{
    QElapsedTimer timer;
    timer.start();
    DIR *dir = ::opendir(folder.toLocal8Bit().constData());
    entries = 0;
    if (dir) {
        while (const dirent *entry = ::readdir(dir))
            entries += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

// Ours: Path written, the list read, sorted, laid out and painted.
double listAndShow(FileListBox &box, PaintCounter &counter, const QString &folder,
                   const QString &elsewhere)
{
    box.setPath(elsewhere);
    box.scrollToTop();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    const int paintsBefore = counter.paints;
    box.setPath(folder);
    while (counter.paints == paintsBefore)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    quorvel::platform::keepFreedHeapForReuse(); // as the program does when it starts
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const std::vector<int> sizes = quick ? std::vector<int>{1000} : std::vector<int>{10000, 100000};

    // Where the benchmark was started, as the program's lists start where it was.
    FileListBox box(QDir::currentPath());
    box.setPattern(QStringLiteral("*.nef"));
    box.resize(233, 227); // the list's size in the main window
    PaintCounter counter;
    box.viewport()->installEventFilter(&counter);
    box.show();
    QCoreApplication::processEvents();

    QTemporaryDir empty;
    bool sound = true;
    for (int files : sizes) {
        QTemporaryDir card;
        if (!card.isValid() || !empty.isValid() || !fillCard(card.path(), files)) {
            std::fprintf(stderr, "could not create %d files\n", files);
            return 1;
        }

        // Warm the caches and check the listing before timing it.
        int entries = 0;
        readdirPass(card.path(), entries);
        listAndShow(box, counter, card.path(), empty.path());
        if (entries != files || box.ListCount() != files / 2 ||
            box.List(0) != QStringLiteral("DSC_00000.NEF")) {
            std::fprintf(stderr, "wrong listing: %d entries, %d listed\n", entries,
                         box.ListCount());
            sound = false;
        }

        std::vector<double> ours;
        std::vector<double> floor;
        for (int run = 0; run < runs; ++run) {
            floor.push_back(readdirPass(card.path(), entries));
            ours.push_back(listAndShow(box, counter, card.path(), empty.path()));
        }
        const double oursMs = median(ours);
        const double floorMs = median(floor);
        TableRow row;
        row.what = QStringLiteral("File list, %1 files (half \"*.nef\"), listed and shown")
                       .arg(QLocale(QLocale::English).toString(files));
        row.setMilliseconds(oursMs, floorMs, QStringLiteral("readdir"));
        if (files == 100000) {
            row.goal = QStringLiteral("< 100 ms and <= 4x floor");
            row.met = oursMs < 100.0 && row.ratio <= 4.0;
        }
        row.print();
        std::fflush(stdout);
    }
    return sound ? 0 : 1;
}
