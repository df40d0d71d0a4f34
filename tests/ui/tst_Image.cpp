#include "pictures/Picture.h"
#include "ui/Image.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel::ui;
using namespace quorvel::pictures;

class tst_Image : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void withoutStretchTakesNaturalSize();
    void withStretchKeepsItsSizeAndScales();
    void resizedStretchingImageDecodesAnew();
    void keepsFractionsOfTwips();

private:
    Picture load(QSize size);

    QTemporaryDir m_folder;
    int m_count = 0;
};

void tst_Image::initTestCase()
{
    QVERIFY(m_folder.isValid());
}

Picture tst_Image::load(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(qRgb(200, 30, 30));
    const QString path = m_folder.filePath(QStringLiteral("%1.png").arg(++m_count));
    if (!image.save(path))
        qFatal("could not write %s", qPrintable(path));
    int errorNumber = 0;
    return LoadPicture(path, errorNumber);
}

void tst_Image::withoutStretchTakesNaturalSize()
{
    Image image;
    image.Move(150, 300, 975, 855);
    image.setPicture(load(QSize(40, 30)));
    QCOMPARE(image.Width(), 600.f);
    QCOMPARE(image.Height(), 450.f);
    QCOMPARE(image.geometry(), QRect(10, 20, 40, 30));

    // Stretch switched off again brings the natural size back too.
    image.setStretch(true);
    image.setWidth(3000);
    QCOMPARE(image.Width(), 3000.f);
    image.setStretch(false);
    QCOMPARE(image.Width(), 600.f);
}

void tst_Image::withStretchKeepsItsSizeAndScales()
{
    Image image;
    image.Move(0, 0, 1500, 1500);
    image.setStretch(true);
    image.setPicture(load(QSize(40, 30)));
    QCOMPARE(image.Width(), 1500.f);
    QCOMPARE(image.Height(), 1500.f);
    QCOMPARE(image.RenderError(), 0);
    // Decoded at once, at the size shown.
    QCOMPARE(image.Rendition().size(), QSize(100, 100));
    const QImage shown = image.grab().toImage();
    QCOMPARE(shown.pixel(50, 50), qRgb(200, 30, 30));

    image.setPicture(Picture());
    QVERIFY(image.Rendition().isNull());
    QCOMPARE(image.RenderError(), 0);
}

void tst_Image::resizedStretchingImageDecodesAnew()
{
    Image image;
    image.Move(0, 0, 1500, 1500);
    image.setStretch(true);
    image.setPicture(load(QSize(40, 30)));
    image.setWidth(3000);
    image.grab();
    QCOMPARE(image.Rendition().size(), QSize(200, 100));
}

void tst_Image::keepsFractionsOfTwips()
{
    Image image;
    image.setHeight(5333.3333f);
    QCOMPARE(image.Height(), 5333.3333f);
    QCOMPARE(image.height(), 356);
}

QTEST_MAIN(tst_Image)
#include "tst_Image.moc"
