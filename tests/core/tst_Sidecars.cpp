#include "files/FolderSnapshot.h"
#include "files/NameList.h"
#include "support/core/TestFiles.h"
#include "trimming/Sidecars.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;

class tst_Sidecars : public QObject
{
    Q_OBJECT

private slots:
    void whichGoAlong_data()
    {
        QTest::addColumn<QStringList>("folder");
        QTest::addColumn<QStringList>("raws");
        QTest::addColumn<QList<int>>("going");
        // "RAW: sidecar" for each sidecar that goes along.
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("both forms, every editor's suffix")
            << QStringList{"IMG_1.NEF", "IMG_1.NEF.xmp", "IMG_1.xmp", "IMG_1.NEF.pp3",
                           "IMG_1.NEF.dop"}
            << QStringList{"IMG_1.NEF"} << QList<int>{0}
            << QStringList{"IMG_1.NEF: IMG_1.NEF.dop", "IMG_1.NEF: IMG_1.NEF.pp3",
                           "IMG_1.NEF: IMG_1.NEF.xmp", "IMG_1.NEF: IMG_1.xmp"};
        QTest::newRow("suffix in any case")
            << QStringList{"IMG_2.nef", "IMG_2.nef.XMP", "IMG_2.Xmp", "IMG_2.nef.PP3"}
            << QStringList{"IMG_2.nef"} << QList<int>{0}
            << QStringList{"IMG_2.nef: IMG_2.Xmp", "IMG_2.nef: IMG_2.nef.PP3",
                           "IMG_2.nef: IMG_2.nef.XMP"};
        QTest::newRow("the name before the suffix compares exactly")
            << QStringList{"IMG_3.nef", "img_3.xmp", "IMG_3.NEF.xmp"} << QStringList{"IMG_3.nef"}
            << QList<int>{0} << QStringList{};
        QTest::newRow("only .xmp after the base name")
            << QStringList{"IMG_4.nef", "IMG_4.pp3", "IMG_4.dop"} << QStringList{"IMG_4.nef"}
            << QList<int>{0} << QStringList{};
        QTest::newRow("a RAW file that stays keeps its sidecars")
            << QStringList{"A.nef", "A.xmp", "A.nef.pp3", "B.nef", "B.xmp"}
            << QStringList{"A.nef", "B.nef"} << QList<int>{1} << QStringList{"B.nef: B.xmp"};
        QTest::newRow("a base-name sidecar stays while a picture of that name is there")
            << QStringList{"C.nef", "C.jpg", "C.xmp", "C.nef.xmp"} << QStringList{"C.nef"}
            << QList<int>{0} << QStringList{"C.nef: C.nef.xmp"};
        QTest::newRow("a base-name sidecar of two RAW files that both go, once")
            << QStringList{"E.cr2", "E.nef", "E.xmp"} << QStringList{"E.cr2", "E.nef"}
            << QList<int>{0, 1} << QStringList{"E.cr2: E.xmp"};
        QTest::newRow("other suffixes are no sidecars")
            << QStringList{"J.nef", "J.nef.txt", "J.nef.jpg", "J.txt"} << QStringList{"J.nef"}
            << QList<int>{0} << QStringList{};
        QTest::newRow("nothing goes") << QStringList{"F.nef", "F.xmp"} << QStringList{"F.nef"}
                                      << QList<int>{} << QStringList{};
        QTest::newRow("a RAW file no longer there leaves its sidecar")
            << QStringList{"H.xmp"} << QStringList{"H.nef"} << QList<int>{0} << QStringList{};
    }
    void whichGoAlong()
    {
        QFETCH(QStringList, folder);
        QFETCH(QStringList, raws);
        QFETCH(QList<int>, going);
        QFETCH(QStringList, expected);
        QTemporaryDir temp;
        test::touchFiles(temp.path(), folder);
        QDir(temp.path()).mkdir(raws.first() + ".dop"); // a folder is nobody's sidecar
        const std::vector<int> goingRows(going.begin(), going.end());
        const std::vector<QStringList> sidecars = trimming::Sidecars::of(
            files::NameList::encoded(raws), goingRows, files::FolderSnapshot(temp.path()));
        QCOMPARE(sidecars.size(), goingRows.size());
        QStringList found;
        for (size_t k = 0; k < goingRows.size(); ++k) {
            for (const QString &sidecar : sidecars[k])
                found << raws.at(goingRows[k]) + QStringLiteral(": ") + sidecar;
        }
        found.sort();
        QCOMPARE(found, expected);
    }
};

QTEST_APPLESS_MAIN(tst_Sidecars)
#include "tst_Sidecars.moc"
