#include "pictures/EmbeddedThumbnail.h"
#include "support/core/CameraFiles.h"
#include "support/gui/Photograph.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;

namespace {

// A turn shows in where the photograph's red third went.
QByteArray jpegOf(QSize size)
{
    return test::jpegOf(test::photograph(size));
}

} // namespace

class tst_EmbeddedThumbnail : public QObject
{
    Q_OBJECT

private slots:
    void readsTheCamerasThumbnailUpright_data();
    void readsTheCamerasThumbnailUpright();

private:
    QTemporaryDir m_folder;
};

void tst_EmbeddedThumbnail::readsTheCamerasThumbnailUpright_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");   // empty: no thumbnail
    QTest::addColumn<QPoint>("redAt"); // a point in the red third, as shown

    const QByteArray photo = jpegOf(QSize(600, 400));
    const QByteArray thumbnail = jpegOf(QSize(160, 120));
    QTest::newRow("JPEG, as stored")
        << "DSC_0001.JPG" << test::withExifThumbnail(photo, thumbnail, 1) << QSize(160, 120)
        << QPoint(10, 60);
    QTest::newRow("JPEG, camera held upright")
        << "DSC_0002.JPG" << test::withExifThumbnail(photo, thumbnail, 6) << QSize(120, 160)
        << QPoint(60, 10);
    QTest::newRow("RAW preview, camera held upright")
        << "DSC_0003.NEF" << test::minimalDng(jpegOf(QSize(120, 80)), QSize(120, 80), 6)
        << QSize(80, 120) << QPoint(40, 10);
    QTest::newRow("JPEG without one") << "DSC_0004.JPG" << photo << QSize() << QPoint();
    QTest::newRow("no picture at all")
        << "notes.JPG" << QByteArray("not a picture") << QSize() << QPoint();
    QTest::newRow("cut short") << "DSC_0005.JPG"
                               << test::withExifThumbnail(photo, thumbnail, 1).left(300) << QSize()
                               << QPoint();
}

void tst_EmbeddedThumbnail::readsTheCamerasThumbnailUpright()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(QPoint, redAt);

    QFile file(m_folder.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();

    const QImage thumbnail = pictures::readEmbeddedThumbnail(file.fileName());
    if (size.isEmpty()) {
        QVERIFY(thumbnail.isNull());
        return;
    }
    QCOMPARE(thumbnail.size(), size);
    QVERIFY(qRed(thumbnail.pixel(redAt)) > 180 && qBlue(thumbnail.pixel(redAt)) < 100);
    const QPoint across(size.width() - 1 - redAt.x(), size.height() - 1 - redAt.y());
    QVERIFY(qBlue(thumbnail.pixel(across)) > 180 && qRed(thumbnail.pixel(across)) < 100);
}

QTEST_MAIN(tst_EmbeddedThumbnail)
#include "tst_EmbeddedThumbnail.moc"
