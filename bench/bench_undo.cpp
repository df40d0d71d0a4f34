// How long "Undo Trim" takes to put 4,000 files back from the trash, next to
// the least that can be done for them, measured in the same run on the same
// volume: a bare rename(2) of 4,000 files and an unlink(2) of 4,000 small
// files, which is what putting a file back and dropping its record come to.
// Goal: at most 1.2 times that floor.

#include "platform/Trash.h"
#include "support/CardFiles.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/RecordingTrimHost.h"
#include "support/TableRow.h"
#include "support/Timing.h"
#include "trimming/UndoTrim.h"

#include <cstdio>
#include <fcntl.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::bench;

namespace {

// The floor: count files renamed from one folder into another, and as many
// small files of a third folder unlinked. Milliseconds.
double renameAndUnlink(const QByteArray &base, int count)
{
    const QByteArray from = base + "/from";
    const QByteArray to = base + "/to";
    const QByteArray notes = base + "/notes";
    ::mkdir(to.constData(), 0755);
    if (!CardFiles::make(from, "NEF", 0, count) || !CardFiles::make(notes, "info", 0, count))
        return -1;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        const QByteArray name = '/' + CardFiles::name(i, "NEF");
        if (::rename((from + name).constData(), (to + name).constData()) != 0)
            return -1;
        if (::unlink((notes + '/' + CardFiles::name(i, "info")).constData()) != 0)
            return -1;
    }
    return millisecondsSince(timer);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const bool quick = isQuick(application.arguments());
    const int count = quick ? 200 : 4000;
    const int runs = quick ? 1 : 7;

    std::vector<double> ours;
    std::vector<double> floor;
    for (int run = 0; run < runs; ++run) {
        // A card beside its own trash: the data home in the same scratch
        // folder keeps both on one volume, as the home trash is for a card
        // folder in the home.
        QTemporaryDir temp;
        const QByteArray base = QFile::encodeName(temp.path());
        qputenv("XDG_DATA_HOME", base + "/data");
        const QByteArray card = base + "/card";
        if (!temp.isValid() || !CardFiles::make(card, "NEF", 0, count)) {
            std::fprintf(stderr, "could not make the card\n");
            return 1;
        }
        std::vector<platform::TrashedFile> trashed(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            if (const int error = platform::moveToTrash(card + '/' + CardFiles::name(i, "NEF"),
                                                        trashed[size_t(i)])) {
                std::fprintf(stderr, "could not trash: error %d\n", error);
                return 1;
            }
        }

        const double floorMs = renameAndUnlink(base, count);
        // The window's part is timed elsewhere: here only the undo's own work counts.
        test::RecordingTrimHost host;
        host.recording = false;
        test::FakeMessageBox reports;
        QElapsedTimer timer;
        timer.start();
        const int restored = trimming::UndoTrim(host, reports).run(trashed);
        const double oursMs = millisecondsSince(timer);
        if (floorMs < 0 || restored != count || CardFiles::countEntries(card) != count) {
            std::fprintf(stderr, "undo put back %d of %d files: %s\n", restored, count,
                         qPrintable(reports.last().prompt));
            return 1;
        }
        floor.push_back(floorMs);
        ours.push_back(oursMs);
    }

    const double oursMs = median(ours);
    const double floorMs = median(floor);
    TableRow row;
    row.what = QStringLiteral("Undo Trim, %1 files put back from the trash")
                   .arg(QLocale(QLocale::English).toString(count));
    row.setMilliseconds(oursMs, floorMs, QStringLiteral("rename + unlink"));
    if (!quick) {
        row.goal = QStringLiteral("<= 1.2x floor");
        row.met = row.ratio <= 1.2;
    }
    row.print();
    return 0;
}
