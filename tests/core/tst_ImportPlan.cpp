// What an import plans, on real folders: what is found on a card and what
// is left alone, what is already at the destination, a dual-slot card's
// second copies, names that are not UTF-8, and the free space.
#include "files/FolderError.h"
#include "import/ImportPlan.h"
#include "support/core/ByteFiles.h"

#include <algorithm>
#include <cerrno>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using quorvel::import::ImportPlan;

namespace {

// "a/b.NEF=5" a file of 5 bytes (of letter, "x" unless given after the size
// as "=5y"), "a/" a folder, "a->b" a symbolic link to b; under root.
bool makeTree(const QByteArray &root, const QByteArrayList &entries)
{
    for (const QByteArray &entry : entries) {
        const qsizetype arrow = entry.indexOf("->");
        const qsizetype equals = entry.lastIndexOf('=');
        const QByteArray name = arrow >= 0    ? entry.first(arrow)
                                : equals >= 0 ? entry.first(equals)
                                              : entry;
        const QByteArray path = root + '/' + name;
        // Folder by folder, by their bytes.
        for (qsizetype slash = 1; (slash = path.indexOf('/', slash)) > 0; ++slash) {
            if (::mkdir(path.first(slash).constData(), 0755) != 0 && errno != EEXIST)
                return false;
        }
        if (entry.endsWith('/'))
            continue;
        if (arrow >= 0) {
            if (::symlink(entry.mid(arrow + 2).constData(), path.constData()) != 0)
                return false;
            continue;
        }
        QByteArray size = entry.mid(equals + 1);
        char letter = 'x';
        if (!size.isEmpty() && !std::isdigit(uchar(size.back()))) {
            letter = size.back();
            size.chop(1);
        }
        if (!quorvel::test::writeFile(path, QByteArray(size.toInt(), letter)))
            return false;
    }
    return true;
}

QByteArrayList relativePaths(const ImportPlan &plan)
{
    QByteArrayList paths;
    for (qsizetype i = 0; i < plan.fileCount(); ++i)
        paths.append(plan.relativePath(i));
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace

class tst_ImportPlan : public QObject
{
    Q_OBJECT

private slots:
    void counts_data()
    {
        QTest::addColumn<QByteArrayList>("slot1");
        QTest::addColumn<QByteArrayList>("slot2"); // empty: a card of one slot
        QTest::addColumn<QByteArrayList>("destination");
        QTest::addColumn<QByteArrayList>("paths");
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<int>("folders");
        QTest::addColumn<int>("alreadyThere");
        QTest::addColumn<int>("secondCopies");

        QTest::newRow("a fresh card")
            << QByteArrayList{"DCIM/100NIKON/DSC_1.NEF=10", "DCIM/100NIKON/DSC_1.JPG=5",
                              "DCIM/101NIKON/DSC_2.NEF=7", "DCIM/102NIKON/"}
            << QByteArrayList{} << QByteArrayList{}
            << QByteArrayList{"DCIM/100NIKON/DSC_1.JPG", "DCIM/100NIKON/DSC_1.NEF",
                              "DCIM/101NIKON/DSC_2.NEF"}
            << qint64(22) << 2 << 0 << 0;
        QTest::newRow("hidden entries and links left alone")
            << QByteArrayList{"DCIM/100NIKON/A.NEF=1",
                              ".Trashes/B.NEF=1",
                              "DCIM/.thumbnails/C.JPG=1",
                              "DCIM/100NIKON/.D.NEF=1",
                              "DCIM/linked->100NIKON",
                              "DCIM/100NIKON/E.NEF->A.NEF",
                              "DCIM/100NIKON/F.NEF->/etc/hostname"}
            << QByteArrayList{} << QByteArrayList{} << QByteArrayList{"DCIM/100NIKON/A.NEF"}
            << qint64(1) << 1 << 0 << 0;
        QTest::newRow("already at the destination: same size only")
            << QByteArrayList{"D/A.NEF=4", "D/B.NEF=4", "D/C.NEF=4", "E/F.NEF=2"}
            << QByteArrayList{} << QByteArrayList{"D/A.NEF=4y", "D/B.NEF=3", "D/C.NEF/", "F.NEF=2"}
            << QByteArrayList{"D/A.NEF", "D/B.NEF", "D/C.NEF", "E/F.NEF"} << qint64(14) << 2 << 1
            << 0;
        QTest::newRow("a dual-slot card: the same path and size is a second copy")
            << QByteArrayList{"DCIM/100NIKON/A.NEF=4", "DCIM/100NIKON/B.JPG=2"}
            << QByteArrayList{"DCIM/100NIKON/A.NEF=4", "DCIM/100NIKON/C.NEF=3",
                              "DCIM/100NIKON/B.JPG=9", "DCIM/101NIKON/A.NEF=4"}
            << QByteArrayList{}
            << QByteArrayList{"DCIM/100NIKON/A.NEF", "DCIM/100NIKON/A.NEF", "DCIM/100NIKON/B.JPG",
                              "DCIM/100NIKON/B.JPG", "DCIM/100NIKON/C.NEF", "DCIM/101NIKON/A.NEF"}
            << qint64(26) << 3 << 0 << 1;
        QTest::newRow("names that are not UTF-8")
            << QByteArrayList{"DCIM/caf\xe9/DSC_\xff.NEF=3", "DCIM/caf\xe9/line\nbreak.JPG=1"}
            << QByteArrayList{} << QByteArrayList{"DCIM/caf\xe9/DSC_\xff.NEF=3"}
            << QByteArrayList{"DCIM/caf\xe9/DSC_\xff.NEF", "DCIM/caf\xe9/line\nbreak.JPG"}
            << qint64(4) << 1 << 1 << 0;
    }

    void counts()
    {
        QFETCH(QByteArrayList, slot1);
        QFETCH(QByteArrayList, slot2);
        QFETCH(QByteArrayList, destination);
        QTemporaryDir temp;
        const QByteArray root = QFile::encodeName(temp.path());
        QList<QByteArray> cards{root + "/slot1"};
        QVERIFY(makeTree(cards[0], slot1));
        if (!slot2.isEmpty()) {
            cards.append(root + "/slot2");
            QVERIFY(makeTree(cards[1], slot2));
        }
        QVERIFY(makeTree(root + "/copy", destination));

        const ImportPlan plan(cards, {root + "/copy"});
        QTEST(relativePaths(plan), "paths");
        QTEST(plan.bytes(), "bytes");
        QTEST(plan.folderCount(), "folders");
        QTEST(plan.alreadyThere(), "alreadyThere");
        QTEST(plan.destinations()[0].alreadyThere, "alreadyThere");
        QTEST(plan.secondCopies(), "secondCopies");
        QVERIFY(plan.unreadable().empty());
        // The path each file comes from, and that nothing else is at
        // destination but what the test made: the plan writes nothing.
        for (qsizetype i = 0; i < plan.fileCount(); ++i)
            QCOMPARE(quorvel::test::readFile(plan.sourcePath(i)).size(),
                     plan.files()[size_t(i)].size);
        if (destination.isEmpty())
            QVERIFY(!quorvel::test::exists(root + "/copy/DCIM"));
    }

    void whatIsAtTheDestination()
    {
        QTemporaryDir temp;
        const QByteArray root = QFile::encodeName(temp.path());
        QVERIFY(makeTree(root + "/card",
                         {"D/same.NEF=4", "D/size.NEF=4", "D/folder.NEF=4", "D/none.NEF=4"}));
        QVERIFY(makeTree(root + "/copy", {"D/same.NEF=4y", "D/size.NEF=5", "D/folder.NEF/"}));
        const ImportPlan plan({root + "/card"}, {root + "/copy"});
        QHash<QByteArray, ImportPlan::AtDestination> at;
        for (qsizetype i = 0; i < plan.fileCount(); ++i)
            at.insert(plan.files()[size_t(i)].name, plan.at(i, 0));
        QCOMPARE(at.value("same.NEF"), ImportPlan::AtDestination::SameSize);
        QCOMPARE(at.value("size.NEF"), ImportPlan::AtDestination::Other);
        QCOMPARE(at.value("folder.NEF"), ImportPlan::AtDestination::Other);
        QCOMPARE(at.value("none.NEF"), ImportPlan::AtDestination::Nothing);
        // Only what is not there yet needs room.
        QCOMPARE(plan.destinations()[0].bytesNeeded, 12);
    }

    void freeSpace_data()
    {
        QTest::addColumn<QList<qint64>>("free"); // a destination each
        QTest::addColumn<QList<bool>>("enough");

        QTest::newRow("room") << QList<qint64>{1000} << QList<bool>{true};
        QTest::newRow("exactly room") << QList<qint64>{100} << QList<bool>{true};
        QTest::newRow("one byte short") << QList<qint64>{99} << QList<bool>{false};
        QTest::newRow("backup short") << QList<qint64>{1000, 50} << QList<bool>{true, false};
        // Both copies come out of one volume's free space.
        QTest::newRow("one volume for both")
            << QList<qint64>{150, 150} << QList<bool>{false, false};
        QTest::newRow("one volume with room for both")
            << QList<qint64>{200, 200} << QList<bool>{true, true};
    }

    void freeSpace()
    {
        QFETCH(QList<qint64>, free);
        QFETCH(QList<bool>, enough);
        QTemporaryDir temp;
        const QByteArray root = QFile::encodeName(temp.path());
        QVERIFY(makeTree(root + "/card", {"DCIM/100NIKON/A.NEF=60", "DCIM/100NIKON/B.NEF=40"}));
        QList<QByteArray> destinations;
        QHash<QByteArray, qint64> freeAt;
        for (qsizetype d = 0; d < free.size(); ++d) {
            // Folders yet to be made: their room is their parent's.
            destinations.append(root + "/copy" + QByteArray::number(d) + "/2026-12-08");
            freeAt.insert(destinations.back(), free[d]);
        }
        // The test's folders all lie on one volume: two destinations share
        // its free space.
        const ImportPlan plan({root + "/card"}, destinations, [&](const QByteArray &path) {
            return std::optional<qint64>(freeAt.value(path));
        });
        QList<bool> found;
        for (const ImportPlan::Destination &destination : plan.destinations()) {
            QCOMPARE(destination.bytesNeeded, 100);
            found.append(destination.enoughSpace);
        }
        QCOMPARE(found, enough);
        QCOMPARE(plan.enoughSpace(), !enough.contains(false));
        // The figure without a function given is the system's own.
        QVERIFY(ImportPlan::freeSpaceOf(destinations[0]).value_or(-1) > 0);
    }

    void cardFolderMissing()
    {
        QTemporaryDir temp;
        const QByteArray root = QFile::encodeName(temp.path());
        try {
            const ImportPlan plan({root + "/no card"}, {root});
            QFAIL("a card folder that isn't there was planned");
        } catch (const quorvel::files::FolderError &error) {
            QCOMPARE(error.errorNumber(), ENOENT);
        }
    }
};

QTEST_GUILESS_MAIN(tst_ImportPlan)
#include "tst_ImportPlan.moc"
