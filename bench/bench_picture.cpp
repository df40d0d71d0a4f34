// How long the viewer takes from a Tag to the picture on screen, for camera
// JPEGs of 24 and 45 megapixels, next to the least any display of them has to
// do: libjpeg decoding the file at the smallest of its scales (n/8) that still
// fills the box, which for a camera's pictures is 1/8, and which still reads
// and entropy-decodes every byte. Goal: within 1.15 times that floor.

#include "platform/HeapReuse.h"
#include "platform/MessageBox.h"
#include "support/BareJpeg.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/RecordingRecycler.h"
#include "support/gui/Photograph.h"
#include "support/TableRow.h"
#include "support/Timing.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "viewer/dlgShowPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <vector>

using namespace quorvel;
using quorvel::bench::TableRow;
using quorvel::test::photograph;

namespace {

struct Case
{
    const char *what;
    QSize size;
};

// The box the viewer shows a picture in, in pixels at 15 twips each.
constexpr double boxPixels = 8000.0 / 15.0;

// libjpeg's smallest scale, in eighths, that leaves the picture at least as
// large as the box.
int eighthsToFill(QSize size)
{
    const double reduction = std::max(size.width(), size.height()) / boxPixels;
    return std::clamp(int(std::ceil(8 / reduction)), 1, 8);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    platform::keepFreedHeapForReuse(); // as the program does when it starts
    const bool quick = bench::isQuick(QCoreApplication::arguments());

    const std::vector<Case> cases = quick ? std::vector<Case>{{"2 MP JPEG", QSize(1728, 1152)}}
                                          : std::vector<Case>{{"24 MP JPEG", QSize(6000, 4000)},
                                                              {"45 MP JPEG", QSize(8256, 5504)}};
    const int runs = quick ? 5 : 9;

    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }

    test::FakeMessageBox messages;
    // Nothing is deleted here; should anything be, nothing moves.
    test::RecordingRecycler recycler;
    viewer::dlgShowPicture dialog(messages, recycler.function(), [] {});
    dialog.show();

    std::printf("Picture display, from Tag to picture shown; median of %d runs\n", runs);
    bool allShown = true;
    QString largest;
    for (const Case &c : cases) {
        const QString path = folder.filePath(QStringLiteral("DSC_%1.jpg").arg(c.size.width()));
        if (!photograph(c.size).save(path, "JPEG", 90)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
        const QByteArray nativePath = QFile::encodeName(path);
        const int eighths = eighthsToFill(c.size);

        // One of each first, so plug-ins and the file's pages are in memory.
        dialog.setTag(path);
        dialog.showPicture(dialog.Tag());
        bench::decodeJpegBare(nativePath, eighths);

        std::vector<double> ours;
        std::vector<double> floor;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            dialog.setTag(path);
            dialog.showPicture(dialog.Tag());
            dialog.Image1->repaint();
            ours.push_back(bench::millisecondsSince(timer));

            timer.start();
            bench::decodeJpegBare(nativePath, eighths);
            floor.push_back(bench::millisecondsSince(timer));
        }
        const bool shown = dialog.Label1->Caption().isEmpty() && dialog.Image1->Visible() &&
                           !dialog.Image1->Rendition().isNull();
        allShown = allShown && shown;
        TableRow row;
        row.what = QStringLiteral("Picture shown, %1 (%2x%3, %4 MB)")
                       .arg(QLatin1String(c.what))
                       .arg(c.size.width())
                       .arg(c.size.height())
                       .arg(double(QFile(path).size()) / 1e6, 0, 'f', 1);
        row.setMilliseconds(median(ours), median(floor),
                            QStringLiteral("libjpeg decode at %1/8").arg(eighths));
        row.goal = QStringLiteral("<= 1.15x floor");
        row.met = row.ratio <= 1.15;
        row.print();
        largest = QStringLiteral("%1: %2 (shown at %3 x %4 px, %5 KB decoded)")
                      .arg(QLatin1String(c.what))
                      .arg(shown ? QStringLiteral("displays") : QStringLiteral("DOES NOT DISPLAY"))
                      .arg(dialog.Image1->Rendition().width())
                      .arg(dialog.Image1->Rendition().height())
                      .arg(dialog.Image1->Rendition().sizeInBytes() / 1024);
    }
    std::printf("%s\n", qPrintable(largest));
    return allShown ? 0 : 1;
}
