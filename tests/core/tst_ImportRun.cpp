// A plan's files copied, on real files: the summary when all went well,
// a dual-slot card's second copies, no room, and the run stopped in the
// middle by a Cancel and by the card pulled out, which leave every file
// finished verified, the rest reported and no temporary file behind.
#include "import/ImportPlan.h"
#include "import/ImportRun.h"
#include "support/core/ByteFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

using quorvel::import::ImportPlan;
using quorvel::import::ImportRun;
using quorvel::import::VerifiedCopy;

namespace {

// Files DSC_1.NEF... of 1.5 MB each (so that a hook sees each in the middle),
// each its own contents.
QList<QByteArray> makeCard(const QByteArray &folder, int files, char mark = 'a')
{
    QDir().mkpath(QFile::decodeName(folder));
    QList<QByteArray> contents;
    for (int i = 1; i <= files; ++i) {
        QByteArray content(1536 * 1024, mark);
        content[i] = char(i);
        quorvel::test::writeFile(folder + "/DSC_" + QByteArray::number(i) + ".NEF", content);
        contents.append(content);
    }
    return contents;
}

QStringList filesBelow(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(QDir(folder).relativeFilePath(it.next()));
    found.sort();
    return found;
}

struct Recording : ImportRun::Observer
{
    ImportRun::Progress last;
    int problems = 0;
    void progress(const ImportRun::Progress &progress) override
    {
        QVERIFY(progress.bytesDone >= last.bytesDone);
        last = progress;
    }
    void problem(const ImportRun::Problem &) override { ++problems; }
};

} // namespace

class tst_ImportRun : public QObject
{
    Q_OBJECT

private slots:
    void allWell()
    {
        QTemporaryDir temp;
        const QByteArray root = QFile::encodeName(temp.path());
        const QList<QByteArray> contents = makeCard(root + "/card/DCIM/100NIKON", 3);
        QVERIFY(QDir().mkpath(temp.filePath("copy/DCIM/100NIKON")));
        QVERIFY(quorvel::test::writeFile(root + "/copy/DCIM/100NIKON/DSC_2.NEF", contents[1]));

        const ImportPlan plan({root + "/card"}, {root + "/copy", root + "/backup"});
        QCOMPARE(plan.alreadyThere(), 0); // not at the backup
        ImportRun run(plan);
        Recording recording;
        QVERIFY(run.run(recording));
        QCOMPARE(run.summary(), QStringLiteral("3 files copied and verified (0 skipped, already "
                                               "there). The card can be formatted."));
        QCOMPARE(recording.last.filesDone, 3);
        QCOMPARE(recording.last.bytesDone, plan.bytes());
        QCOMPARE(recording.problems, 0);
        for (const char *copy : {"/copy", "/backup"}) {
            for (int i = 0; i < 3; ++i)
                QCOMPARE(quorvel::test::readFile(root + copy + "/DCIM/100NIKON/DSC_" +
                                                 QByteArray::number(i + 1) + ".NEF"),
                         contents[i]);
        }

        // Again: everything is there, and nothing is copied twice.
        const ImportPlan again({root + "/card"}, {root + "/copy", root + "/backup"});
        QCOMPARE(again.alreadyThere(), 3);
        ImportRun second(again);
        Recording secondRecording;
        QVERIFY(second.run(secondRecording));
        QCOMPARE(second.summary(), QStringLiteral("0 files copied and verified (3 skipped, "
                                                  "already there). The card can be formatted."));
        QCOMPARE(filesBelow(temp.filePath("copy")).size(), 3);
    }

    void twoSlots()
    {
        QTemporaryDir temp;
        const QByteArray root = QFile::encodeName(temp.path());
        makeCard(root + "/slot1/DCIM/100NIKON", 3);
        makeCard(root + "/slot2/DCIM/100NIKON", 2);
        // The same name and size, other contents: not a second copy.
        const QByteArray other = makeCard(root + "/other", 3, 'b').last();
        QVERIFY(quorvel::test::writeFile(root + "/slot2/DCIM/100NIKON/DSC_3.NEF", other));

        const ImportPlan plan({root + "/slot1", root + "/slot2"}, {root + "/copy"});
        QCOMPARE(plan.secondCopies(), 3);
        ImportRun run(plan);
        Recording recording;
        QVERIFY(run.run(recording));
        QCOMPARE(run.copied(), 4);
        QCOMPARE(run.skipped(), 2);
        QCOMPARE(run.renamed(), 1);
        QCOMPARE(run.problems().front().newName, QByteArray("DSC_3 (2).NEF"));
        QCOMPARE(quorvel::test::readFile(root + "/copy/DCIM/100NIKON/DSC_3 (2).NEF"), other);
        QCOMPARE(filesBelow(temp.filePath("copy")).size(), 4);
    }

    void noRoom()
    {
        QTemporaryDir temp;
        const QByteArray root = QFile::encodeName(temp.path());
        makeCard(root + "/card/DCIM/100NIKON", 2);
        const ImportPlan plan({root + "/card"}, {root + "/copy"},
                              [](const QByteArray &) { return std::optional<qint64>(1000); });
        QVERIFY(!plan.enoughSpace());
        ImportRun run(plan);
        Recording recording;
        QVERIFY(!run.run(recording));
        QVERIFY(run.summary().startsWith(QLatin1String("Not enough space: nothing was copied.")));
        QVERIFY(!QFile::exists(temp.filePath("copy")));
    }

    void stoppedInTheMiddle_data()
    {
        QTest::addColumn<bool>("cardPulled"); // else a Cancel
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("failed");
        QTest::newRow("cancel") << false << 2 << 0;
        // The file open when the card goes is read to its end from what the
        // system still holds; those after it are gone.
        QTest::newRow("card pulled out") << true << 3 << 2;
    }

    void stoppedInTheMiddle()
    {
        QFETCH(bool, cardPulled);
        QTemporaryDir temp;
        const QByteArray root = QFile::encodeName(temp.path());
        const QList<QByteArray> contents = makeCard(root + "/card/DCIM/100NIKON", 5);
        const ImportPlan plan({root + "/card"}, {root + "/copy", root + "/backup"});
        std::atomic<bool> cancelled = false;
        int files = 0;
        VerifiedCopy::Hooks hooks;
        // In the middle of the third file.
        hooks.afterRead = [&](const QByteArray &, qint64 bytes) {
            if (bytes != 1024 * 1024 || ++files != 3)
                return;
            if (cardPulled)
                QVERIFY(QDir(temp.filePath("card")).removeRecursively());
            else
                cancelled = true;
        };
        ImportRun run(plan, &cancelled, hooks);
        Recording recording;
        QVERIFY(run.run(recording));
        QTEST(int(run.copied()), "kept");
        QTEST(int(run.failed()), "failed");
        QCOMPARE(run.wasCancelled(), !cardPulled);
        QVERIFY(!run.summary().contains(QLatin1String("formatted")));
        QVERIFY(run.summary().contains(QLatin1String("don't format the card yet")));
        for (const char *copy : {"copy", "backup"}) {
            // Each file finished is there whole, and nothing else: no
            // temporary file, no part of the file cancelled.
            const QStringList there = filesBelow(temp.filePath(QLatin1String(copy)));
            QCOMPARE(there.size(), run.copied());
            for (const QString &file : there)
                QCOMPARE(quorvel::test::readFile(
                             QFile::encodeName(temp.filePath(QLatin1String(copy) + u'/' + file))),
                         contents[file.section(u'_', 1).section(u'.', 0, 0).toInt() - 1]);
        }
        if (cardPulled) {
            for (const ImportRun::Problem &problem : run.problems())
                QVERIFY(run.summary().contains(QString::fromUtf8(problem.relativePath)));
        } else {
            QCOMPARE(run.notReached(), 3);
            QVERIFY(QFile::exists(temp.filePath("card/DCIM/100NIKON/DSC_3.NEF")));
        }
    }
};

QTEST_GUILESS_MAIN(tst_ImportRun)
#include "tst_ImportRun.moc"
