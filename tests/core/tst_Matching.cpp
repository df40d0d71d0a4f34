#include "files/FileNames.h"
#include "files/NameList.h"
#include "trimming/Matching.h"
#include "trimming/TrimPreview.h"

#include <QRandomGenerator>
#include <QTest>

using namespace quorvel;

namespace {

std::shared_ptr<const files::NameList> listOf(const QStringList &names)
{
    files::NameList list;
    for (const QString &name : names)
        list.append(files::encodeFileName(name));
    return std::make_shared<const files::NameList>(std::move(list));
}

// What the main window's marks and count show: the same lists as it keeps
// them, as bytes, through the preview it keeps between changes.
QList<int> previewed(const QStringList &raws, const QStringList &pictures)
{
    trimming::TrimPreview preview;
    const auto update = [&preview](const QStringList &r, const QStringList &p) {
        preview.update(listOf(r), listOf(p), QStringLiteral("/photos"), false);
    };
    update(raws, pictures);
    // The same lists read again, and the picture side changed and back.
    update(raws, pictures);
    update(raws, pictures + QStringList{QStringLiteral("other.jpg")});
    update(raws, pictures);
    const std::vector<int> &rows = preview.rawFiles();
    return QList<int>(rows.begin(), rows.end());
}

} // namespace

class tst_Matching : public QObject
{
    Q_OBJECT

private slots:
    void baseName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("base");
        QTest::newRow("three-letter extension") << "IMG_0001.nef"
                                                << "IMG_0001";
        QTest::newRow("longer extension") << "IMG_0001.tiff"
                                          << "IMG_0001";
        QTest::newRow("two dots") << "IMG_0001.edit.jpg"
                                  << "IMG_0001.edit";
        QTest::newRow("no dot") << "README"
                                << "README";
        QTest::newRow("trailing dot") << "IMG_0001."
                                      << "IMG_0001";
        QTest::newRow("only an extension") << ".nef"
                                           << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void baseName()
    {
        QFETCH(QString, name);
        QFETCH(QString, base);
        QCOMPARE(quorvel::trimming::baseName(name).toString(), base);
    }

    void unmatched_data()
    {
        QTest::addColumn<QStringList>("raws");
        QTest::addColumn<QStringList>("pictures");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("one to go") << QStringList{"IMG_0001.nef", "IMG_0002.nef", "IMG_0003.nef"}
                                   << QStringList{"IMG_0001.jpg", "IMG_0003.jpg"} << QList<int>{1};
        QTest::newRow("all matched")
            << QStringList{"A.nef", "B.nef"} << QStringList{"B.jpg", "A.jpg"} << QList<int>{};
        QTest::newRow("tiff keeps its RAW")
            << QStringList{"IMG_0001.nef"} << QStringList{"IMG_0001.tiff"} << QList<int>{};
        QTest::newRow("case counts")
            << QStringList{"IMG_0001.CR2"} << QStringList{"img_0001.jpg"} << QList<int>{0};
        QTest::newRow("-edit keeps nothing")
            << QStringList{"IMG_0001.nef"} << QStringList{"IMG_0001-edit.jpg"} << QList<int>{0};
        QTest::newRow(".edit keeps nothing")
            << QStringList{"IMG_0001.nef"} << QStringList{"IMG_0001.edit.jpg"} << QList<int>{0};
        QTest::newRow("same list on both sides")
            << QStringList{"a.jpg", "b.jpg"} << QStringList{"a.jpg", "b.jpg"} << QList<int>{};
        QTest::newRow("several pictures for one RAW")
            << QStringList{"X.nef", "Y.nef"} << QStringList{"X.jpg", "X.tif", "X.tiff"}
            << QList<int>{1};
        QTest::newRow("no pictures")
            << QStringList{"X.nef", "Y.nef"} << QStringList{} << QList<int>{0, 1};
        QTest::newRow("no normalisation")
            << QStringList{QString::fromUtf8("Cafe\xCC\x81.nef"),
                           QString::fromUtf8("Caf\xC3\xA9.nef")}
            << QStringList{QString::fromUtf8("Caf\xC3\xA9.jpg")} << QList<int>{0};
        QTest::newRow("names that are not UTF-8")
            << QStringList{files::decodeFileName("IMG\xff.nef"),
                           files::decodeFileName("IMG\xfe.nef")}
            << QStringList{files::decodeFileName("IMG\xff.jpg")} << QList<int>{1};
    }
    void unmatched()
    {
        QFETCH(QStringList, raws);
        QFETCH(QStringList, pictures);
        QFETCH(QList<int>, expected);
        const std::vector<int> result = trimming::unmatchedRawFiles(raws, pictures);
        QCOMPARE(QList<int>(result.begin(), result.end()), expected);
        QCOMPARE(previewed(raws, pictures),
                 raws.isEmpty() || pictures.isEmpty() ? QList<int>{} : expected);
    }

    // The same answer as comparing every RAW file with every picture, on
    // random names with many near-collisions.
    void agreesWithThePairwiseWalk()
    {
        QRandomGenerator generator(42);
        const auto name = [&] {
            const char *stems[] = {"IMG_", "img_", "DSC", "IMG_.", ""};
            const char *exts[] = {".nef", ".jpg", ".JPG", ".tiff", "", ".a.b"};
            return QString::fromLatin1(stems[generator.bounded(5)]) +
                   QString::number(generator.bounded(40)) +
                   QString::fromLatin1(exts[generator.bounded(6)]);
        };
        for (int round = 0; round < 200; ++round) {
            QStringList raws, pictures;
            for (int i = 0, n = generator.bounded(30); i < n; ++i)
                raws << name();
            for (int i = 0, n = generator.bounded(30); i < n; ++i)
                pictures << name();
            QList<int> expected;
            for (int i = 0; i < raws.size(); ++i) {
                bool noMatch = true;
                for (const QString &picture : pictures) {
                    if (quorvel::trimming::baseName(raws[i]) ==
                        quorvel::trimming::baseName(picture))
                        noMatch = false;
                }
                if (noMatch)
                    expected << i;
            }
            const std::vector<int> result = trimming::unmatchedRawFiles(raws, pictures);
            QCOMPARE(QList<int>(result.begin(), result.end()), expected);
            QCOMPARE(previewed(raws, pictures),
                     raws.isEmpty() || pictures.isEmpty() ? QList<int>{} : expected);
        }
    }
};

QTEST_APPLESS_MAIN(tst_Matching)
#include "tst_Matching.moc"
