// How much marking what a trim would take adds to a change of the RAW
// pattern: a card of 50,000 RAW files and 40,000 pictures in one folder, the
// RAW pattern switched from "*.cr2 (Canon)" (nothing listed) to "*.nef
// (Nikon)" in the real main window. The floor, measured in the same run, is
// the same switch with the listing alone: the handler run without the marks
// that follow it. Goal: at most 1.2 times that floor.

#include "files/VolumeTable.h"
#include "main_window/frmMain.h"
#include "platform/HeapReuse.h"
#include "platform/linux/XdgOpenLauncher.h"
#include "platform/MountedVolumes.h"
#include "support/CardFiles.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/RecordingRecycler.h"
#include "support/TableRow.h"
#include "support/Timing.h"
#include "ui/ComboBox.h"
#include "ui/FileListBox.h"

#include <cstdio>
#include <QApplication>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>

using namespace quorvel;
using namespace quorvel::bench;

namespace {

// Puts entry into the RAW pattern box. As the user does, through the box's
// Click, the marks follow; otherwise the handler runs on its own, and only
// the listing is done.
double switchTo(main_window::frmMain &form, const QString &entry, bool asTheUserDoes)
{
    const int index = form.ComboRaw->findText(entry);
    QElapsedTimer timer;
    form.ComboRaw->setCurrentIndex(index);
    timer.start();
    if (asTheUserDoes)
        emit form.ComboRaw->activated(index);
    else
        form.ComboRaw_Click();
    return millisecondsSince(timer);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    platform::keepFreedHeapForReuse(); // as the program does when it starts
    const bool quick = isQuick(application.arguments());
    const int raws = quick ? 5000 : 50000;
    const int pictures = raws / 5 * 4;
    const int runs = quick ? 3 : 15;

    QTemporaryDir temp;
    const QByteArray card = QFile::encodeName(temp.filePath(QStringLiteral("card")));
    if (!temp.isValid() || !CardFiles::make(card, "NEF", 0, raws) ||
        !CardFiles::make(card, "JPG", 0, pictures)) {
        std::fprintf(stderr, "could not make the card\n");
        return 1;
    }

    test::FakeMessageBox messages;
    // Nothing is trimmed here; should anything be, nothing moves.
    test::RecordingRecycler recycler;
    const ui::App app = ui::App::fromBuild();
    files::VolumeTable volumes(platform::mountedVolumes());
    platform::XdgOpenLauncher launcher;
    QSettings settings(temp.filePath(QStringLiteral("quorvel.ini")), QSettings::IniFormat);
    main_window::frmMain form(messages, volumes, app, launcher, recycler.function(), settings,
                              QFile::decodeName(card));
    form.Form_Load();

    std::vector<double> ours;
    std::vector<double> floor;
    bool sound = true;
    for (int run = 0; run < runs; ++run) {
        // Each switch starts from an empty RAW list, so the marks are made
        // anew for all 50,000 files every time.
        switchTo(form, QStringLiteral("*.cr2 (Canon)"), true);
        floor.push_back(switchTo(form, QStringLiteral("*.nef (Nikon)"), false));
        switchTo(form, QStringLiteral("*.cr2 (Canon)"), true);
        ours.push_back(switchTo(form, QStringLiteral("*.nef (Nikon)"), true));
        sound = sound && form.fb2->ListCount() == raws &&
                int(form.fb2->markedRows().size()) == raws - pictures;
    }
    if (!sound) {
        std::fprintf(stderr, "wrong marks: %d listed, %d marked\n", form.fb2->ListCount(),
                     int(form.fb2->markedRows().size()));
        return 1;
    }

    const double oursMs = median(ours);
    const double floorMs = median(floor);
    const QLocale english(QLocale::English);
    TableRow row;
    row.what = QStringLiteral("RAW pattern changed, %1 RAW files against %2 pictures, with the "
                              "marks of what a trim takes")
                   .arg(english.toString(raws), english.toString(pictures));
    row.setMilliseconds(oursMs, floorMs, QStringLiteral("the listing alone"));
    if (!quick) {
        row.goal = QStringLiteral("<= 1.2x floor");
        row.met = row.ratio <= 1.2;
    }
    row.print();
    return 0;
}
