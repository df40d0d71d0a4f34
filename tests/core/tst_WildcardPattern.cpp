#include "files/FolderListing.h"
#include "files/WildcardPattern.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using quorvel::files::WildcardPattern;

class tst_WildcardPattern : public QObject
{
    Q_OBJECT

private slots:
    void matches_data();
    void matches();
    void keepsItsText();
    void manyStarsStayFast();
    void listingLeavesHiddenFilesOut();
};

void tst_WildcardPattern::matches_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("expected");

    // Letter case is ignored on both sides.
    QTest::newRow("case: upper name") << "*.jpg"
                                      << "IMG_0001.JPG" << true;
    QTest::newRow("case: upper pattern") << "*.JPG"
                                         << "img_0001.jpg" << true;
    QTest::newRow("case: mixed") << "dsc_*.NeF"
                                 << "DSC_0042.nEf" << true;
    QTest::newRow("case: other extension") << "*.jpg"
                                           << "IMG_0001.JPE" << false;

    QTest::newRow("?: one character") << "img_?.jpg"
                                      << "img_1.jpg" << true;
    QTest::newRow("?: not zero characters") << "img_?.jpg"
                                            << "img_.jpg" << false;
    QTest::newRow("?: not two characters") << "img_?.jpg"
                                           << "img_12.jpg" << false;
    QTest::newRow("?: matches a dot") << "a?b"
                                      << "a.b" << true;
    QTest::newRow("?: four in a row") << "????.nef"
                                      << "dsc1.nef" << true;

    QTest::newRow("*: empty run") << "*.jpg"
                                  << ".jpg" << true;
    QTest::newRow("*: whole name") << "*"
                                   << "anything at all" << true;
    QTest::newRow("*: matches a name without a dot") << "*"
                                                     << "README" << true;
    QTest::newRow("*: needs the literal tail") << "*.jpg"
                                               << "photo.jpeg" << false;
    QTest::newRow("*: tail must be at the end") << "*.jpg"
                                                << "photo.jpg.bak" << false;
    QTest::newRow("*: prefix") << "DSC*"
                               << "dsc_0001.nef" << true;
    QTest::newRow("*: prefix mismatch") << "DSC*"
                                        << "IMG_0001.nef" << false;
    QTest::newRow("literal: exact") << "photo.jpg"
                                    << "PHOTO.JPG" << true;
    QTest::newRow("literal: longer name") << "photo.jp"
                                          << "photo.jpx" << false;

    // Several stars need backtracking past an earlier partial match.
    QTest::newRow("stars: two") << "*_*.jpg"
                                << "IMG_0001.jpg" << true;
    QTest::newRow("stars: two, missing part") << "*_*.jpg"
                                              << "IMG0001.jpg" << false;
    QTest::newRow("stars: backtrack") << "*a*b*c"
                                      << "xaxbxaxbxc" << true;
    QTest::newRow("stars: order matters") << "*a*b*c"
                                          << "xcxbxa" << false;
    QTest::newRow("stars: adjacent") << "**.nef"
                                     << "x.nef" << true;
    QTest::newRow("stars: with ?") << "*?*?.raw"
                                   << "ab.raw" << true;
    QTest::newRow("stars: with ?, too short") << "*?*?.raw"
                                              << "a.raw" << false;
    QTest::newRow("stars: repeated suffix") << "*.jpg.jpg"
                                            << "a.jpg.jpg.jpg" << true;

    // A three-letter extension also takes longer extensions that start with it,
    // as the short form of a long name would.
    QTest::newRow("short ext: exact") << "*.tif"
                                      << "scan.tif" << true;
    QTest::newRow("short ext: four letters") << "*.tif"
                                             << "scan.tiff" << true;
    QTest::newRow("short ext: many letters") << "*.tif"
                                             << "scan.tiffany" << true;
    QTest::newRow("short ext: upper") << "*.tif"
                                      << "SCAN.TIFF" << true;
    QTest::newRow("short ext: two letters") << "*.tif"
                                            << "scan.ti" << false;
    QTest::newRow("short ext: other start") << "*.tif"
                                            << "scan.itif" << false;
    QTest::newRow("short ext: last dot counts") << "*.tif"
                                                << "scan.tiff.bak" << false;
    QTest::newRow("short ext: inner dot") << "*.tif"
                                          << "a.b.tiffx" << true;
    QTest::newRow("short ext: nef") << "*.nef"
                                    << "DSC_0001.NEFF" << true;
    QTest::newRow("short ext: jpg vs jpeg") << "*.jpg"
                                            << "photo.jpeg" << false;
    QTest::newRow("short ext: with ?") << "*.ti?"
                                       << "scan.tiff" << true;
    // "*.tiff" is the picture entry cut to five characters, i.e. "*.tif".
    QTest::newRow("cut tiff entry: tif") << QStringLiteral("*.tiff").left(5) << "scan.tif" << true;
    QTest::newRow("cut tiff entry: tiff")
        << QStringLiteral("*.tiff").left(5) << "scan.tiff" << true;
    // Uncut, a four-letter extension is matched as written.
    QTest::newRow("four-letter ext: exact") << "*.tiff"
                                            << "scan.tiff" << true;
    QTest::newRow("four-letter ext: shorter") << "*.tiff"
                                              << "scan.tif" << false;
    QTest::newRow("four-letter ext: longer") << "*.tiff"
                                             << "scan.tiffany" << false;
    QTest::newRow("two-letter ext: no extension rule") << "*.cr"
                                                       << "x.cr2" << false;
    QTest::newRow("star ext: no extension rule") << "*.t*"
                                                 << "x.tiff" << true;

    // The separator entry "-------" cut to "-----" matches only that name.
    QTest::newRow("separator: itself") << "-----"
                                       << "-----" << true;
    QTest::newRow("separator: picture") << "-----"
                                        << "IMG_0001.JPG" << false;
    QTest::newRow("separator: longer") << "-----"
                                       << "------" << false;
    QTest::newRow("separator: shorter") << "-----"
                                        << "----" << false;

    // Non-ASCII names: case folding beyond ASCII, and "?" takes one character
    // even when it is two code units.
    QTest::newRow("non-ASCII: literal") << "été_*.jpg"
                                        << "été_01.jpg" << true;
    QTest::newRow("non-ASCII: case") << "ÉTÉ_*.JPG"
                                     << "été_01.jpg" << true;
    QTest::newRow("non-ASCII: greek case") << "Ω*"
                                           << "ωmega.nef" << true;
    QTest::newRow("non-ASCII: different letter") << "e*.jpg"
                                                 << "é.jpg" << false;
    QTest::newRow("non-ASCII: ? over accented") << "?.jpg"
                                                << "é.jpg" << true;
    QTest::newRow("non-ASCII: ? over CJK") << "??.jpg"
                                           << "写真.jpg" << true;
    QTest::newRow("non-ASCII: ? over emoji") << "?.jpg"
                                             << "😀.jpg" << true;
    QTest::newRow("non-ASCII: ?? not one emoji") << "??.jpg"
                                                 << "😀.jpg" << false;
    QTest::newRow("non-ASCII: *? over emoji") << "*?.jpg"
                                              << "😀.jpg" << true;
    QTest::newRow("non-ASCII: emoji literal") << "*😀*"
                                              << "a😀b.nef" << true;
    QTest::newRow("non-ASCII: other emoji") << "*😀*"
                                            << "a😁b.nef" << false;
    // A byte that is not UTF-8 stands for itself as one character.
    QTest::newRow("raw byte: ?") << "?.jpg" << QString(QChar(0xDCFF)) + QStringLiteral(".jpg")
                                 << true;
    QTest::newRow("raw byte: star")
        << "*.jpg" << QString(QChar(0xDC80)) + QStringLiteral("x.JPG") << true;

    // Several patterns separated by ";": a name any one of them takes, each
    // with its own rules.
    QTest::newRow("alternatives: first") << "*.jpg;*.heic"
                                         << "IMG_0001.JPG" << true;
    QTest::newRow("alternatives: second") << "*.jpg;*.heic"
                                          << "IMG_0001.HEIC" << true;
    QTest::newRow("alternatives: neither") << "*.jpg;*.heic"
                                           << "IMG_0001.NEF" << false;
    QTest::newRow("alternatives: classic") << "*.bmp;*.ico"
                                           << "icon.ico" << true;
    QTest::newRow("alternatives: wildcard name") << "DSC_*.nef;*.cr2"
                                                 << "dsc_0001.NEF" << true;
    QTest::newRow("alternatives: wildcard name, other start") << "DSC_*.nef;*.cr2"
                                                              << "IMG_0001.nef" << false;
    QTest::newRow("alternatives: short ext of the first") << "*.nef;*.tiff"
                                                          << "DSC_0001.nefx" << true;
    QTest::newRow("alternatives: short ext of the last") << "*.jpg;*.tif"
                                                         << "scan.tiff" << true;
    QTest::newRow("alternatives: short ext before another") << "*.tif;x"
                                                            << "scan.tiff" << true;
    QTest::newRow("alternatives: four letters as written") << "*.tiff;*.jpg"
                                                           << "scan.tif" << false;
    QTest::newRow("alternatives: ? in one only") << "img_?.jpg;*.nef"
                                                 << "img_12.jpg" << false;
    QTest::newRow("alternatives: an empty one takes nothing") << "*.jpg;"
                                                              << "x.nef" << false;
    QTest::newRow("alternatives: ';' is never a name's") << "a;b"
                                                         << "a;b" << false;
}

void tst_WildcardPattern::matches()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, expected);
    QCOMPARE(WildcardPattern(pattern).matches(name), expected);
}

void tst_WildcardPattern::keepsItsText()
{
    QCOMPARE(WildcardPattern(u"*.NEF").text(), QStringLiteral("*.NEF"));
    QCOMPARE(WildcardPattern().text(), QStringLiteral("*"));
    QCOMPARE(WildcardPattern(u"*.jpg;*.heic").text(), QStringLiteral("*.jpg;*.heic"));
    QVERIFY(WildcardPattern().matches(u"anything.xyz"));
}

// A hostile name must not make matching blow up: with backtracking per star,
// this pattern would take 2^20 steps.
void tst_WildcardPattern::manyStarsStayFast()
{
    const QString pattern = QStringLiteral("*a").repeated(20) + QStringLiteral("*b");
    const QString name = QString(u'a').repeated(200);
    QVERIFY(!WildcardPattern(pattern).matches(name));
    QVERIFY(WildcardPattern(pattern).matches(name + u'b'));
}

// Hidden files match "*" as names, but the lists never show them.
void tst_WildcardPattern::listingLeavesHiddenFilesOut()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char *name : {".hidden.jpg", ".jpg", "shown.jpg", "shown.JPG"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(WildcardPattern(u"*.jpg").matches(u".hidden.jpg"));
    QCOMPARE(quorvel::files::FolderListing::files(dir.path(), WildcardPattern(u"*.jpg")),
             QStringList({"shown.JPG", "shown.jpg"}));
    QCOMPARE(quorvel::files::FolderListing::files(dir.path(), WildcardPattern(u"*")),
             QStringList({"shown.JPG", "shown.jpg"}));
    QCOMPARE(quorvel::files::FolderListing::files(dir.path(), WildcardPattern(u".*")),
             QStringList());
}

QTEST_GUILESS_MAIN(tst_WildcardPattern)
#include "tst_WildcardPattern.moc"
