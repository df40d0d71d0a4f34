#include "files/FileNames.h"
#include "files/WildcardPattern.h"
#include "support/core/ScratchFolder.h"
#include "trimming/TreeTrimPlan.h"
#include "trimming/TreeTrimTable.h"

#include <QTest>

using namespace quorvel;
using quorvel::test::ScratchFolder;
using trimming::TreeTrimTable;

class tst_TreeTrimTable : public QObject
{
    Q_OBJECT

    // Makes each path under scratch, with the folders on the way.
    static void make(const ScratchFolder &scratch, const QList<QByteArray> &paths)
    {
        for (const QByteArray &path : paths) {
            const QList<QByteArray> parts = path.split('/');
            QByteArray folder;
            for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
                folder += (folder.isEmpty() ? "" : "/") + parts[i];
                scratch.makeFolder(folder);
            }
            QVERIFY(scratch.touch(path));
        }
    }

private slots:
    void rowsTellEachFolderAndTheTotal_data()
    {
        QTest::addColumn<QList<QByteArray>>("paths");
        QTest::addColumn<QByteArray>("rawRoot");
        QTest::addColumn<bool>("sidecars");
        // "folder|pictures|RAW files|to trim|sidecars|note", the total last.
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("totalLine");

        // A name that is not UTF-8 is shown as every list shows it.
        const QString notUtf8 = files::visibleName(files::decodeFileName("\xff\xfe"));
        const QList<QByteArray> card = {
            "card/A.jpg",          "card/A.nef",          "card/B.nef",         "card/100/A.jpg",
            "card/100/B.nef",      "card/100/B.nef.xmp",  "card/100/C.nef",     "card/101/C.nef",
            "card/102/D.jpg",      "card/102/D.nef",      "card/10\n3/E.jpg",   "card/10\n3/F.nef",
            "card/.Trash-0/G.nef", "card/\xff\xfe/H.nef", "card/\xff\xfe/H.tif"};
        QTest::newRow("one tree")
            << card << QByteArray("card") << false
            << QStringList{".|1|2|1|0|",
                           "10\\n3|1|1|1|0|",
                           "100|1|2|2|0|",
                           "102|1|1|0|0|",
                           "101|0|1|0|0|left alone: no pictures (*.jpg) here",
                           notUtf8 + "|0|1|0|0|left alone: no pictures (*.jpg) here",
                           "Total|4|8|4|0|"}
            << "4 RAW file(s) in 3 folder(s) go to the trash; 2 RAW folder(s) left alone";
        QTest::newRow("one tree, sidecars")
            << card << QByteArray("card") << true
            << QStringList{".|1|2|1|0|",
                           "10\\n3|1|1|1|0|",
                           "100|1|2|2|1|",
                           "102|1|1|0|0|",
                           "101|0|1|0|0|left alone: no pictures (*.jpg) here",
                           notUtf8 + "|0|1|0|0|left alone: no pictures (*.jpg) here",
                           "Total|4|8|4|1|"}
            << "4 RAW file(s) in 3 folder(s) go to the trash; 2 RAW folder(s) left alone";
        QTest::newRow("two slots, a RAW folder without its picture folder")
            << QList<QByteArray>{"SLOT1/DCIM/100/A.jpg", "SLOT2/DCIM/100/A.nef",
                                 "SLOT2/DCIM/100/B.nef", "SLOT2/DCIM/101/C.nef"}
            << QByteArray("SLOT2") << false
            << QStringList{"DCIM/100|1|2|1|0|",
                           "DCIM/101||1|0|0|left alone: no picture folder here", "Total|1|3|1|0|"}
            << "1 RAW file(s) in 1 folder(s) go to the trash; 1 RAW folder(s) left alone";
        QTest::newRow("two slots, a keeper moved into a folder of its own")
            << QList<QByteArray>{"SLOT1/DCIM/100/A.jpg", "SLOT1/DCIM/100/sel/B.jpg",
                                 "SLOT2/DCIM/100/A.nef", "SLOT2/DCIM/100/B.nef",
                                 "SLOT2/DCIM/100/C.nef"}
            << QByteArray("SLOT2") << false
            << QStringList{"DCIM/100|1|3|1|0|",
                           "DCIM/100/B.nef|||0|0|kept: its picture is in "
                           "DCIM/100/sel",
                           "Total|1|3|1|0|"}
            << "1 RAW file(s) in 1 folder(s) go to the trash; 1 kept by a picture in another "
               "folder";
    }
    void rowsTellEachFolderAndTheTotal()
    {
        QFETCH(QList<QByteArray>, paths);
        QFETCH(QByteArray, rawRoot);
        QFETCH(bool, sidecars);
        QFETCH(QStringList, rows);
        QFETCH(QString, totalLine);
        ScratchFolder scratch;
        make(scratch, paths);
        const QByteArray pictureRoot = rawRoot == "SLOT2" ? QByteArray("SLOT1") : rawRoot;
        const trimming::TreeTrimPlan plan(
            QString::fromUtf8(scratch.at(pictureRoot)), QString::fromUtf8(scratch.at(rawRoot)),
            files::WildcardPattern(QStringLiteral("*.jpg")),
            files::WildcardPattern(QStringLiteral("*.nef")), true, sidecars);
        const TreeTrimTable table(plan, QStringLiteral("*.jpg"), sidecars);
        QStringList shown;
        for (const TreeTrimTable::Row &row : table.rows())
            shown << QStringList{row.folder,
                                 TreeTrimTable::cell(row.pictures),
                                 TreeTrimTable::cell(row.rawFiles),
                                 TreeTrimTable::cell(row.toTrim),
                                 TreeTrimTable::cell(row.sidecars),
                                 row.note}
                         .join(u'|');
        QCOMPARE(shown, rows);
        QCOMPARE(table.totalLine(), totalLine);
        QCOMPARE(table.filesToTrim(), plan.filesToTrim());
        QCOMPARE(table.withSidecars(), sidecars);
        QCOMPARE(table.skippedLine(), table.foldersSkipped() == 0
                                          ? QString()
                                          : QStringLiteral("%1 RAW folder(s) left alone, as listed")
                                                .arg(table.foldersSkipped()));
    }

    void nothingLeftAloneSaysNothingOfIt()
    {
        ScratchFolder scratch;
        make(scratch, {"card/A.jpg", "card/A.nef", "card/100/B.jpg", "card/100/C.nef"});
        const trimming::TreeTrimPlan plan(
            QString::fromUtf8(scratch.at("card")), QString::fromUtf8(scratch.at("card")),
            files::WildcardPattern(QStringLiteral("*.jpg")),
            files::WildcardPattern(QStringLiteral("*.nef")), true, false);
        const TreeTrimTable table(plan, QStringLiteral("*.jpg"), false);
        QCOMPARE(table.totalLine(), QStringLiteral("1 RAW file(s) in 1 folder(s) go to the trash"));
        QVERIFY(table.skippedLine().isEmpty());
        QCOMPARE(table.rows().size(), size_t(3));
    }
};

QTEST_GUILESS_MAIN(tst_TreeTrimTable)
#include "tst_TreeTrimTable.moc"
