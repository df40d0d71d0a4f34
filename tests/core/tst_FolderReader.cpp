#include "files/FolderError.h"
#include "files/FolderReader.h"
#include "files/WildcardPattern.h"
#include "support/core/TestFiles.h"

#include <cerrno>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using quorvel::files::FolderError;
using quorvel::files::FolderReader;
using quorvel::files::WildcardPattern;
using quorvel::test::touchFiles;

class tst_FolderReader : public QObject
{
    Q_OBJECT

private slots:
    void outsideASpanEveryListingReadsTheDisk();
    void insideASpanAFolderIsReadOnce();
    void spansNestAndTheOutermostEndDropsTheReadings();
    void anUnreadableFolderIsNotKept();
    void eachFolderHasAReadingOfItsOwn();
};

void tst_FolderReader::outsideASpanEveryListingReadsTheDisk()
{
    QTemporaryDir folder;
    touchFiles(folder.path(), {QStringLiteral("DSC_0001.NEF")});
    FolderReader readings;
    const WildcardPattern nef(u"*.nef");
    QCOMPARE(readings.files(folder.path(), nef), QStringList{"DSC_0001.NEF"});

    touchFiles(folder.path(), {QStringLiteral("DSC_0002.NEF")});
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Edits")));
    QCOMPARE(readings.files(folder.path(), nef), (QStringList{"DSC_0001.NEF", "DSC_0002.NEF"}));
    QCOMPARE(readings.subfolders(folder.path()), QStringList{"Edits"});
}

void tst_FolderReader::insideASpanAFolderIsReadOnce()
{
    QTemporaryDir folder;
    touchFiles(folder.path(), {QStringLiteral("DSC_0001.NEF"), QStringLiteral("DSC_0001.JPG")});
    FolderReader readings;
    {
        const auto sharing = readings.share();
        QVERIFY(readings.isSharing());
        QCOMPARE(readings.subfolders(folder.path()), QStringList{});

        // What changes on the disk from here on is not seen until the span
        // ends: every list of the span shows the same moment of the folder,
        // whatever pattern it takes from it.
        touchFiles(folder.path(), {QStringLiteral("DSC_0002.NEF")});
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Edits")));
        QCOMPARE(readings.files(folder.path(), WildcardPattern(u"*.nef")),
                 QStringList{"DSC_0001.NEF"});
        QCOMPARE(readings.files(folder.path(), WildcardPattern(u"*.jpg")),
                 QStringList{"DSC_0001.JPG"});
        QCOMPARE(readings.subfolders(folder.path()), QStringList{});
    }
    QVERIFY(!readings.isSharing());
    QCOMPARE(readings.files(folder.path(), WildcardPattern(u"*.nef")),
             (QStringList{"DSC_0001.NEF", "DSC_0002.NEF"}));
    QCOMPARE(readings.subfolders(folder.path()), QStringList{"Edits"});
}

void tst_FolderReader::spansNestAndTheOutermostEndDropsTheReadings()
{
    QTemporaryDir folder;
    touchFiles(folder.path(), {QStringLiteral("a.nef")});
    FolderReader readings;
    const WildcardPattern nef(u"*.nef");
    {
        const auto outer = readings.share();
        QCOMPARE(readings.files(folder.path(), nef).size(), 1);
        {
            const auto inner = readings.share();
            touchFiles(folder.path(), {QStringLiteral("b.nef")});
            QCOMPARE(readings.files(folder.path(), nef).size(), 1);
        }
        QVERIFY(readings.isSharing());
        QCOMPARE(readings.files(folder.path(), nef).size(), 1);
    }
    QCOMPARE(readings.files(folder.path(), nef).size(), 2);
}

void tst_FolderReader::anUnreadableFolderIsNotKept()
{
    QTemporaryDir parent;
    const QString card = parent.filePath(QStringLiteral("card"));
    FolderReader readings;
    const auto sharing = readings.share();
    try {
        readings.files(card, WildcardPattern(u"*.nef"));
        QFAIL("a missing folder was listed");
    } catch (const FolderError &error) {
        QCOMPARE(error.folder(), card);
        QCOMPARE(error.errorNumber(), ENOENT);
    }
    // The card is put in: the same span reads it now.
    touchFiles(card, {QStringLiteral("DSC_0001.NEF")});
    QCOMPARE(readings.files(card, WildcardPattern(u"*.nef")), QStringList{"DSC_0001.NEF"});
}

void tst_FolderReader::eachFolderHasAReadingOfItsOwn()
{
    QTemporaryDir pictures;
    QTemporaryDir raws;
    touchFiles(pictures.path(), {QStringLiteral("DSC_0001.JPG")});
    touchFiles(raws.path(), {QStringLiteral("DSC_0001.NEF"), QStringLiteral("DSC_0002.NEF")});
    FolderReader readings;
    const auto sharing = readings.share();
    const WildcardPattern all(u"*.*");
    QCOMPARE(readings.files(pictures.path(), all), QStringList{"DSC_0001.JPG"});
    QCOMPARE(readings.files(raws.path(), all), (QStringList{"DSC_0001.NEF", "DSC_0002.NEF"}));
    QCOMPARE(readings.files(pictures.path(), all), QStringList{"DSC_0001.JPG"});
}

QTEST_GUILESS_MAIN(tst_FolderReader)
#include "tst_FolderReader.moc"
