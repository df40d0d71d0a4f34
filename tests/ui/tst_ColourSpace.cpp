#include "pictures/ColourSpace.h"
#include "pictures/ColourTransforms.h"
#include "pictures/Picture.h"
#include "support/gui/ColourProfiles.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// One flat colour, which a JPEG keeps to within a step or two.
constexpr QRgb skin = qRgb(214, 150, 120);

QByteArray flatJpeg(const QColorSpace &space = {})
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(skin);
    if (space.isValid())
        image.setColorSpace(space);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 100);
    return buffer.data();
}

} // namespace

class tst_ColourSpace : public QObject
{
    Q_OBJECT

private slots:
    void showsTheColoursRecorded_data();
    void showsTheColoursRecorded();
    void turnsEveryPixelAsLittleCmsDoes_data();
    void turnsEveryPixelAsLittleCmsDoes();

private:
    QTemporaryDir m_folder;
};

void tst_ColourSpace::showsTheColoursRecorded_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("recorded"); // the profile the file's numbers are in
    QTest::addColumn<QByteArray>("screen");   // given for the screen; empty: none
    QTest::addColumn<QByteArray>("shownOn");  // the screen's profile as it should be taken
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("pictureProblem");
    QTest::addColumn<bool>("screenProblem");

    const QByteArray plain = flatJpeg();
    const QByteArray damaged = QByteArray("acsp").repeated(40);
    QTest::newRow("sRGB JPEG, untouched")
        << plain << sRgbProfile() << QByteArray() << sRgbProfile() << QString() << false << false;
    QTest::newRow("Adobe RGB profile written by Qt")
        << flatJpeg(QColorSpace(QColorSpace::AdobeRgb)) << adobeRgbProfile() << QByteArray()
        << sRgbProfile() << "Adobe RGB" << false << false;
    QTest::newRow("Adobe RGB profile made by Little CMS")
        << withIccProfile(plain, adobeRgbProfile()) << adobeRgbProfile() << QByteArray()
        << sRgbProfile() << "Adobe RGB" << false << false;
    QTest::newRow("Exif uncalibrated with R03")
        << withExifColourSpace(plain, 0xFFFF, "R03") << adobeRgbProfile() << QByteArray()
        << sRgbProfile() << "Adobe RGB" << false << false;
    QTest::newRow("Exif colour space 2")
        << withExifColourSpace(plain, 2, nullptr) << adobeRgbProfile() << QByteArray()
        << sRgbProfile() << "Adobe RGB" << false << false;
    QTest::newRow("Exif uncalibrated with R98")
        << withExifColourSpace(plain, 0xFFFF, "R98") << sRgbProfile() << QByteArray()
        << sRgbProfile() << QString() << false << false;
    QTest::newRow("Exif sRGB") << withExifColourSpace(plain, 1, "R98") << sRgbProfile()
                               << QByteArray() << sRgbProfile() << QString() << false << false;
    QTest::newRow("damaged profile, shown as sRGB")
        << withIccProfile(plain, damaged) << sRgbProfile() << QByteArray() << sRgbProfile()
        << QString() << true << false;
    QTest::newRow("another profile, named by its description")
        << withIccProfile(plain, wideGamutProfile()) << wideGamutProfile() << QByteArray()
        << sRgbProfile() << "Wide gamut panel" << false << false;
    QTest::newRow("sRGB on a wide-gamut screen")
        << plain << sRgbProfile() << wideGamutProfile() << wideGamutProfile() << QString() << false
        << false;
    QTest::newRow("Adobe RGB on a wide-gamut screen")
        << withIccProfile(plain, adobeRgbProfile()) << adobeRgbProfile() << wideGamutProfile()
        << wideGamutProfile() << "Adobe RGB" << false << false;
    QTest::newRow("Adobe RGB on a screen of the same")
        << withIccProfile(plain, adobeRgbProfile()) << adobeRgbProfile() << adobeRgbProfile()
        << adobeRgbProfile() << "Adobe RGB" << false << false;
    QTest::newRow("screen profile damaged, taken for sRGB")
        << withExifColourSpace(plain, 2, nullptr) << adobeRgbProfile() << damaged << sRgbProfile()
        << "Adobe RGB" << false << true;
}

void tst_ColourSpace::showsTheColoursRecorded()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, recorded);
    QFETCH(QByteArray, screen);
    QFETCH(QByteArray, shownOn);
    QFETCH(QString, name);
    QFETCH(bool, pictureProblem);
    QFETCH(bool, screenProblem);

    QFile out(m_folder.filePath(QStringLiteral("%1.JPG").arg(QTest::currentDataTag())));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
    out.close();

    int errorNumber = -1;
    const pictures::Picture picture = pictures::LoadPicture(out.fileName(), errorNumber);
    QCOMPARE(errorNumber, 0);
    const pictures::ColourSpace &space = picture.colourSpace();
    QCOMPARE(space.name(), name);
    QCOMPARE(!space.problem().isEmpty(), pictureProblem);
    const pictures::ColourSpace screenSpace =
        screen.isEmpty() ? pictures::ColourSpace::sRgb() : pictures::ColourSpace::fromIcc(screen);
    QCOMPARE(!screenSpace.problem().isEmpty(), screenProblem);

    QImage image = picture.render(QSize(32, 24));
    const QImage decoded = image;
    pictures::ColourTransforms transforms;
    const bool turned = transforms.apply(image, space, screenSpace);
    // The same space on both sides leaves the pixels as decoded.
    QCOMPARE(turned, recorded != shownOn);
    if (!turned)
        QCOMPARE(image, decoded);

    const QRgb expected = transformedColour(skin, recorded, shownOn);
    const QRgb shown = image.pixel(16, 12);
    const auto near = [](int a, int b) { return std::abs(a - b) <= 3; };
    QVERIFY2(
        near(qRed(shown), qRed(expected)) && near(qGreen(shown), qGreen(expected)) &&
            near(qBlue(shown), qBlue(expected)),
        qPrintable(QStringLiteral("shown %1, expected %2").arg(shown, 6, 16).arg(expected, 6, 16)));
}

// Every pixel of a picture with a little of every colour, as Little CMS turns
// it on its own: the tables and the bands must not shift a colour by more
// than a rounding step, and a PNG's transparency must stay as it was.
void tst_ColourSpace::turnsEveryPixelAsLittleCmsDoes_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("transparent");

    QTest::newRow("Adobe RGB on an sRGB screen")
        << adobeRgbProfile() << sRgbProfile() << QSize(256, 256) << false;
    QTest::newRow("sRGB on a wide-gamut screen")
        << sRgbProfile() << wideGamutProfile() << QSize(256, 256) << false;
    QTest::newRow("Adobe RGB on a wide-gamut screen")
        << adobeRgbProfile() << wideGamutProfile() << QSize(256, 256) << false;
    QTest::newRow("PNG with transparency keeps its alpha")
        << adobeRgbProfile() << sRgbProfile() << QSize(256, 256) << true;
    QTest::newRow("large enough to be turned in bands, uneven rows")
        << adobeRgbProfile() << wideGamutProfile() << QSize(1201, 901) << true;
}

void tst_ColourSpace::turnsEveryPixelAsLittleCmsDoes()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QSize, size);
    QFETCH(bool, transparent);

    QImage image(size, transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y,
                           qRgba(x % 256, y % 256, (x * 7 + y * 3) % 256,
                                 transparent ? (x + 2 * y) % 256 : 255));
    }
    const QImage expected = transformedImage(image, from, to);

    pictures::ColourTransforms transforms;
    const pictures::ColourSpace source = pictures::ColourSpace::fromIcc(from);
    const pictures::ColourSpace target = pictures::ColourSpace::fromIcc(to);
    QVERIFY(transforms.apply(image, source, target));
    QCOMPARE(image.format(), transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb shown = image.pixel(x, y);
            const QRgb wanted = expected.pixel(x, y);
            const auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
            if (!near(qRed(shown), qRed(wanted)) || !near(qGreen(shown), qGreen(wanted)) ||
                !near(qBlue(shown), qBlue(wanted)) || qAlpha(shown) != qAlpha(wanted))
                QFAIL(qPrintable(QStringLiteral("at %1,%2: %3, Little CMS %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(shown, 8, 16)
                                     .arg(wanted, 8, 16)));
        }
    }
}

QTEST_GUILESS_MAIN(tst_ColourSpace)
#include "tst_ColourSpace.moc"
