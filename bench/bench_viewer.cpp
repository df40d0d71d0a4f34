// How the viewer keeps up with a photographer culling a card: a folder of
// camera JPEGs of 24 megapixels, each with the thumbnail a camera puts in its
// Exif block, browsed with the keys as a user would. Every figure stands
// next to a floor measured in this run on the same files: libjpeg decoding
// them bare, a bare repaint of a decoded picture, the resident memory at the
// first picture. The viewer is then opened from the main window on a card
// of 50,000 pictures and 50,000 RAW files, where a key must cost the main
// window nothing and a rejection no new reading of the card: the floor of a
// rejection is the trash's own time for the file.

#include "culling/DecodeAheadPlan.h"
#include "files/FileNames.h"
#include "files/VolumeTable.h"
#include "main_window/BrowsedFileList.h"
#include "main_window/frmMain.h"
#include "pictures/EmbeddedThumbnail.h"
#include "pictures/PictureCache.h"
#include "pictures/PictureFocus.h"
#include "platform/HeapReuse.h"
#include "platform/linux/XdgOpenLauncher.h"
#include "platform/MessageBox.h"
#include "platform/MountedVolumes.h"
#include "support/BareJpeg.h"
#include "support/CardFiles.h"
#include "support/core/CameraFiles.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/RecordingRecycler.h"
#include "support/gui/ExifFields.h"
#include "support/gui/FocusAreas.h"
#include "support/gui/Photograph.h"
#include "support/TableRow.h"
#include "support/Timing.h"
#include "ui/App.h"
#include "ui/CommandButton.h"
#include "ui/FileListBox.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/TextBox.h"
#include "viewer/ActualPixels.h"
#include "viewer/dlgShowPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <exiv2/exiv2.hpp>
#include <QApplication>
#include <QColorSpace>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <unistd.h>
#include <vector>

using namespace quorvel;
using quorvel::bench::millisecondsSince;
using quorvel::bench::TableRow;
using quorvel::test::FakeMessageBox;
using quorvel::test::jpegOf;
using quorvel::test::photograph;

namespace {

// The JPEG with a 160 x 120 Exif thumbnail, written by Exiv2 as a camera's
// would be.
QByteArray withThumbnail(const QByteArray &jpeg, const QImage &picture)
{
    const QByteArray thumbnail =
        jpegOf(picture.scaled(160, 120, Qt::KeepAspectRatio, Qt::SmoothTransformation), 80);
    auto image = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(jpeg.constData()),
                                           long(jpeg.size()));
    image->readMetadata();
    Exiv2::ExifThumb(image->exifData())
        .setJpegThumbnail(reinterpret_cast<const Exiv2::byte *>(thumbnail.constData()),
                          long(thumbnail.size()));
    image->writeMetadata();
    Exiv2::BasicIo &io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    const Exiv2::DataBuf bytes = io.read(long(io.size()));
    return QByteArray(reinterpret_cast<const char *>(bytes.pData_), int(bytes.size_));
}

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / 1e6;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(std::ceil(fraction * values.size())) - 1)];
}

// Runs the event loop until done() or timeoutMs, asleep between events as
// the program's own loop is: what done() looks at changes only with an
// event. processEvents() given a time never sleeps: it polled, and took a
// core of the two from the decoders it was waiting for.
template <typename Done> bool waitFor(Done done, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(timeoutMs);
    while (!done()) {
        if (timer.elapsed() >= timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Records what the picture control paints: which file, and whether only its
// thumbnail stood in.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(viewer::dlgShowPicture &dialog) : m_dialog(dialog)
    {
        dialog.Image1->installEventFilter(this);
    }
    struct Paint
    {
        qint64 at;
        QString path;
        bool standIn;
    };
    QElapsedTimer clock;
    std::vector<Paint> paints;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && clock.isValid() && m_dialog.Image1->Visible())
            paints.push_back({clock.nsecsElapsed(), m_dialog.shownPath(), m_dialog.showsStandIn()});
        return false;
    }

private:
    viewer::dlgShowPicture &m_dialog;
};

// The time this thread has spent on a core: the work a key costs the GUI
// thread, whatever the decoders on the other cores do meanwhile.
double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct OneToOne
{
    std::vector<double> ours;
    std::vector<double> floor;
    // The status line once the last whole decode was painted.
    QString status;
    bool allShown = true;
};

// Z on the next picture, looked at for a moment, until its whole decode is
// painted, runs + 1 times (the first warms up); beside each, libjpeg's whole
// decode of the same file once the decodes ahead have settled.
OneToOne timeOneToOne(viewer::dlgShowPicture &dialog, int runs, int dwellMs, bool quick)
{
    OneToOne times;
    auto *view = dialog.findChild<viewer::ActualPixels *>();
    for (int run = 0; run <= runs; ++run) {
        QTest::keyClick(dialog.OKButton, Qt::Key_Right);
        waitFor([&] { return dialog.shownPath() == dialog.Tag() && !dialog.showsStandIn(); });
        waitFor([] { return false; }, dwellMs);
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(dialog.OKButton, Qt::Key_Z);
        const bool whole = waitFor([&] { return view->showsWholeDecode(); }, 60000);
        view->repaint();
        const double ours = millisecondsSince(timer);
        times.allShown = times.allShown && whole;
        times.status = dialog.lblStatus->Caption();
        QTest::keyClick(dialog.OKButton, Qt::Key_Z);
        // Back from one to one the viewer decodes ahead again: the floor
        // is measured once that has settled, as Z stopped it for ours.
        waitFor([] { return false; }, quick ? 500 : 1000);
        timer.start();
        bench::decodeJpegBare(QFile::encodeName(dialog.Tag()), 8);
        if (run > 0) {
            times.ours.push_back(ours);
            times.floor.push_back(millisecondsSince(timer));
        }
    }
    return times;
}

// Z on pictures that record where the camera focused (Exif.Photo.SubjectArea,
// a point left of and below the middle, written by Exiv2), in a viewer of
// their own: one to one opens there, decoded whole. The status line says
// where it opened.
bool zAtTheFocusPoint(bool quick, QSize size, const std::vector<QByteArray> &variants, int runs,
                      int dwellMs)
{
    QTemporaryDir folder;
    if (!folder.isValid())
        return false;
    const test::ExifFields point{
        {"Exif.Photo.SubjectArea",
         QStringLiteral("%1 %2").arg(size.width() * 3 / 10).arg(size.height() * 65 / 100)}};
    for (int i = 0; i < runs + 3; ++i) {
        QFile file(folder.filePath(QStringLiteral("DSC_%1.JPG").arg(i, 4, 10, QChar('0'))));
        const QByteArray bytes = test::withExifFields(variants[size_t(i) % variants.size()], point);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
    }
    FakeMessageBox messages;
    test::RecordingRecycler recycler;
    ui::FileListBox list(folder.path());
    list.setPattern(QStringLiteral("*.JPG"));
    list.setPath(folder.path());
    viewer::dlgShowPicture dialog(messages, recycler.function(), [] {});
    dialog.setBrowsedList(std::make_unique<main_window::BrowsedFileList>(&list, &list));
    list.setListIndex(0);
    dialog.setTag(files::joinPath(list.Path(), list.FileName()));
    dialog.show();
    const OneToOne times = timeOneToOne(dialog, runs, dwellMs, quick);
    dialog.hide();

    TableRow row;
    row.what = QStringLiteral("Viewer, Z at the focus point (%1 MP)")
                   .arg(size.width() * size.height() / 1000000);
    row.setMilliseconds(bench::median(times.ours), bench::median(times.floor),
                        QStringLiteral("libjpeg whole"));
    row.goal = QStringLiteral("<= 1.5x floor");
    row.met = row.ratio <= 1.5;
    row.print();
    std::printf("  status line after Z: %s\n", qPrintable(times.status));
    return times.allShown;
}

// Opens the viewer from the main window on a card of names pictures and as
// many RAW files, moves through some real pictures among them, and rejects
// a few. False when a picture never showed or the lists went wrong.
bool culledFromTheMainWindow(bool quick, const std::vector<QByteArray> &variants)
{
    const int names = quick ? 2000 : 50000;
    const int browsed = quick ? 6 : 40;
    const int rejects = quick ? 3 : 15;
    const int dwellMs = quick ? 100 : 300;
    const int first = names / 2;
    QTemporaryDir temp;
    const QByteArray card = QFile::encodeName(temp.filePath(QStringLiteral("card")));
    if (!temp.isValid() || !bench::CardFiles::make(card, "NEF", 0, names) ||
        !bench::CardFiles::make(card, "JPG", 0, names)) {
        std::fprintf(stderr, "could not make the card\n");
        return false;
    }
    // The pictures looked at are real ones; the rest of the card only names.
    const auto pathOf = [&card](int number) {
        return QFile::decodeName(card + '/' + bench::CardFiles::name(number, "JPG"));
    };
    for (int i = 0; i <= browsed + rejects; ++i) {
        QFile file(pathOf(first + i));
        const QByteArray &bytes = variants[size_t(i) % variants.size()];
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(file.fileName()));
            return false;
        }
    }

    // A rejection asks nothing; were anything asked, No leaves every file alone.
    FakeMessageBox messages;
    test::RecordingRecycler recycler(messages); // the real trash, timed
    const ui::App app = ui::App::fromBuild();
    files::VolumeTable volumes(platform::mountedVolumes());
    platform::XdgOpenLauncher launcher;
    QSettings settings(temp.filePath(QStringLiteral("quorvel.ini")), QSettings::IniFormat);
    main_window::frmMain form(messages, volumes, app, launcher, recycler.function(), settings,
                              QFile::decodeName(card));
    form.Form_Load();
    form.show();
    if (form.fb1->ListCount() != names || form.fb2->ListCount() != names) {
        std::fprintf(stderr, "the card lists %d and %d\n", form.fb1->ListCount(),
                     form.fb2->ListCount());
        return false;
    }

    bool sound = true;
    std::vector<double> next;
    std::vector<double> bareRepaint;
    std::vector<double> keyWork;
    std::vector<double> rejectOurs;
    std::vector<double> rejectTrash;
    QTimer::singleShot(0, [&] {
        viewer::dlgShowPicture &dialog = *form.viewer();
        viewer::dlgShowPicture *shown = &dialog;
        const auto landed = [shown](const QString &path) {
            return waitFor(
                [shown, path] { return shown->shownPath() == path && !shown->showsStandIn(); });
        };
        sound = landed(pathOf(first));
        for (int i = 1; i < browsed && sound; ++i) {
            waitFor([] { return false; }, dwellMs);
            QElapsedTimer timer;
            timer.start();
            dialog.Image1->repaint();
            bareRepaint.push_back(millisecondsSince(timer));
            timer.start();
            const double cpuBefore = threadCpuMilliseconds();
            QTest::keyClick(dialog.OKButton, Qt::Key_Right);
            keyWork.push_back(threadCpuMilliseconds() - cpuBefore);
            sound = landed(pathOf(first + i));
            dialog.Image1->repaint();
            next.push_back(millisecondsSince(timer));
        }
        for (int r = 0; r < rejects && sound; ++r) {
            sound = landed(dialog.Tag());
            const qint64 trashBefore = recycler.trashNanoseconds();
            QElapsedTimer timer;
            timer.start();
            QTest::keyClick(dialog.OKButton, Qt::Key_Delete);
            rejectOurs.push_back(millisecondsSince(timer));
            rejectTrash.push_back(double(recycler.trashNanoseconds() - trashBefore) / 1e6);
            sound = sound && form.fb1->ListCount() == names - r - 1 &&
                    form.txtNoFiles1->Text() == QString::number(names - r - 1);
        }
        dialog.hide();
    });
    form.fb1->setListIndex(first);
    emit form.fb1->DblClick(); // as the user opens it, through the handler's guard
    // Each picture rejected has left its RAW file without a picture: one
    // more to trim, marked once the viewer has closed.
    sound = sound && int(form.fb2->markedRows().size()) == rejects;
    if (!sound) {
        std::fprintf(stderr, "the viewer over the main window went wrong: %d listed, %d marked\n",
                     form.fb1->ListCount(), int(form.fb2->markedRows().size()));
        return false;
    }

    const QString card50k = QLocale(QLocale::English).toString(names);
    TableRow row;
    row.what = QStringLiteral("Viewer from the main window, %1 names each side: next picture "
                              "after %2 ms, median")
                   .arg(card50k)
                   .arg(dwellMs);
    row.setMilliseconds(bench::median(next), bench::median(bareRepaint),
                        QStringLiteral("bare repaint"));
    row.goal = QStringLiteral("<= 16 ms");
    row.met = bench::median(next) <= 16;
    row.print();

    const double worstKey = *std::max_element(keyWork.begin(), keyWork.end());
    row.what = QStringLiteral("Viewer from the main window, %1 names each side: UI-thread work "
                              "per key (its CPU time), median (worst %2 ms)")
                   .arg(card50k)
                   .arg(worstKey, 0, 'f', 2);
    row.ours = TableRow::microseconds(bench::median(keyWork) * 1000);
    row.floor = QString();
    row.ratio = 0;
    row.goal = QStringLiteral("<= 1 ms");
    row.met = bench::median(keyWork) <= 1;
    row.print();

    row = TableRow();
    row.what = QStringLiteral("Viewer from the main window, %1 names each side: a rejection, "
                              "median of %2")
                   .arg(card50k)
                   .arg(rejects);
    row.setMilliseconds(bench::median(rejectOurs), bench::median(rejectTrash),
                        QStringLiteral("the trash's own time"));
    row.goal = QStringLiteral("<= 1.2x floor");
    row.met = row.ratio <= 1.2;
    row.print();
    return true;
}

// Reading the focus point, on the first picture's decode: pictures that
// record none, so that each decode looks for its RAW file and reads the AF
// fields there (a small DNG with a Nikon maker's note), against the same
// decode without the focus point (LoadPicture and render, as the decode was
// before). Each picture both ways, back to back, the two taking turns to go
// first: the ratio is the median of each picture's own, which a machine
// busy with other work moves less than it moves either time. A picture's
// own fields come from the parse its colour space needs already; the focus
// point's reading alone is timed beside.
bool focusReading(bool quick, const QStringList &paths)
{
    QTemporaryDir raws;
    if (!raws.isValid())
        return false;
    const QSize preview(160, 120);
    const QByteArray raw = test::withExifFields(
        test::minimalDng(jpegOf(photograph(preview), 80), preview, 1), test::nikonAfFields());
    for (const QString &path : paths) {
        QFile file(QDir(raws.path()).filePath(QFileInfo(path).completeBaseName() + ".NEF"));
        if (!file.open(QIODevice::WriteOnly) || file.write(raw) != raw.size())
            return false;
    }

    pictures::PictureCache::Sizing sizing;
    sizing.devicePixels = [](const QSize &natural) { return natural / 8; };
    sizing.rawFolder = raws.path();
    const std::atomic<bool> never{false};
    const int measured = quick ? 4 : 24;
    const qsizetype step = std::max<qsizetype>(1, paths.size() / measured);
    std::vector<double> with;
    std::vector<double> without;
    std::vector<double> ratios;
    std::vector<double> alone;
    bool found = true;
    for (int i = 0; i <= measured; ++i) {
        const QString &path = paths[(i * step) % paths.size()];
        double times[2] = {};
        for (int turn = 0; turn < 2; ++turn) {
            const bool reading = (turn == 0) == (i % 2 == 0);
            QElapsedTimer timer;
            timer.start();
            if (reading) {
                found =
                    pictures::PictureCache::decode(path, sizing, never).focus.recorded() && found;
            } else {
                int error = 0;
                const pictures::Picture picture = pictures::LoadPicture(path, error);
                found = !picture.render(sizing.of(picture.size()), never).isNull() && found;
            }
            times[reading ? 1 : 0] = millisecondsSince(timer);
        }
        int error = 0;
        const pictures::Picture picture = pictures::LoadPicture(path, error);
        QElapsedTimer timer;
        timer.start();
        found = pictures::PictureFocus::of(path, picture, raws.path()).recorded() && found;
        const double focusOnly = millisecondsSince(timer);
        if (i == 0) // the first warms plug-ins and caches
            continue;
        without.push_back(times[0]);
        with.push_back(times[1]);
        ratios.push_back(times[1] / times[0]);
        alone.push_back(focusOnly);
    }

    TableRow row;
    row.what = QStringLiteral("Viewer, first picture: reading the focus point, from its RAW "
                              "file (%1 alone)")
                   .arg(TableRow::milliseconds(bench::median(alone)));
    row.setMilliseconds(bench::median(with), bench::median(without),
                        QStringLiteral("the decode without it"));
    row.ratio = bench::median(ratios);
    row.setRatioGoal(1.05);
    row.print();
    return found;
}

// The viewer's cache, driven as PictureStage drives it (its decodes ahead
// from DecodeAheadPlan on each key, at the pace of the keys), for the rows
// of focus peaking: the stage keeps its cache to itself, and the key that
// turns peaking on is the viewer's. A picture is painted as the viewer
// paints it: drawn into its box, its mask over it.
class DrivenCache
{
public:
    DrivenCache(const QStringList &paths, bool peaking) : m_paths(paths)
    {
        // The viewer's box at its opening size: 533 device pixels wide for
        // a picture of 3:2, as the first picture's floor takes it.
        m_cache.setSizing({[](const QSize &natural) {
                               return natural.scaled(QSize(533, 400), Qt::KeepAspectRatio);
                           },
                           1});
        m_cache.setPeaking(peaking);
        m_box.fill(Qt::black);
    }

    pictures::PictureCache &cache() { return m_cache; }
    const QString &reached() const { return m_reached; }

    // A key to index, as the session counts it and the stage asks.
    void go(int index)
    {
        constexpr qint64 dwelling = 1000;
        const qint64 interval = m_sinceMove.isValid() ? m_sinceMove.restart() : dwelling;
        if (!m_sinceMove.isValid())
            m_sinceMove.start();
        if (interval >= dwelling)
            m_move = 0;
        else
            m_move = m_move == 0 ? double(interval) : 0.6 * m_move + 0.4 * double(interval);
        m_reached = m_paths[index];
        const culling::DecodeAheadPlan plan = culling::DecodeAheadPlan::make(
            index, 1, {m_move, m_cache.typicalDecodeMilliseconds()}, int(m_paths.size()),
            culling::DecodeAheadPlan::defaultBudget);
        QStringList kept{m_reached};
        for (int entry : plan.kept)
            kept << m_paths[entry];
        m_cache.keepOnly(kept);
        QStringList underWay{m_reached};
        for (int entry : plan.underWay)
            underWay << m_paths[entry];
        m_cache.withdrawAllBut(underWay);
        ++m_round;
        int priority = int(plan.wanted.size());
        for (int entry : plan.wanted)
            m_cache.request(m_paths[entry], m_round * 8 + priority--);
    }

    // The picture reached drawn into the box, its mask over it unless bare;
    // false while it has not landed.
    bool paint(bool bare = false)
    {
        const pictures::PictureCache::Decoded *decoded = m_cache.find(m_reached);
        if (!decoded)
            return false;
        QPainter painter(&m_box);
        painter.drawImage(0, 0, decoded->image);
        if (!bare && !decoded->peaking.isNull())
            painter.drawImage(0, 0, decoded->peaking);
        return true;
    }

private:
    QStringList m_paths;
    pictures::PictureCache m_cache;
    QImage m_box{533, 400, QImage::Format_RGB32};
    QString m_reached;
    QElapsedTimer m_sinceMove;
    double m_move = 0;
    int m_round = 0;
};

// With peaking on, through pictures dwelling on each: from the key to the
// picture painted with its mask, against a bare paint of the picture.
void peakingBrowse(const QStringList &paths, int dwellMs)
{
    DrivenCache driven(paths, true);
    driven.go(0);
    waitFor([&] { return driven.paint(); });
    std::vector<double> next;
    std::vector<double> barePaint;
    bool masked = true;
    for (int i = 1; i < paths.size(); ++i) {
        waitFor([] { return false; }, dwellMs);
        QElapsedTimer timer;
        timer.start();
        driven.paint(true);
        barePaint.push_back(millisecondsSince(timer));
        timer.start();
        driven.go(i);
        waitFor([&] { return driven.paint(); });
        next.push_back(millisecondsSince(timer));
        masked = masked && !driven.cache().find(driven.reached())->peaking.isNull();
    }
    const double floor = bench::median(barePaint);
    TableRow row;
    row.what = QStringLiteral("Viewer's cache, peaking on: next picture with its mask after %1 ms "
                              "on each, median")
                   .arg(dwellMs);
    row.setMilliseconds(bench::median(next), floor, QStringLiteral("bare paint"));
    row.goal = QStringLiteral("<= 16 ms");
    row.met = masked && bench::median(next) <= 16;
    row.print();
    row.what = QStringLiteral("Viewer's cache, peaking on: next picture with its mask after %1 ms "
                              "on each, 95th percentile")
                   .arg(dwellMs);
    row.ours = TableRow::milliseconds(percentile(next, 0.95));
    row.ratio = percentile(next, 0.95) / floor;
    row.goal = QStringLiteral("<= 33 ms");
    row.met = masked && percentile(next, 0.95) <= 33;
    row.print();
}

// A key held (30 presses a second) from the first picture: the pictures
// painted a second, each as it lands while the key is on it.
double heldRate(const QStringList &paths, bool peaking, int presses)
{
    DrivenCache driven(paths, peaking);
    driven.go(0);
    waitFor([&] { return driven.paint(); });
    waitFor([] { return false; }, 1000);
    QSet<QString> painted;
    QObject::connect(&driven.cache(), &pictures::PictureCache::decoded, [&](const QString &path) {
        if (path == driven.reached() && driven.paint())
            painted.insert(path);
    });
    int pressed = 0;
    QTimer repeat;
    repeat.setTimerType(Qt::PreciseTimer);
    repeat.setInterval(33);
    QObject::connect(&repeat, &QTimer::timeout, [&] {
        if (pressed == presses || pressed + 1 >= paths.size()) {
            repeat.stop();
            return;
        }
        driven.go(++pressed);
        if (driven.paint())
            painted.insert(driven.reached());
    });
    QElapsedTimer clock;
    clock.start();
    repeat.start();
    waitFor([&] { return !repeat.isActive(); }, 60000);
    return double(painted.size()) / (double(clock.nsecsElapsed()) / 1e9);
}

void peakingHeld(const QStringList &paths, int presses, int runs)
{
    // Both in this run, by turns, each the median of its runs: a held key's
    // pace swings from one run to the next with what else the machine does.
    // The decodes of one run settle before the next starts.
    std::vector<double> withoutRuns;
    std::vector<double> withRuns;
    for (int run = 0; run < runs; ++run) {
        for (bool peaking : {false, true}) {
            waitFor([] { return false; }, 2000);
            (peaking ? withRuns : withoutRuns).push_back(heldRate(paths, peaking, presses));
        }
    }
    const double without = bench::median(withoutRuns);
    const double with = bench::median(withRuns);
    // Each run's pair too: the median hides how far one run strays.
    // The row's ratio is the median of the pairs' own ratios: the two of a
    // pair run one after the other under the same load, so their ratio swings
    // less than that of two medians taken apart.
    QStringList pairs;
    std::vector<double> ratios;
    for (size_t run = 0; run < withRuns.size(); ++run) {
        ratios.push_back(withRuns[run] / withoutRuns[run]);
        pairs << QStringLiteral("%1/%2 = %3x")
                     .arg(withRuns[run], 0, 'f', 1)
                     .arg(withoutRuns[run], 0, 'f', 1)
                     .arg(withRuns[run] / withoutRuns[run], 0, 'f', 2);
    }
    std::printf("Key held, each run (peaking on/off): %s\n",
                qPrintable(pairs.join(QStringLiteral(", "))));
    TableRow row;
    row.what = QStringLiteral("Viewer's cache, key held (30/s) with peaking on: pictures painted "
                              "a second, median of %1")
                   .arg(runs);
    row.ours = QString::number(with, 'f', 1);
    row.floor = QString::number(without, 'f', 1) + QStringLiteral(" (peaking off)");
    row.ratio = bench::median(ratios);
    row.goal = QStringLiteral(">= 0.9x floor, median of the pairs' ratios");
    row.met = row.ratio >= 0.9;
    row.print();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    platform::keepFreedHeapForReuse(); // as the program does when it starts
    const bool quick = bench::isQuick(QCoreApplication::arguments());
    // A camera set to Adobe RGB: every picture turned into the screen's
    // colours on the workers, thumbnails and one to one included.
    const bool adobeRgb = QCoreApplication::arguments().contains(QStringLiteral("--adobe-rgb"));
    // --only=first,browse,held,whole,focus,focusz,main,peaking-browse,
    // peaking-held runs those parts alone, for a profile of one of them or a
    // row run again.
    QStringList only;
    for (const QString &argument : QCoreApplication::arguments()) {
        if (argument.startsWith(QLatin1String("--only=")))
            only = argument.mid(7).split(QLatin1Char(','));
    }
    const auto runs = [&only](const char *part) {
        return only.isEmpty() || only.contains(QLatin1String(part));
    };
    // Rejections go to a real trash, in a home of the run's own.
    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("share"))));

    const QSize size = quick ? QSize(1728, 1152) : QSize(6000, 4000);
    const int count = quick ? 12 : 200;
    const int dwellMs = 300;
    const int heldPresses = quick ? 8 : 90;
    const int firstRuns = quick ? 2 : 5;
    const int wholeRuns = quick ? 2 : 3;

    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    // A few different photographs, each file with a comment of its own so
    // that no two files are the same bytes.
    std::fprintf(stderr, "writing %d pictures of %dx%d...\n", count, size.width(), size.height());
    if (adobeRgb)
        std::printf("Pictures in Adobe RGB (1998), with its profile embedded\n");
    std::vector<QByteArray> variants;
    for (int variant = 0; variant < 4; ++variant) {
        QImage picture = photograph(size, variant);
        if (adobeRgb)
            picture.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
        variants.push_back(withThumbnail(jpegOf(picture, 90), picture));
    }
    // The viewer over the main window alone, for profiling a key or a
    // rejection there without the folder of 24-megapixel pictures before it.
    if (QCoreApplication::arguments().contains(QStringLiteral("--main-window-only")))
        return culledFromTheMainWindow(quick, variants) ? 0 : 1;
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path =
            folder.filePath(QStringLiteral("DSC_%1.JPG").arg(i, 4, 10, QChar('0')));
        QByteArray bytes = variants[size_t(i) % variants.size()];
        const QByteArray comment = QByteArray("picture ") + QByteArray::number(i);
        QByteArray segment("\xFF\xFE", 2);
        segment.append(char(0));
        segment.append(char(comment.size() + 2));
        bytes.insert(2, segment + comment);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            return 1;
        }
        paths << path;
    }

    // Nothing is deleted here: the recycler moves nothing, and a question
    // would be answered No.
    FakeMessageBox messages;
    test::RecordingRecycler recycler;
    ui::FileListBox list(folder.path());
    list.setPattern(QStringLiteral("*.JPG"));
    list.setPath(folder.path());
    viewer::dlgShowPicture dialog(messages, recycler.function(), [] {});
    dialog.setBrowsedList(std::make_unique<main_window::BrowsedFileList>(&list, &list));
    bool allShown = true;

    // The first picture, as the main window opens the viewer: pictures far
    // apart, so that none was decoded ahead by the opening before.
    const int eighths = std::clamp(int(std::ceil(8 * 533.34 / size.width())), 1, 8);
    std::vector<double> firstOurs;
    std::vector<double> firstFloor;
    for (int run = 0; run <= firstRuns && runs("first"); ++run) {
        const int index = run * (count / (firstRuns + 1));
        list.setListIndex(index);
        dialog.setTag(paths[index]);
        // After as long a rest as the floor's: a core that has just been
        // busy decodes faster than one that has idled.
        waitFor([] { return false; }, quick ? 500 : 2000);
        QElapsedTimer timer;
        timer.start();
        dialog.show();
        dialog.Image1->repaint();
        const double ours = millisecondsSince(timer);
        allShown = allShown && dialog.shownPath() == paths[index];
        dialog.hide();
        // The decodes ahead settle before the floor is measured beside them.
        waitFor([] { return false; }, quick ? 500 : 2000);
        timer.start();
        bench::decodeJpegBare(QFile::encodeName(paths[index]), eighths);
        const double floor = millisecondsSince(timer);
        if (run > 0) { // the first warms plug-ins and caches
            firstOurs.push_back(ours);
            firstFloor.push_back(floor);
        }
    }
    if (runs("first")) {
        TableRow row;
        row.what = QStringLiteral("Viewer, first picture (%1 MP JPEG)")
                       .arg(size.width() * size.height() / 1000000);
        row.setMilliseconds(bench::median(firstOurs), bench::median(firstFloor),
                            QStringLiteral("libjpeg at %1/8").arg(eighths));
        row.goal = QStringLiteral("<= 1.15x floor");
        row.met = row.ratio <= 1.15;
        row.print();
    }

    // Through every picture, dwelling on each as a user looks at it.
    list.setListIndex(0);
    dialog.setTag(paths[0]);
    dialog.show();
    dialog.Image1->repaint();
    const double residentAtFirst = residentMegabytes();
    std::vector<double> next;
    std::vector<double> bareRepaint;
    for (int i = 1; i < count && runs("browse"); ++i) {
        waitFor([] { return false; }, dwellMs);
        QElapsedTimer timer;
        timer.start();
        dialog.Image1->repaint();
        bareRepaint.push_back(millisecondsSince(timer));

        timer.start();
        QTest::keyClick(dialog.OKButton, Qt::Key_Right);
        const bool shown =
            waitFor([&] { return dialog.shownPath() == paths[i] && !dialog.showsStandIn(); });
        dialog.Image1->repaint();
        next.push_back(millisecondsSince(timer));
        allShown = allShown && shown;
    }
    const double residentAfterAll = residentMegabytes();
    if (runs("browse")) {
        const double floor = bench::median(bareRepaint);
        TableRow row;
        row.what = QStringLiteral("Viewer, next picture after %1 ms on each, median").arg(dwellMs);
        row.setMilliseconds(bench::median(next), floor, QStringLiteral("bare repaint"));
        row.goal = QStringLiteral("<= 16 ms");
        row.met = bench::median(next) <= 16;
        row.print();
        row.what = QStringLiteral("Viewer, next picture after %1 ms on each, 95th percentile")
                       .arg(dwellMs);
        row.ours = TableRow::milliseconds(percentile(next, 0.95));
        row.ratio = percentile(next, 0.95) / floor;
        row.goal = QStringLiteral("<= 33 ms");
        row.met = percentile(next, 0.95) <= 33;
        row.print();
    }
    if (runs("browse")) {
        TableRow row;
        row.what = QStringLiteral("Viewer, resident memory after all %1 pictures").arg(count);
        row.ours = QStringLiteral("+") + TableRow::megabytes(residentAfterAll - residentAtFirst);
        row.floor = TableRow::megabytes(residentAtFirst) + QStringLiteral(" (at the first)");
        row.ratio = residentAfterAll / residentAtFirst;
        row.goal = QStringLiteral("<= +100 MB");
        row.met = residentAfterAll - residentAtFirst <= 100;
        row.print();
    }

    // A key held down: 30 presses a second from the first picture on.
    if (runs("held")) {
        QTest::keyClick(dialog.OKButton, Qt::Key_Home);
        waitFor([&] { return dialog.shownPath() == paths[0] && !dialog.showsStandIn(); });
        waitFor([] { return false; }, 1000);
        PaintWatch watch(dialog);
        std::vector<qint64> pressedAt;
        QStringList pressedFor;
        QTimer repeat;
        repeat.setTimerType(Qt::PreciseTimer);
        repeat.setInterval(33);
        QObject::connect(&repeat, &QTimer::timeout, [&] {
            if (int(pressedAt.size()) == heldPresses) {
                repeat.stop();
                return;
            }
            pressedAt.push_back(watch.clock.nsecsElapsed());
            QTest::keyPress(dialog.OKButton, Qt::Key_Right);
            pressedFor << dialog.Tag();
        });
        watch.clock.start();
        repeat.start();
        waitFor([&] { return !repeat.isActive(); }, 60000);
        const double heldSeconds = double(watch.clock.nsecsElapsed()) / 1e9;
        QSet<QString> realPictures;
        for (const PaintWatch::Paint &paint : watch.paints) {
            if (!paint.standIn && paint.path != paths[0])
                realPictures.insert(paint.path);
        }
        std::vector<double> firstSight;
        int unseen = 0;
        for (size_t press = 0; press < pressedAt.size(); ++press) {
            const auto seen =
                std::find_if(watch.paints.begin(), watch.paints.end(), [&](const auto &p) {
                    return p.at >= pressedAt[press] && p.path == pressedFor[int(press)];
                });
            if (seen == watch.paints.end()) {
                ++unseen;
                continue;
            }
            firstSight.push_back(double(seen->at - pressedAt[press]) / 1e6);
        }
        {
            // The most two workers could decode in that time, at libjpeg's bare
            // pace: the median of a few of the pictures passed, so that one
            // decode slowed down by a neighbour's work does not set it, once
            // the decodes the last presses asked for have settled.
            waitFor([] { return false; }, quick ? 500 : 2000);
            std::vector<double> bareDecodes;
            QElapsedTimer timer;
            for (int i = 1; i <= 5; ++i) {
                timer.start();
                bench::decodeJpegBare(QFile::encodeName(paths[i]), eighths);
                bareDecodes.push_back(millisecondsSince(timer));
            }
            const double bare = bench::median(bareDecodes);
            // No more pictures can be shown than the key reaches: on a machine
            // that decodes faster than it presses, the presses are the floor.
            const double presses = double(pressedAt.size()) / heldSeconds;
            const double ceiling = std::min(2 * 1000 / bare, presses);
            const double rate = double(realPictures.size()) / heldSeconds;
            TableRow row;
            row.what = QStringLiteral("Viewer, key held (30/s): real pictures painted a second");
            row.ours = QString::number(rate, 'f', 1);
            row.floor = QString::number(ceiling, 'f', 1) +
                        QStringLiteral(" (2 bare libjpeg decoders, at most the presses)");
            row.ratio = rate / ceiling;
            row.goal = QStringLiteral(">= 10 a second and >= 0.9x floor");
            row.met = rate >= 10 && row.ratio >= 0.9;
            row.print();

            timer.start();
            const QImage thumbnail = pictures::readEmbeddedThumbnail(paths[2]);
            const double thumbnailFloor = millisecondsSince(timer);
            const double worst =
                firstSight.empty() ? 0 : *std::max_element(firstSight.begin(), firstSight.end());
            row.what = QStringLiteral("Viewer, key held: each press to its picture or thumbnail, "
                                      "worst of %1 (%2 never shown)")
                           .arg(pressedAt.size())
                           .arg(unseen);
            row.setMilliseconds(worst, thumbnailFloor, QStringLiteral("a thumbnail read"));
            row.goal = QStringLiteral("<= 33 ms, every press");
            row.met = worst <= 33 && unseen == 0 && !thumbnail.isNull();
            row.print();
        }
    }

    // One to one: Z on a picture looked at for a moment, until its whole
    // decode is painted.
    if (runs("whole")) {
        const OneToOne whole = timeOneToOne(dialog, wholeRuns, dwellMs, quick);
        allShown = allShown && whole.allShown;
        TableRow row;
        row.what = QStringLiteral("Viewer, one to one (%1 MP)")
                       .arg(size.width() * size.height() / 1000000);
        row.setMilliseconds(bench::median(whole.ours), bench::median(whole.floor),
                            QStringLiteral("libjpeg whole"));
        row.goal = QStringLiteral("<= 1.5x floor");
        row.met = row.ratio <= 1.5;
        row.print();
    }

    dialog.hide();

    allShown = (!runs("focus") || focusReading(quick, paths)) && allShown;
    allShown = (!runs("focusz") || zAtTheFocusPoint(quick, size, variants, wholeRuns, dwellMs)) &&
               allShown;
    if (runs("peaking-browse"))
        peakingBrowse(paths, dwellMs);
    if (runs("peaking-held"))
        peakingHeld(paths, heldPresses, quick ? 1 : 5);

    allShown = (!runs("main") || culledFromTheMainWindow(quick, variants)) && allShown;
    return allShown ? 0 : 1;
}
