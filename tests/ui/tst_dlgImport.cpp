// The import window on real folders: a generated card and destinations in a
// temporary folder, the preview's figures, the run with its progress window,
// Cancel, the summary the user is told, and the preview's plan made on a
// thread of its own, held on purpose by a test hook.

#include "files/VolumeTable.h"
#include "import_window/dlgImport.h"
#include "import_window/ImportProgress.h"
#include "platform/MountWatcher.h"
#include "support/core/FakeMessageBox.h"
#include "ui/CommandButton.h"
#include "ui/TextBox.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QSemaphore>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <utime.h>

using namespace quorvel;
using import_window::dlgImport;
using quorvel::test::FakeMessageBox;

namespace {

// Three pictures of 1,000 bytes each in two folders, shot on 7 December.
const QStringList cardFiles = {"DCIM/100NIKON/DSC_0001.NEF", "DCIM/100NIKON/DSC_0001.JPG",
                               "DCIM/101NIKON/DSC_0002.NEF"};
const QDateTime shot(QDate(2026, 12, 7), QTime(21, 15));

bool writeCardFile(const QString &path, char fill)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(1000, fill)) != 1000)
        return false;
    file.close();
    const utimbuf times{shot.toSecsSinceEpoch(), shot.toSecsSinceEpoch()};
    return utime(QFile::encodeName(path).constData(), &times) == 0;
}

QStringList filesBelow(const QString &folder)
{
    QStringList names;
    QDirIterator each(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (each.hasNext())
        names << QDir(folder).relativeFilePath(each.next());
    names.sort();
    return names;
}

} // namespace

class tst_dlgImport : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> temp;
    QString card;
    QString pictures;
    FakeMessageBox messages;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<files::VolumeTable> volumes;
    QStringList opened;

    std::unique_ptr<dlgImport> window(qint64 free = -1, import::VerifiedCopy::Hooks hooks = {},
                                      import::ImportPlanner::PlanFunction makePlan = {})
    {
        import::ImportPlan::FreeSpaceFunction freeSpace;
        if (free >= 0)
            freeSpace = [free](const QByteArray &) { return std::optional<qint64>(free); };
        auto w =
            std::make_unique<dlgImport>(dlgImport::Services{messages, *settings, *volumes, pictures,
                                                            freeSpace, hooks, makePlan},
                                        [this](const QString &copy) { opened << copy; });
        w->show();
        settle(*w);
        return w;
    }

    // The preview's plan is made on a thread of its own: it lands later.
    static void settle(dlgImport &w)
    {
        QVERIFY(QTest::qWaitFor([&] { return !w.isPlanning(); }, 20000));
    }

    static void runImport(dlgImport &w)
    {
        QSignalSpy ended(&w, &dlgImport::importEnded);
        QTest::mouseClick(w.cmdImport, Qt::LeftButton);
        QVERIFY(w.isRunning() || !ended.isEmpty());
        QVERIFY(ended.wait(20000));
    }

private slots:
    void init()
    {
        temp = std::make_unique<QTemporaryDir>();
        card = temp->filePath("card");
        pictures = temp->filePath("home/Pictures");
        for (const QString &name : cardFiles)
            QVERIFY(writeCardFile(card + u'/' + name, 'a' + char(cardFiles.indexOf(name))));
        QVERIFY(QDir().mkpath(temp->filePath("elsewhere")));
        settings =
            std::make_unique<QSettings>(temp->filePath("Quorvel.conf"), QSettings::IniFormat);
        volumes = std::make_unique<files::VolumeTable>(
            QList<files::Volume>{{"/", {}}, {temp->filePath("elsewhere"), {}}, {card, "NIKON"}});
        messages.clear();
        opened.clear();
    }

    void preview_data()
    {
        QTest::addColumn<QString>("backup");
        QTest::addColumn<QString>("alreadyThere"); // a file copied before
        QTest::addColumn<bool>("secondSlot");      // holding a copy of DSC_0001.NEF
        QTest::addColumn<qint64>("free");
        QTest::addColumn<QString>("preview");
        QTest::addColumn<bool>("importable");

        QString three = "3 files, 3.0 kB, in 2 folders\n{n} already there (skipped)\n"
                        "0 second copies from the other slot (copied once)\n";
        QTest::newRow("fresh") << ""
                               << "" << false << qint64(10'000)
                               << three + "%1: 3.0 kB needed, 10.0 kB free" << true;
        QTest::newRow("with a backup")
            << "backup"
            << "" << false << qint64(10'000)
            << three + "%1: 3.0 kB needed, 10.0 kB free\n%2: 3.0 kB needed, 10.0 kB free" << true;
        QTest::newRow("not enough space")
            << ""
            << "" << false << qint64(2'999)
            << three + "%1: 3.0 kB needed, 3.0 kB free: not enough space\n"
                       "Not enough space: nothing will be copied."
            << false;
        QTest::newRow("dual-slot card: its second copy needs no room")
            << ""
            << "" << true << qint64(10'000)
            << "4 files, 4.0 kB, in 3 folders\n0 already there (skipped)\n"
               "1 second copies from the other slot (copied once)\n"
               "%1: 3.0 kB needed, 10.0 kB free"
            << true;
        QTest::newRow("one already there")
            << ""
            << "DCIM/101NIKON/DSC_0002.NEF" << false << qint64(10'000)
            << three.replace("{n}", "1") + "%1: 2.0 kB needed, 10.0 kB free" << true;
    }

    // The destination offered is the card's day under Pictures; the figures
    // are the plan's, and too little room leaves Import disabled.
    void preview()
    {
        QFETCH(QString, backup);
        QFETCH(QString, alreadyThere);
        QFETCH(bool, secondSlot);
        QFETCH(qint64, free);
        QFETCH(QString, preview);
        QFETCH(bool, importable);

        const QString destination = pictures + "/2026-12-07";
        if (!alreadyThere.isEmpty())
            QVERIFY(writeCardFile(destination + u'/' + alreadyThere, 'c'));
        if (secondSlot) {
            QVERIFY(writeCardFile(temp->filePath("slot2/DCIM/100NIKON/DSC_0001.NEF"), 'a'));
            volumes->setVolumes(volumes->list() +
                                QList<files::Volume>{{temp->filePath("slot2"), {}}});
        }
        auto w = window(free);
        QCOMPARE(w->lstCards->count(), secondSlot ? 2 : 1);
        QCOMPARE(w->lstCards->item(0)->text(), QStringLiteral("NIKON (%1)").arg(card));
        QCOMPARE(w->txtDestination->Text(), destination);
        if (!backup.isEmpty()) {
            w->txtBackup->setText(temp->filePath(backup));
            emit w->txtBackup->editingFinished();
            settle(*w);
        }
        QCOMPARE(w->lblPreview->text(),
                 preview.replace("{n}", "0").arg(destination, temp->filePath(backup)));
        QCOMPARE(w->cmdImport->isEnabled(), importable);
        if (!importable) {
            // Even when asked, the run copies nothing and says why.
            w->cmdImport_Click();
            QSignalSpy ended(w.get(), &dlgImport::importEnded);
            QVERIFY(ended.wait(20000));
            QVERIFY(messages.last().prompt.contains(QStringLiteral("space")));
            QVERIFY(filesBelow(pictures).isEmpty());
            QVERIFY(opened.isEmpty());
        }
    }

    // Both destinations hold the card's layout, the user is told so, the copy
    // is opened, and the choices are kept for the next import.
    void importCopiesAndSays()
    {
        auto w = window();
        w->txtBackup->setText(temp->filePath("backup"));
        emit w->txtBackup->editingFinished();
        settle(*w);
        runImport(*w);
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().prompt,
                 QStringLiteral("3 files copied and verified (0 skipped, already there). The "
                                "card can be formatted."));
        QCOMPARE(messages.last().flags, platform::MB_OK | platform::MB_ICONINFORMATION);
        const QString destination = pictures + "/2026-12-07";
        QStringList expected = cardFiles;
        expected.sort();
        QCOMPARE(filesBelow(destination), expected);
        QCOMPARE(filesBelow(temp->filePath("backup")), expected);
        QCOMPARE(filesBelow(card), expected); // the card untouched
        QCOMPARE(QFileInfo(destination + "/DCIM/101NIKON/DSC_0002.NEF").lastModified(), shot);
        QCOMPARE(opened, QStringList{destination});
        QVERIFY(!w->progress());

        // Again: everything is there already, and the next window remembers.
        settle(*w);
        QVERIFY(w->lblPreview->text().contains(QStringLiteral("3 already there")));
        auto again = window();
        QCOMPARE(again->txtBackup->Text(), temp->filePath("backup"));
        runImport(*again);
        QCOMPARE(messages.last().prompt,
                 QStringLiteral("0 files copied and verified (3 skipped, already there). The "
                                "card can be formatted."));
    }

    // Cancel in the middle of the first file: it is removed, the others are
    // never reached, nothing is left under a temporary name, and the user is
    // told not to format the card. Closing the window mid-run is a Cancel,
    // and the window goes once the user has been told.
    void cancelStopsAfterTheFile_data()
    {
        QTest::addColumn<bool>("closeWindow");
        QTest::newRow("Cancel") << false;
        QTest::newRow("window closed") << true;
    }
    void cancelStopsAfterTheFile()
    {
        QFETCH(bool, closeWindow);
        QSemaphore reached;
        QSemaphore go;
        import::VerifiedCopy::Hooks hooks;
        hooks.afterRead = [&](const QByteArray &, qint64) {
            if (reached.available() == 0 && go.available() == 0) {
                reached.release();
                go.acquire();
            }
        };
        auto w = window(-1, hooks);
        QSignalSpy ended(w.get(), &dlgImport::importEnded);
        QTest::mouseClick(w->cmdImport, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return reached.available() == 1; }, 20000));
        QVERIFY(w->progress() && w->progress()->dialog()->isVisible());
        QTest::mouseClick(w->cmdImport, Qt::LeftButton); // no second run meanwhile
        if (closeWindow)
            QVERIFY(!w->close()); // not yet
        else
            QTest::mouseClick(w->progress()->dialog()->findChild<QPushButton *>(), Qt::LeftButton);
        go.release(2);
        QVERIFY(ended.wait(20000));
        QVERIFY2(messages.last().prompt.startsWith(QStringLiteral("Cancelled.")),
                 qPrintable(messages.last().prompt));
        QVERIFY(messages.last().prompt.contains(QStringLiteral("don't format the card")));
        QCOMPARE(messages.last().flags, platform::MB_OK | platform::MB_ICONWARNING);
        QCOMPARE(filesBelow(pictures), QStringList());
        QCOMPARE(messages.count(), 1);
        QCOMPARE(w->isVisible(), !closeWindow);
    }

    // A card put in while the window is open is listed and ticked; one taken
    // out leaves; a folder given by hand is a card too.
    void cardsComeAndGo()
    {
        volumes->setVolumes({{"/", {}}});
        platform::MountWatcher watcher;
        auto w = window();
        w->followVolumes(watcher);
        QCOMPARE(w->lstCards->count(), 0);
        QVERIFY(!w->cmdImport->isEnabled());
        volumes->setVolumes({{"/", {}}, {card, "NIKON"}});
        emit watcher.changed();
        settle(*w);
        QCOMPARE(w->lstCards->count(), 1);
        QCOMPARE(w->lstCards->item(0)->checkState(), Qt::Checked);
        QCOMPARE(w->cardFolders(), QList<QByteArray>{QFile::encodeName(card)});
        QVERIFY(w->cmdImport->isEnabled());
        volumes->setVolumes({{"/", {}}});
        emit watcher.changed();
        QCOMPARE(w->lstCards->count(), 0);
        QTest::keyClicks(w->txtCardFolder, card);
        QTest::keyClick(w->txtCardFolder, Qt::Key_Return);
        settle(*w);
        QCOMPARE(w->cardFolders(), QList<QByteArray>{QFile::encodeName(card)});
        QVERIFY(w->cmdImport->isEnabled());
    }

    // The preview's plan is held on purpose: meanwhile the window says so and
    // Import does nothing. A backup given meanwhile gives the held plan up,
    // and only the next one's figures show; closing the window gives it up
    // and waits for its thread. Import copies the plan shown, not the card
    // as it is by then.
    void previewWaitsForItsPlan_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::newRow("let go") << "";
        QTest::newRow("backup given") << "backup";
        QTest::newRow("window closed") << "close";
    }
    void previewWaitsForItsPlan()
    {
        QFETCH(QString, meanwhile);
        const QString destination = temp->filePath("copies"); // no day to wait for
        settings->setValue("Import/Destination", destination);
        QSemaphore entered;
        QSemaphore go;
        std::atomic<int> gaveUp = 0;
        std::atomic<int> ended = 0;
        const auto freeSpace = [](const QByteArray &) { return std::optional<qint64>(10'000); };
        auto held = [&](const import::ImportPlanner::Source &source,
                        const std::atomic<bool> &cancelled) {
            const struct Ending
            {
                std::atomic<int> &count;
                ~Ending() { ++count; }
            } ending{ended};
            entered.release();
            QDeadlineTimer deadline(20000);
            while (!go.tryAcquire(1, 5) && !cancelled && !deadline.hasExpired()) {
            }
            if (cancelled)
                ++gaveUp;
            return import::ImportPlanner::plan(source, freeSpace, cancelled);
        };
        auto w = std::make_unique<dlgImport>(
            dlgImport::Services{messages, *settings, *volumes, pictures, {}, {}, held},
            [this](const QString &copy) { opened << copy; });
        w->show();
        QVERIFY(entered.tryAcquire(1, 20000));
        QCOMPARE(w->txtDestination->Text(), destination);
        QCOMPARE(w->lblPreview->text(), QStringLiteral("Looking at the card…"));
        QVERIFY(w->isPlanning());
        QVERIFY(!w->cmdImport->isEnabled());
        w->cmdImport_Click();
        QVERIFY(!w->isRunning());

        if (meanwhile == "close") {
            QVERIFY(w->close());
            QCOMPARE(gaveUp.load(), 1);
            QCOMPARE(ended.load(), 1); // its thread is done with
            QVERIFY(!w->isPlanning());
            w.reset();
            QCOMPARE(entered.available(), 0);
            return;
        }
        QString figures = "3 files, 3.0 kB, in 2 folders\n0 already there (skipped)\n"
                          "0 second copies from the other slot (copied once)\n"
                          "%1: 3.0 kB needed, 10.0 kB free";
        if (!meanwhile.isEmpty()) {
            w->txtBackup->setText(temp->filePath(meanwhile));
            emit w->txtBackup->editingFinished();
            QVERIFY(entered.tryAcquire(1, 20000));
            QCOMPARE(gaveUp.load(), 1);
            QCOMPARE(w->lblPreview->text(), QStringLiteral("Looking at the card…"));
            figures += "\n%2: 3.0 kB needed, 10.0 kB free";
        }
        go.release();
        QVERIFY(QTest::qWaitFor([&] { return !w->isPlanning(); }, 20000));
        QCOMPARE(w->lblPreview->text(), figures.arg(destination, temp->filePath(meanwhile)));
        QVERIFY(w->cmdImport->isEnabled());
        QCOMPARE(entered.available(), 0); // no other plan started

        QVERIFY(writeCardFile(card + "/DCIM/101NIKON/DSC_0003.NEF", 'x'));
        runImport(*w);
        QCOMPARE(messages.last().prompt,
                 QStringLiteral("3 files copied and verified (0 skipped, already there). The "
                                "card can be formatted."));
        QVERIFY(!QFileInfo::exists(destination + "/DCIM/101NIKON/DSC_0003.NEF"));
        // The copy there now is looked at afresh, held as before.
        QVERIFY(entered.tryAcquire(1, 20000));
        go.release();
        QVERIFY(QTest::qWaitFor([&] { return !w->isPlanning(); }, 20000));
        QVERIFY(w->lblPreview->text().contains(QStringLiteral("3 already there")));
    }
};

QTEST_MAIN(tst_dlgImport)
#include "tst_dlgImport.moc"
