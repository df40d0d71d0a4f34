#include "files/CameraFormats.h"

#include <QTest>

using quorvel::files::CameraFormats;

class tst_CameraFormats : public QObject
{
    Q_OBJECT

private slots:
    void isRawExtension_data();
    void isRawExtension();
    void patternOf_data();
    void patternOf();
    void boxesListTheirEntriesInOrder_data();
    void boxesListTheirEntriesInOrder();
    void everyListedEntryIsARawFormat();
};

void tst_CameraFormats::isRawExtension_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("expected");
    QTest::newRow("nef") << "nef" << true;
    QTest::newRow("upper case") << "NEF" << true;
    QTest::newRow("mixed case") << "Cr2" << true;
    QTest::newRow("cr3, no box entry") << "cr3" << true;
    QTest::newRow("rw2, no box entry") << "rw2" << true;
    QTest::newRow("3fr") << "3fr" << true;
    QTest::newRow("srw") << "srw" << true;
    QTest::newRow("jpg") << "jpg" << false;
    QTest::newRow("tif") << "tif" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("longer") << "nefx" << false;
    QTest::newRow("shorter") << "ne" << false;
    QTest::newRow("with the dot") << ".nef" << false;
}

void tst_CameraFormats::isRawExtension()
{
    QFETCH(QString, suffix);
    QFETCH(bool, expected);
    QCOMPARE(CameraFormats::isRawExtension(suffix), expected);
}

void tst_CameraFormats::patternOf_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("maker's note left out") << "*.nef (Nikon)"
                                           << "*.nef";
    QTest::newRow("no note") << "*.raw"
                             << "*.raw";
    QTest::newRow("four letters cut to three") << "*.tiff"
                                               << "*.tif";
    QTest::newRow("separator") << "-------"
                               << "-----";
    QTest::newRow("short") << "*.x"
                           << "*.x";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_CameraFormats::patternOf()
{
    QFETCH(QString, entry);
    QFETCH(QString, pattern);
    QCOMPARE(CameraFormats::patternOf(entry), pattern);
}

void tst_CameraFormats::boxesListTheirEntriesInOrder_data()
{
    const QStringList raws = {
        "*.nef (Nikon)",   "*.crw (Canon)",   "*.cr2 (Canon)", "*.kdc (Kodak)",  "*.dcr (Kodak)",
        "*.mrw (Minolta)", "*.orf (Olympus)", "*.dng (Adobe)", "*.ptx (Pentax)", "*.pef (Pentax)",
        "*.arw (Sony)",    "*.raf (Fuji)",    "*.x3f (Sigma)", "*.raw"};
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("RAW entries") << CameraFormats::rawEntries() << raws;
    QTest::newRow("RAW side") << CameraFormats::rawSideEntries()
                              << raws + QStringList{"-------", "*.jpg", "*.tif", "*.tiff"};
    QTest::newRow("picture side") << CameraFormats::pictureSideEntries()
                                  << QStringList{"*.jpg", "*.tif", "*.tiff", "-------"} + raws;
}

void tst_CameraFormats::boxesListTheirEntriesInOrder()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, expected);
    QCOMPARE(entries, expected);
}

void tst_CameraFormats::everyListedEntryIsARawFormat()
{
    for (const QString &entry : CameraFormats::rawEntries())
        QVERIFY2(CameraFormats::isRawExtension(CameraFormats::patternOf(entry).mid(2)),
                 qPrintable(entry));
    QStringList all = CameraFormats::rawExtensions();
    QCOMPARE(all.size(), 26);
    QCOMPARE(all.removeDuplicates(), 0);
}

QTEST_GUILESS_MAIN(tst_CameraFormats)
#include "tst_CameraFormats.moc"
