#include "files/FileNames.h"
#include "files/FolderError.h"
#include "files/WildcardPattern.h"
#include "support/core/ScratchFolder.h"
#include "trimming/TreeTrimPlan.h"

#include <QSet>
#include <QTest>
#include <unistd.h>

using namespace quorvel;
using quorvel::test::ScratchFolder;
using trimming::TreeTrimPlan;

namespace {

// Makes each path under scratch: a name ending in "/" is a folder, "a -> b"
// a symbolic link, anything else an empty file; folders on the way are made.
bool make(const ScratchFolder &scratch, const QList<QByteArray> &paths)
{
    for (const QByteArray &path : paths) {
        const qsizetype arrow = path.indexOf(" -> ");
        const QByteArray name = arrow < 0 ? path : path.first(arrow);
        const QList<QByteArray> parts = name.split('/');
        QByteArray folder;
        for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
            folder += (folder.isEmpty() ? "" : "/") + parts[i];
            scratch.makeFolder(folder);
        }
        if (arrow >= 0) {
            if (symlink(path.mid(arrow + 4).constData(), scratch.at(name).constData()) != 0)
                return false;
        } else if (!name.endsWith('/') && !scratch.touch(name)) {
            return false;
        }
    }
    return true;
}

QString reasonText(TreeTrimPlan::SkipReason reason)
{
    switch (reason) {
    case TreeTrimPlan::SkipReason::NoPictureFolder:
        return QStringLiteral("no picture folder");
    case TreeTrimPlan::SkipReason::NoPictures:
        return QStringLiteral("no pictures");
    case TreeTrimPlan::SkipReason::Unreadable:
        return QStringLiteral("unreadable");
    case TreeTrimPlan::SkipReason::LinkedPictureFolder:
        return QStringLiteral("picture folder is a link");
    }
    return {};
}

} // namespace

class tst_TreeTrimPlan : public QObject
{
    Q_OBJECT

private slots:
    void pairsByPlace_data()
    {
        QTest::addColumn<QList<QByteArray>>("paths");
        QTest::addColumn<QByteArray>("pictureRoot");
        QTest::addColumn<QByteArray>("rawRoot");
        QTest::addColumn<bool>("below");
        // Each file to trim as its path below the RAW root, bytes exact.
        QTest::addColumn<QList<QByteArray>>("trimmed");
        // "relative path: why" for each RAW folder skipped.
        QTest::addColumn<QStringList>("skipped");
        // "relative path: pictures, RAW files" for each pair.
        QTest::addColumn<QStringList>("pairs");

        QTest::newRow("one tree: each folder pairs with itself, a picture anywhere in it keeps")
            << QList<QByteArray>{"card/DCIM/100NIKON/DSC_1.jpg", "card/DCIM/100NIKON/DSC_1.NEF",
                                 "card/DCIM/100NIKON/DSC_2.NEF", "card/DCIM/101NIKON/DSC_2.jpg",
                                 "card/DCIM/101NIKON/DSC_1.NEF", "card/DCIM/101NIKON/DSC_2.NEF",
                                 "card/DCIM/101NIKON/DSC_3.NEF", "card/MISC/"}
            << QByteArray("card") << QByteArray("card") << true
            << QList<QByteArray>{"DCIM/101NIKON/DSC_3.NEF"} << QStringList{}
            << QStringList{"DCIM/100NIKON: 1, 2", "DCIM/101NIKON: 1, 3"};
        QTest::newRow("two slots: a RAW folder pairs with the same place in the other tree")
            << QList<QByteArray>{"SLOT1/DCIM/100NIKON/DSC_1.JPG", "SLOT1/DCIM/100NIKON/DSC_2.JPG",
                                 "SLOT2/DCIM/100NIKON/DSC_1.NEF", "SLOT2/DCIM/100NIKON/DSC_2.NEF",
                                 "SLOT2/DCIM/100NIKON/DSC_3.NEF", "SLOT1/DCIM/101NIKON/DSC_4.JPG",
                                 "SLOT2/DCIM/101NIKON/DSC_4.NEF", "SLOT2/DCIM/101NIKON/DSC_5.NEF"}
            << QByteArray("SLOT1") << QByteArray("SLOT2") << true
            << QList<QByteArray>{"DCIM/100NIKON/DSC_3.NEF", "DCIM/101NIKON/DSC_5.NEF"}
            << QStringList{} << QStringList{"DCIM/100NIKON: 2, 3", "DCIM/101NIKON: 1, 2"};
        QTest::newRow("a RAW folder without its picture folder is skipped, not emptied")
            << QList<QByteArray>{"SLOT1/DCIM/100NIKON/DSC_1.JPG", "SLOT2/DCIM/100NIKON/DSC_1.NEF",
                                 "SLOT2/DCIM/100NIKON/DSC_2.NEF", "SLOT2/DCIM/102NIKON/DSC_7.NEF"}
            << QByteArray("SLOT1") << QByteArray("SLOT2") << true
            << QList<QByteArray>{"DCIM/100NIKON/DSC_2.NEF"}
            << QStringList{"DCIM/102NIKON: no picture folder"}
            << QStringList{"DCIM/100NIKON: 1, 2"};
        QTest::newRow("a picture folder that is a link is named as one, not as missing")
            << QList<QByteArray>{"SLOT1/DCIM/100NIKON -> ../../elsewhere", "elsewhere/DSC_1.JPG",
                                 "SLOT2/DCIM/100NIKON/DSC_1.NEF", "SLOT2/DCIM/100NIKON/DSC_2.NEF"}
            << QByteArray("SLOT1") << QByteArray("SLOT2") << true << QList<QByteArray>{}
            << QStringList{"DCIM/100NIKON: picture folder is a link"} << QStringList{};
        QTest::newRow("a picture folder without pictures is skipped, not emptied")
            << QList<QByteArray>{"card/DCIM/100NIKON/DSC_1.jpg", "card/DCIM/100NIKON/DSC_2.NEF",
                                 "card/DCIM/101NIKON/DSC_3.NEF", "card/DCIM/101NIKON/DSC_3.tif"}
            << QByteArray("card") << QByteArray("card") << true
            << QList<QByteArray>{"DCIM/100NIKON/DSC_2.NEF"}
            << QStringList{"DCIM/101NIKON: no pictures"} << QStringList{"DCIM/100NIKON: 1, 1"};
        QTest::newRow("one folder with no pictures: skipped")
            << QList<QByteArray>{"card/DSC_1.NEF", "card/sub/DSC_2.jpg"} << QByteArray("card")
            << QByteArray("card") << false << QList<QByteArray>{} << QStringList{": no pictures"}
            << QStringList{};
        QTest::newRow("without below, nothing under the folders")
            << QList<QByteArray>{"card/DSC_1.jpg", "card/DSC_2.NEF", "card/sub/DSC_3.NEF",
                                 "card/sub/DSC_4.jpg"}
            << QByteArray("card") << QByteArray("card") << false << QList<QByteArray>{"DSC_2.NEF"}
            << QStringList{} << QStringList{": 1, 1"};
        QTest::newRow("hidden folders and symbolic links are not walked")
            << QList<QByteArray>{"card/DCIM/100NIKON/DSC_1.jpg",
                                 "card/DCIM/100NIKON/DSC_2.NEF",
                                 "card/.Trash-1000/files/DSC_8.NEF",
                                 "card/.Trash-1000/files/DSC_9.jpg",
                                 "card/DCIM/.thumbnails/DSC_5.NEF",
                                 "card/again -> DCIM",
                                 "elsewhere/DSC_6.NEF",
                                 "elsewhere/DSC_7.jpg",
                                 "card/DCIM/out -> ../../elsewhere"}
            << QByteArray("card") << QByteArray("card") << true
            << QList<QByteArray>{"DCIM/100NIKON/DSC_2.NEF"} << QStringList{}
            << QStringList{"DCIM/100NIKON: 1, 1"};
        QTest::newRow("names that are not UTF-8, folders and files")
            << QList<QByteArray>{"card/DCIM/\xff\xfe"
                                 "100/IMG_\xe9.jpg",
                                 "card/DCIM/\xff\xfe"
                                 "100/IMG_\xe9.NEF",
                                 "card/DCIM/\xff\xfe"
                                 "100/IMG_\xe8.NEF",
                                 "card/DCIM/\xff\xfd"
                                 "100/IMG_\xe8.NEF"}
            << QByteArray("card") << QByteArray("card") << true
            << QList<QByteArray>{"DCIM/\xff\xfe"
                                 "100/IMG_\xe8.NEF"}
            << QStringList{files::decodeFileName("DCIM/\xff\xfd"
                                                 "100") +
                           ": no pictures"}
            << QStringList{files::decodeFileName("DCIM/\xff\xfe"
                                                 "100") +
                           ": 1, 2"};
        QTest::newRow("the RAW tree within the picture tree pairs by the place under each")
            << QList<QByteArray>{"card/DSC_1.jpg",          "card/RAW/DSC_1.NEF",
                                 "card/RAW/DSC_2.NEF",      "card/day2/DSC_3.jpg",
                                 "card/RAW/day2/DSC_3.NEF", "card/RAW/day2/DSC_4.NEF"}
            << QByteArray("card") << QByteArray("card/RAW") << true
            << QList<QByteArray>{"DSC_2.NEF", "day2/DSC_4.NEF"} << QStringList{}
            << QStringList{": 1, 2", "day2: 1, 2"};
    }
    void pairsByPlace()
    {
        QFETCH(QList<QByteArray>, paths);
        QFETCH(QByteArray, pictureRoot);
        QFETCH(QByteArray, rawRoot);
        QFETCH(bool, below);
        QFETCH(QList<QByteArray>, trimmed);
        QFETCH(QStringList, skipped);
        QFETCH(QStringList, pairs);

        ScratchFolder scratch;
        QVERIFY(scratch.isValid());
        QVERIFY(make(scratch, paths));
        const QString rawPath = files::decodeFileName(scratch.at(rawRoot));
        const TreeTrimPlan plan(files::decodeFileName(scratch.at(pictureRoot)), rawPath,
                                files::WildcardPattern(u"*.jpg"), files::WildcardPattern(u"*.nef"),
                                below, false);

        QList<QByteArray> actualTrimmed;
        QStringList actualPairs;
        for (const TreeTrimPlan::Pair &pair : plan.pairs()) {
            actualPairs.append(QStringLiteral("%1: %2, %3")
                                   .arg(pair.relativePath)
                                   .arg(pair.pictureNames->size())
                                   .arg(pair.rawNames->size()));
            QCOMPARE(pair.rawFolder, files::joinPath(rawPath, pair.relativePath)
                                         .chopped(pair.relativePath.isEmpty() ? 1 : 0));
            for (const int index : pair.toTrim) {
                const QByteArray prefix = files::encodeFileName(pair.relativePath);
                actualTrimmed.append((prefix.isEmpty() ? prefix : prefix + '/') +
                                     pair.rawNames->bytes(index).toByteArray());
            }
        }
        QStringList actualSkipped;
        for (const TreeTrimPlan::Skipped &skip : plan.skipped())
            actualSkipped.append(skip.relativePath + QStringLiteral(": ") +
                                 reasonText(skip.reason));
        QCOMPARE(actualTrimmed, trimmed);
        QCOMPARE(actualSkipped, skipped);
        QCOMPARE(actualPairs, pairs);
        QCOMPARE(plan.filesToTrim(), int(trimmed.size()));

        // The RAW names left as read take the same files from the same pairs.
        const TreeTrimPlan asRead(files::decodeFileName(scratch.at(pictureRoot)), rawPath,
                                  files::WildcardPattern(u"*.jpg"),
                                  files::WildcardPattern(u"*.nef"), below, false,
                                  files::FolderListing::Order::AsRead);
        QCOMPARE(asRead.pairs().size(), plan.pairs().size());
        QCOMPARE(asRead.skipped().size(), plan.skipped().size());
        for (size_t p = 0; p < plan.pairs().size(); ++p) {
            const TreeTrimPlan::Pair &pair = asRead.pairs()[p];
            QCOMPARE(pair.relativePath, plan.pairs()[p].relativePath);
            QSet<QByteArray> taken;
            for (const int index : pair.toTrim)
                taken.insert(pair.rawNames->bytes(index).toByteArray());
            QSet<QByteArray> expected;
            for (const int index : plan.pairs()[p].toTrim)
                expected.insert(plan.pairs()[p].rawNames->bytes(index).toByteArray());
            QCOMPARE(taken, expected);
        }
    }

    void sidecarsGoAlongWithinTheirFolder()
    {
        ScratchFolder scratch;
        QVERIFY(make(scratch, {"card/a/DSC_1.jpg", "card/a/DSC_2.NEF", "card/a/DSC_2.NEF.xmp",
                               "card/b/DSC_3.jpg", "card/b/DSC_3.NEF", "card/b/DSC_2.xmp"}));
        const QString card = files::decodeFileName(scratch.at("card"));
        const TreeTrimPlan plan(card, card, files::WildcardPattern(u"*.jpg"),
                                files::WildcardPattern(u"*.nef"), true, true);
        QCOMPARE(plan.pairs().size(), size_t(2));
        QCOMPARE(plan.pairs()[0].sidecars, std::vector<QStringList>{{"DSC_2.NEF.xmp"}});
        QVERIFY(plan.pairs()[1].toTrim.empty());
        QCOMPARE(plan.sidecarsToTrim(), 1);
    }

    // With sub-folders, a RAW file stays while a picture of its base name is
    // anywhere in the picture tree, and the plan says where.
    void keptByAPictureElsewhere_data()
    {
        QTest::addColumn<QList<QByteArray>>("paths");
        QTest::addColumn<QByteArray>("rawRoot");
        QTest::addColumn<QList<QByteArray>>("trimmed");
        QTest::addColumn<QStringList>("kept"); // "RAW file <- picture folder"
        QTest::newRow("a keeper moved into selects")
            << QList<QByteArray>{"card/100NIKON/DSC_1.jpg", "card/100NIKON/DSC_1.NEF",
                                 "card/100NIKON/DSC_7.NEF", "card/100NIKON/DSC_8.NEF",
                                 "card/100NIKON/selects/DSC_7.jpg"}
            << QByteArray("card") << QList<QByteArray>{"100NIKON/DSC_8.NEF"}
            << QStringList{"100NIKON/DSC_7.NEF <- 100NIKON/selects"};
        QTest::newRow("a picture at the root keeps a RAW file below")
            << QList<QByteArray>{"card/DSC_9.jpg", "card/100/DSC_1.jpg", "card/100/DSC_9.NEF"}
            << QByteArray("card") << QList<QByteArray>{} << QStringList{"100/DSC_9.NEF <- ."};
        QTest::newRow("two slots: a picture in another folder of the picture slot")
            << QList<QByteArray>{"SLOT1/100/DSC_1.jpg", "SLOT1/101/DSC_2.jpg",
                                 "SLOT2/100/DSC_1.NEF", "SLOT2/100/DSC_2.NEF",
                                 "SLOT2/100/DSC_3.NEF", "SLOT2/101/DSC_1.jpg"}
            << QByteArray("SLOT2") << QList<QByteArray>{"100/DSC_3.NEF"}
            << QStringList{"100/DSC_2.NEF <- 101"};
    }
    void keptByAPictureElsewhere()
    {
        QFETCH(QList<QByteArray>, paths);
        QFETCH(QByteArray, rawRoot);
        QFETCH(QList<QByteArray>, trimmed);
        QFETCH(QStringList, kept);
        ScratchFolder scratch;
        QVERIFY(make(scratch, paths));
        const QByteArray pictureRoot = rawRoot == "SLOT2" ? QByteArray("SLOT1") : rawRoot;
        const TreeTrimPlan plan(files::decodeFileName(scratch.at(pictureRoot)),
                                files::decodeFileName(scratch.at(rawRoot)),
                                files::WildcardPattern(u"*.jpg"), files::WildcardPattern(u"*.nef"),
                                true, false);
        QList<QByteArray> actualTrimmed;
        QStringList actualKept;
        for (const TreeTrimPlan::Pair &pair : plan.pairs()) {
            const QString prefix =
                pair.relativePath.isEmpty() ? QString() : pair.relativePath + '/';
            for (const int index : pair.toTrim)
                actualTrimmed.append(files::encodeFileName(prefix) +
                                     pair.rawNames->bytes(index).toByteArray());
            for (const TreeTrimPlan::Pair::Kept &keeper : pair.keptElsewhere)
                actualKept.append(prefix + pair.rawNames->at(keeper.rawIndex) + " <- " +
                                  keeper.pictureFolder);
        }
        QCOMPARE(actualTrimmed, trimmed);
        QCOMPARE(actualKept, kept);
        QCOMPARE(plan.keptElsewhere(), int(kept.size()));
        // Without sub-folders each folder keeps only by its own pictures.
        if (!paths.first().contains("100NIKON"))
            return;
        const QString folder = files::decodeFileName(scratch.at("card/100NIKON"));
        const TreeTrimPlan one(folder, folder, files::WildcardPattern(u"*.jpg"),
                               files::WildcardPattern(u"*.nef"), false, false);
        QCOMPARE(one.filesToTrim(), 2);
    }

    // What ends a plan before it is made, with the error it ends with.
    void givesUp_data()
    {
        QTest::addColumn<QByteArray>("rawRoot");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<int>("errorNumber");
        QTest::newRow("RAW root missing") << QByteArray("missing") << false << ENOENT;
        QTest::newRow("RAW root missing within the picture tree")
            << QByteArray("pictures/missing") << false << ENOENT;
        QTest::newRow("a path through a missing folder")
            << QByteArray("missing/../pictures") << false << ENOENT;
        QTest::newRow("walk cancelled") << QByteArray("pictures") << true << ECANCELED;
    }
    void givesUp()
    {
        QFETCH(QByteArray, rawRoot);
        QFETCH(bool, cancelled);
        QFETCH(int, errorNumber);
        ScratchFolder scratch;
        QVERIFY(make(scratch, {"pictures/DSC_1.jpg", "pictures/100/DSC_2.nef"}));
        const std::atomic<bool> stop{cancelled};
        try {
            TreeTrimPlan(files::decodeFileName(scratch.at("pictures")),
                         files::decodeFileName(scratch.at(rawRoot)),
                         files::WildcardPattern(u"*.jpg"), files::WildcardPattern(u"*.nef"), true,
                         false, files::FolderListing::Order::Ascending, &stop);
            QFAIL("no plan is made");
        } catch (const files::FolderError &error) {
            QCOMPARE(error.errorNumber(), errorNumber);
        }
    }
};

QTEST_GUILESS_MAIN(tst_TreeTrimPlan)
#include "tst_TreeTrimPlan.moc"
