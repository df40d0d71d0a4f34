#include "files/FileNames.h"
#include "pictures/Picture.h"
#include "support/gui/Photograph.h"

#include <fcntl.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace quorvel::pictures;

namespace {

QByteArray jpegOf(QSize size)
{
    return quorvel::test::jpegOf(quorvel::test::photograph(size));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class tst_Picture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_folder.isValid()); }
    void emptyPathGivesEmptyPicture();
    void errorNumbers_data();
    void errorNumbers();
    void measuresAndRendersAtAnySize();
    void rendersAtLeastAtTheDecodersOwnScale_data();
    void rendersAtLeastAtTheDecodersOwnScale();
    void opensNamesByTheirBytes_data();
    void opensNamesByTheirBytes();
    void fileChangedSinceMeasuredGivesNoImage();

private:
    QTemporaryDir m_folder;
};

void tst_Picture::emptyPathGivesEmptyPicture()
{
    int errorNumber = -1;
    const Picture picture = LoadPicture(QString(), errorNumber);
    QCOMPARE(errorNumber, 0);
    QVERIFY(picture.isNull());
    QVERIFY(picture.render(QSize(10, 10)).isNull());
}

void tst_Picture::errorNumbers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("errorNumber");

    QTest::newRow("missing") << QStringLiteral("missing.jpg") << errFileNotFound;
    QTest::newRow("folder") << QStringLiteral("folder.jpg") << errPathFileAccess;
    // Reading a pipe would wait for a writer that never comes.
    QTest::newRow("pipe") << QStringLiteral("pipe.jpg") << errPathFileAccess;
    QTest::newRow("not a picture") << QStringLiteral("text.jpg") << errInvalidPicture;
    QTest::newRow("camera RAW") << QStringLiteral("DSC_0001.nef") << errInvalidPicture;
    // A header whose pixels would not fit in any number is no picture.
    QTest::newRow("BMP of absurd size") << QStringLiteral("huge.bmp") << errInvalidPicture;
}

void tst_Picture::errorNumbers()
{
    QFETCH(QString, name);
    QFETCH(int, errorNumber);

    const QString path = m_folder.filePath(name);
    QVERIFY(QDir().mkpath(m_folder.filePath(QStringLiteral("folder.jpg"))));
    if (!QFile::exists(m_folder.filePath(QStringLiteral("pipe.jpg"))))
        QCOMPARE(::mkfifo(QFile::encodeName(m_folder.filePath(QStringLiteral("pipe.jpg"))), 0600),
                 0);
    QVERIFY(writeFile(m_folder.filePath(QStringLiteral("text.jpg")), "no picture here"));
    QVERIFY(writeFile(m_folder.filePath(QStringLiteral("DSC_0001.nef")), jpegOf(QSize(16, 16))));
    QFile seed(QStringLiteral(QUORVEL_SOURCE_DIR "/fuzz/corpus/fuzz_FileFormat/bmp_huge"));
    QVERIFY(seed.open(QIODevice::ReadOnly));
    QVERIFY(writeFile(m_folder.filePath(QStringLiteral("huge.bmp")), seed.readAll()));

    int reported = -1;
    const Picture picture = LoadPicture(path, reported);
    QCOMPARE(reported, errorNumber);
    QVERIFY(picture.isNull());
}

void tst_Picture::measuresAndRendersAtAnySize()
{
    const QString path = m_folder.filePath(QStringLiteral("IMG_0001.jpg"));
    QVERIFY(writeFile(path, jpegOf(QSize(640, 480))));
    int errorNumber = -1;
    const Picture picture = LoadPicture(path, errorNumber);
    QCOMPARE(errorNumber, 0);
    QCOMPARE(picture.size(), QSize(640, 480));
    for (const QSize size : {QSize(80, 60), QSize(533, 400), QSize(1000, 100)}) {
        const QImage image = picture.render(size);
        QCOMPARE(image.size(), size);
        // The middle is in the photograph's blue field, blue 220 to 235 with red below 32.
        const QRgb middle = image.pixel(size.width() / 2, size.height() / 2);
        QVERIFY(qAbs(qBlue(middle) - 228) < 16 && qRed(middle) < 48);
    }
    // A copy is the same picture: nothing is loaded again to hand it on.
    const Picture copy = picture;
    QCOMPARE(copy.size(), picture.size());
}

void tst_Picture::rendersAtLeastAtTheDecodersOwnScale_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("asked");
    QTest::addColumn<QSize>("rendered");

    // A JPEG of 640 x 480 decodes at n/8 of that.
    QTest::newRow("JPEG, the scale just above")
        << QByteArray("jpeg") << QSize(200, 150) << QSize(240, 180);
    QTest::newRow("JPEG, of another shape")
        << QByteArray("jpeg") << QSize(300, 100) << QSize(320, 240);
    QTest::newRow("JPEG, a scale of its own")
        << QByteArray("jpeg") << QSize(320, 240) << QSize(320, 240);
    QTest::newRow("JPEG, whole") << QByteArray("jpeg") << QSize(640, 480) << QSize(640, 480);
    QTest::newRow("PNG, as asked") << QByteArray("png") << QSize(200, 150) << QSize(200, 150);
}

void tst_Picture::rendersAtLeastAtTheDecodersOwnScale()
{
    QFETCH(QByteArray, format);
    QFETCH(QSize, asked);
    QFETCH(QSize, rendered);
    const QString path =
        m_folder.filePath(QStringLiteral("IMG_0002.") + QString::fromLatin1(format));
    QVERIFY(quorvel::test::photograph(QSize(640, 480)).save(path, format.constData()));
    int errorNumber = -1;
    const Picture picture = LoadPicture(path, errorNumber);
    QCOMPARE(errorNumber, 0);
    const std::atomic<bool> going{false};
    const QImage image = picture.renderAtLeast(asked, going);
    QCOMPARE(image.size(), rendered);
    const QRgb middle = image.pixel(rendered.width() / 2, rendered.height() / 2);
    QVERIFY(qAbs(qBlue(middle) - 228) < 16 && qRed(middle) < 48);
    const std::atomic<bool> cancelled{true};
    QVERIFY(picture.renderAtLeast(asked, cancelled).isNull());
}

// A name is the bytes on disk, whatever they decode to: a card written by an
// old camera can hold names that are not UTF-8 at all.
void tst_Picture::opensNamesByTheirBytes_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("not UTF-8") << QByteArray("caf\xe9 \xff.jpg");
    QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9.jpg");
    QTest::newRow("a line break") << QByteArray("day\n1.jpg");
}

void tst_Picture::opensNamesByTheirBytes()
{
    QFETCH(QByteArray, name);
    const QByteArray path = QFile::encodeName(m_folder.path()) + '/' + name;
    const QByteArray jpeg = jpegOf(QSize(64, 48));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    // QTemporaryDir removes by text names, which can't reach this one.
    const auto removed = qScopeGuard([&path] { ::unlink(path.constData()); });
    QCOMPARE(::write(fd, jpeg.constData(), size_t(jpeg.size())), ssize_t(jpeg.size()));
    QCOMPARE(::close(fd), 0);

    int errorNumber = -1;
    const Picture picture = LoadPicture(quorvel::files::decodeFileName(path), errorNumber);
    QCOMPARE(errorNumber, 0);
    QCOMPARE(picture.size(), QSize(64, 48));
    QCOMPARE(picture.render(QSize(32, 24)).size(), QSize(32, 24));
}

void tst_Picture::fileChangedSinceMeasuredGivesNoImage()
{
    const QString path = m_folder.filePath(QStringLiteral("IMG_0002.jpg"));
    QVERIFY(writeFile(path, jpegOf(QSize(300, 200))));
    int errorNumber = -1;
    const Picture picture = LoadPicture(path, errorNumber);
    QCOMPARE(errorNumber, 0);

    QVERIFY(writeFile(path, jpegOf(QSize(200, 300))));
    QVERIFY(picture.render(QSize(150, 100)).isNull());
    QVERIFY(QFile::remove(path));
    QVERIFY(picture.render(QSize(150, 100)).isNull());
}

QTEST_MAIN(tst_Picture)
#include "tst_Picture.moc"
