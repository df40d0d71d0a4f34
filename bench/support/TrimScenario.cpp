#include "support/TrimScenario.h"

#include "files/VolumeTable.h"
#include "main_window/frmMain.h"
#include "platform/linux/XdgOpenLauncher.h"
#include "platform/MountedVolumes.h"
#include "support/CardFiles.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/RecordingRecycler.h"
#include "support/PaintCounter.h"
#include "support/Timing.h"
#include "ui/App.h"
#include "ui/CommandButton.h"
#include "ui/FileListBox.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace quorvel::bench {
namespace {

// Runs the event loop until the widget counted by counter has painted again.
bool waitForPaint(const PaintCounter &counter, int paintsBefore)
{
    QElapsedTimer timer;
    timer.start();
    while (counter.paints == paintsBefore) {
        if (timer.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace

TrimScenario::Figures TrimScenario::runOnce(int raws, bool withFloors)
{
    Figures figures;
    QTemporaryDir root;
    if (!root.isValid()) {
        figures.problem = QStringLiteral("no temporary folder");
        return figures;
    }
    const QByteArray base = QFile::encodeName(root.path());
    const QByteArray card = base + "/card";
    const QByteArray floorCard = base + "/floor";
    const QByteArray noteCard = base + "/noted";
    if (!CardFiles::makeTrimCard(card, raws) ||
        (withFloors &&
         (!CardFiles::makeTrimCard(floorCard, raws) || !CardFiles::makeTrimCard(noteCard, raws)))) {
        figures.problem = QStringLiteral("could not create the files");
        return figures;
    }
    const int goners = raws / 5;
    // Never the user's own trash.
    qputenv("XDG_DATA_HOME", base + "/data");

    // The floors first, on the twin card.
    if (withFloors) {
        figures.listingFloor =
            CardFiles::readdirPass(floorCard) + CardFiles::readdirPass(floorCard);
        figures.renameFloor = CardFiles::renameGoners(floorCard, base + "/renamed", raws);
        figures.noteFloor = CardFiles::noteAndRenameGoners(noteCard, base + "/notes",
                                                           base + "/noted-renamed", raws);
        if (figures.listingFloor <= 0 || figures.renameFloor < 0 || figures.noteFloor < 0) {
            figures.problem = QStringLiteral("the floors could not be measured");
            return figures;
        }
    }

    // The window opened on the card's folder, as the program opens when a user starts it there.
    test::FakeMessageBox messages;
    ui::App app = ui::App::fromBuild();
    files::VolumeTable volumes(platform::mountedVolumes());
    platform::XdgOpenLauncher launcher;
    test::RecordingRecycler recycler(messages);
    QSettings settings(QString::fromLocal8Bit(base + "/quorvel.ini"), QSettings::IniFormat);
    main_window::frmMain form(messages, volumes, app, launcher, recycler.function(), settings,
                              QFile::decodeName(card));
    form.Form_Load();
    form.show();
    PaintCounter counter;
    form.fb2->viewport()->installEventFilter(&counter);
    QCoreApplication::processEvents();

    if (form.fb2->ListCount() != raws || form.fb1->ListCount() != raws - goners) {
        figures.problem = QStringLiteral("the window listed %1 RAW files and %2 pictures")
                              .arg(form.fb2->ListCount())
                              .arg(form.fb1->ListCount());
        return figures;
    }

    messages.answer(platform::IDYES);
    QElapsedTimer timer;
    timer.start();
    const int paintsBefore = counter.paints;
    form.cmdQuorvel->click();
    const bool painted = waitForPaint(counter, paintsBefore);
    figures.trim = millisecondsSince(timer);
    figures.trashing = double(recycler.trashNanoseconds()) / 1e6;

    const QString summary = QStringLiteral("You have deleted %1 file(s)").arg(goners);
    const int trashed = CardFiles::countEntries(base + "/data/Trash/files");
    if (!painted)
        figures.problem = QStringLiteral("the refreshed list was never painted");
    else if (messages.count() == 0 || !messages.last().prompt.startsWith(summary))
        figures.problem = QStringLiteral("the trim ended without \"%1\"").arg(summary);
    else if (trashed != goners || form.fb2->ListCount() != raws - goners)
        figures.problem =
            QStringLiteral("%1 files in the trash, %2 RAW files listed after the trim")
                .arg(trashed)
                .arg(form.fb2->ListCount());
    return figures;
}

} // namespace quorvel::bench
