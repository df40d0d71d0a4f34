#include "pictures/FocusPeaking.h"
#include "pictures/PictureCache.h"
#include "support/core/CameraFiles.h"
#include "support/gui/ColourProfiles.h"
#include "support/gui/FocusAreas.h"
#include "support/gui/Photograph.h"
#include "support/gui/SharpAndSoft.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using namespace quorvel::test;

namespace {

constexpr QRgb sky = qRgb(90, 140, 210);

QByteArray flatJpeg(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(sky);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 100);
    return buffer.data();
}

bool near(QRgb shown, QRgb expected)
{
    const auto close = [](int a, int b) { return std::abs(a - b) <= 3; };
    return close(qRed(shown), qRed(expected)) && close(qGreen(shown), qGreen(expected)) &&
           close(qBlue(shown), qBlue(expected));
}

// The part of mask in the colour of the edges in focus.
double marked(const QImage &mask)
{
    qint64 count = 0;
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x)
            count += mask.pixel(x, y) == pictures::FocusPeaking::colour;
    }
    return double(count) / (qint64(mask.width()) * mask.height());
}

enum class Look { DecodedAhead, OneToOne, Thumbnail };

// Where a decode is held while the test cancels it.
enum class HeldAt { BeforeMeasuring, BeforeDecoding };

// What the picture readers say, from whichever thread: a decode given up
// must not say anything about a file that is fine.
QMutex spokenMutex;
QStringList spoken;
QtMessageHandler previousHandler = nullptr;

void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtDebugMsg) {
        const QMutexLocker lock(&spokenMutex);
        spoken << message;
    }
    previousHandler(type, context, message);
}

// Lets the first decode to reach it through only once the test opens it.
class Gate
{
public:
    void holdFirst()
    {
        if (m_passed.exchange(true))
            return;
        m_arrived.release();
        m_open.acquire();
    }
    void waitForArrival() { m_arrived.acquire(); }
    void open() { m_open.release(); }

private:
    std::atomic<bool> m_passed{false};
    QSemaphore m_arrived;
    QSemaphore m_open;
};

} // namespace

Q_DECLARE_METATYPE(Look)
Q_DECLARE_METATYPE(HeldAt)

class tst_PictureCache : public QObject
{
    Q_OBJECT

private slots:
    void handsOutPicturesInTheScreensColours_data();
    void handsOutPicturesInTheScreensColours();
    void aNewScreenDropsWhatWasMadeForTheOld();
    void aDecodeGivenUpSaysNothing_data();
    void aDecodeGivenUpSaysNothing();
    void withdrawnWorkNeverLands();
    void readsTheFocusPointFromThePictureOrItsRawFile_data();
    void readsTheFocusPointFromThePictureOrItsRawFile();
    void peakingComesWithEachDecode_data();
    void peakingComesWithEachDecode();
    void turningPeakingDropsWhatWasDecoded();
    void oneToOneHasAMaskOfItsOwn_data();
    void oneToOneHasAMaskOfItsOwn();

private:
    QString write(const QString &name, const QByteArray &bytes);
    // The image look gives of path, once the cache has made it.
    static QImage lookAt(pictures::PictureCache &cache, Look look, const QString &path);

    QTemporaryDir m_folder;
};

QString tst_PictureCache::write(const QString &name, const QByteArray &bytes)
{
    QFile file(m_folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("could not write %s", qPrintable(file.fileName()));
    return file.fileName();
}

QImage tst_PictureCache::lookAt(pictures::PictureCache &cache, Look look, const QString &path)
{
    switch (look) {
    case Look::DecodedAhead:
        return cache.wait(path).image;
    case Look::OneToOne: {
        QSignalSpy landed(&cache, &pictures::PictureCache::actualPixelsDecoded);
        cache.requestActualPixels(path);
        if (!cache.actualPixels(path) && !landed.wait(10000))
            return {};
        return *cache.actualPixels(path);
    }
    case Look::Thumbnail: {
        QSignalSpy landed(&cache, &pictures::PictureCache::thumbnailRead);
        cache.requestThumbnail(path);
        if (!cache.findThumbnail(path) && !landed.wait(10000))
            return {};
        return *cache.findThumbnail(path);
    }
    }
    return {};
}

void tst_PictureCache::handsOutPicturesInTheScreensColours_data()
{
    QTest::addColumn<Look>("look");
    QTest::addColumn<QByteArray>("screen");

    // The thumbnail is the camera's own, of the same sky, and says nothing of
    // its colours: the file's Exif does, for both.
    const QByteArray adobe = withExifColourSpace(
        withExifThumbnail(flatJpeg(QSize(640, 480)), flatJpeg(QSize(160, 120)), 1), 0xFFFF, "R03");
    write(QStringLiteral("DSC_0001.JPG"), adobe);

    for (const auto &[screenName, screen] :
         {std::pair{"sRGB screen", QByteArray()}, std::pair{"wide gamut", wideGamutProfile()}}) {
        QTest::addRow("decoded ahead, %s", screenName) << Look::DecodedAhead << screen;
        QTest::addRow("one to one, %s", screenName) << Look::OneToOne << screen;
        QTest::addRow("thumbnail, %s", screenName) << Look::Thumbnail << screen;
    }
}

void tst_PictureCache::handsOutPicturesInTheScreensColours()
{
    QFETCH(Look, look);
    QFETCH(QByteArray, screen);

    pictures::PictureCache cache;
    cache.setScreenProfile(screen);
    QVERIFY(cache.screenProfileProblem().isEmpty());
    const QString path = m_folder.filePath(QStringLiteral("DSC_0001.JPG"));
    const QImage image = lookAt(cache, look, path);
    QVERIFY(!image.isNull());
    if (look == Look::DecodedAhead)
        QCOMPARE(cache.find(path)->colourSpace, QStringLiteral("Adobe RGB"));

    const QRgb expected =
        transformedColour(sky, adobeRgbProfile(), screen.isEmpty() ? sRgbProfile() : screen);
    const QRgb shown = image.pixel(image.width() / 2, image.height() / 2);
    QVERIFY2(
        near(shown, expected),
        qPrintable(QStringLiteral("shown %1, expected %2").arg(shown, 6, 16).arg(expected, 6, 16)));
}

void tst_PictureCache::aNewScreenDropsWhatWasMadeForTheOld()
{
    const QString path = write(QStringLiteral("DSC_0002.JPG"),
                               withIccProfile(flatJpeg(QSize(320, 240)), adobeRgbProfile()));
    pictures::PictureCache cache;
    cache.setScreenProfile(wideGamutProfile());
    const QRgb onWide = cache.wait(path).image.pixel(10, 10);
    QVERIFY(near(onWide, transformedColour(sky, adobeRgbProfile(), wideGamutProfile())));

    // The same screen again keeps what was made for it.
    cache.setScreenProfile(wideGamutProfile());
    QVERIFY(cache.find(path));

    // A screen whose profile can't be read is taken for sRGB, and says so.
    cache.setScreenProfile(QByteArray("not a profile at all").repeated(10));
    QVERIFY(!cache.find(path));
    QVERIFY(!cache.screenProfileProblem().isEmpty());
    const pictures::PictureCache::Decoded &decoded = cache.wait(path);
    QVERIFY(decoded.colourProblem.isEmpty());
    QVERIFY(near(decoded.image.pixel(10, 10),
                 transformedColour(sky, adobeRgbProfile(), sRgbProfile())));

    // A damaged profile in the picture: shown, as sRGB, and said.
    const QString damaged =
        write(QStringLiteral("DSC_0003.JPG"), withIccProfile(flatJpeg(QSize(320, 240)), "acsp"));
    cache.setScreenProfile({});
    QVERIFY(cache.screenProfileProblem().isEmpty());
    const pictures::PictureCache::Decoded &shown = cache.wait(damaged);
    QVERIFY(!shown.colourProblem.isEmpty());
    QVERIFY(shown.colourSpace.isEmpty());
    QVERIFY(near(shown.image.pixel(10, 10), sky));
}

void tst_PictureCache::aDecodeGivenUpSaysNothing_data()
{
    QTest::addColumn<HeldAt>("heldAt");
    QTest::addColumn<bool>("peaking");
    QTest::newRow("cancelled before it is measured") << HeldAt::BeforeMeasuring << false;
    QTest::newRow("cancelled between measuring and decoding") << HeldAt::BeforeDecoding << false;
    QTest::newRow("cancelled before decoding, peaking") << HeldAt::BeforeDecoding << true;
}

// A key moving on drops the decodes of the pictures it passed, and a key back
// asks for one of them again: the decode given up stops without a word and
// never lands, the one asked for again shows the picture.
void tst_PictureCache::aDecodeGivenUpSaysNothing()
{
    QFETCH(HeldAt, heldAt);
    QFETCH(bool, peaking);
    const QString path = write(QStringLiteral("DSC_0004.JPG"), flatJpeg(QSize(640, 480)));
    Gate gate;
    const auto decoder = [&gate, heldAt](const QString &file,
                                         const pictures::PictureCache::Sizing &sizing,
                                         const std::atomic<bool> &cancelled) {
        if (heldAt == HeldAt::BeforeMeasuring)
            gate.holdFirst();
        pictures::PictureCache::Decoded decoded;
        decoded.picture = pictures::LoadPicture(file, decoded.errorNumber);
        if (heldAt == HeldAt::BeforeDecoding)
            gate.holdFirst();
        decoded.image = decoded.picture.render(sizing.of(decoded.picture.size()), cancelled);
        return decoded;
    };
    {
        const QMutexLocker lock(&spokenMutex);
        spoken.clear();
    }
    previousHandler = qInstallMessageHandler(recordMessage);
    const auto restored = qScopeGuard([] { qInstallMessageHandler(previousHandler); });
    {
        pictures::PictureCache cache(decoder);
        cache.setSizing({[](const QSize &) { return QSize(160, 120); }, 1});
        cache.setPeaking(peaking);
        QSignalSpy landed(&cache, &pictures::PictureCache::decoded);
        cache.request(path, 0);
        gate.waitForArrival();
        cache.keepOnly({});
        cache.request(path, 0);
        gate.open();
        QVERIFY(landed.wait(10000));
        QCOMPARE(landed.count(), 1);
        QVERIFY(near(cache.find(path)->image.pixel(10, 10), sky));
        QCOMPARE(cache.find(path)->image.size(), QSize(160, 120));
        QCOMPARE(cache.find(path)->peaking.size(), peaking ? QSize(160, 120) : QSize(0, 0));
        // The cache waits for its workers as it goes: the one given up is done.
    }
    QCoreApplication::processEvents();
    const QMutexLocker lock(&spokenMutex);
    QVERIFY2(spoken.isEmpty(), qPrintable(spoken.join(QLatin1Char('\n'))));
}

// Both workers held in their decodes and a third decode waiting for one:
// withdrawn, the one queued never starts and one of those under way stops;
// the other lands, and what was decoded before stays.
void tst_PictureCache::withdrawnWorkNeverLands()
{
    const QByteArray jpeg = flatJpeg(QSize(64, 48));
    QStringList paths;
    for (const char *name : {"DSC_0010.JPG", "DSC_0011.JPG", "DSC_0012.JPG", "DSC_0013.JPG"})
        paths << write(QString::fromLatin1(name), jpeg);
    const QString &before = paths[0], &going = paths[1], &stopped = paths[2], &queued = paths[3];
    QSemaphore arrived, open, done;
    QMutex mutex;
    QStringList started, toldToStop;
    const auto decoder = [&](const QString &file, const pictures::PictureCache::Sizing &sizing,
                             const std::atomic<bool> &cancelled) {
        if (file != before) {
            mutex.lock();
            started << file;
            mutex.unlock();
            arrived.release();
            open.acquire();
            const QMutexLocker lock(&mutex);
            if (cancelled)
                toldToStop << file;
        }
        const auto decoded = pictures::PictureCache::decode(file, sizing, cancelled);
        done.release();
        return decoded;
    };
    pictures::PictureCache cache(decoder);
    cache.wait(before);
    QSignalSpy landed(&cache, &pictures::PictureCache::decoded);
    cache.request(going, 3);
    cache.request(stopped, 2);
    QVERIFY(arrived.tryAcquire(2, 10000));
    cache.request(queued, 1);
    cache.withdrawAllBut({going});
    open.release(2);
    QVERIFY(landed.wait(10000));
    QVERIFY(done.tryAcquire(3, 10000));
    QCOMPARE(landed, QList<QVariantList>{{going}});
    QVERIFY(cache.find(before));
    QVERIFY(!cache.find(stopped) && !cache.find(queued));
    const QMutexLocker lock(&mutex);
    QVERIFY(!started.contains(queued));
    QCOMPARE(toldToStop, QStringList{stopped});
}

void tst_PictureCache::readsTheFocusPointFromThePictureOrItsRawFile_data()
{
    QTest::addColumn<ExifFields>("pictureFields");
    QTest::addColumn<QString>("rawName"); // in the RAW folder; empty for none
    QTest::addColumn<ExifFields>("rawFields");
    QTest::addColumn<bool>("rawFolderGiven");
    QTest::addColumn<bool>("rawShown"); // the RAW file itself is the picture
    QTest::addColumn<QList<QRectF>>("expected");

    // The RAW file's AF area is at a fifth of the way in, in its own frame:
    // the picture, of another size and shape, takes it by the same fractions.
    const ExifFields &nikon = nikonAfFields();
    const ExifFields own = {{"Exif.Photo.SubjectArea", "320 360 64 48"}};
    const QList<QRectF> fromRaw{{0.2, 0.2, 0.1, 0.1}};
    QTest::newRow("the picture's own")
        << own << "DSC_0011.NEF" << nikon << true << false << QList<QRectF>{{0.45, 0.7, 0.1, 0.1}};
    QTest::newRow("the RAW file's")
        << ExifFields{} << "DSC_0011.NEF" << nikon << true << false << fromRaw;
    QTest::newRow("the RAW file's, its extension in lower case")
        << ExifFields{} << "DSC_0011.nef" << nikon << true << false << fromRaw;
    QTest::newRow("none in either")
        << ExifFields{} << "DSC_0011.NEF" << ExifFields{} << true << false << QList<QRectF>{};
    QTest::newRow("no RAW file") << ExifFields{} << QString() << ExifFields{} << true << false
                                 << QList<QRectF>{};
    QTest::newRow("another picture's RAW file")
        << ExifFields{} << "DSC_0012.NEF" << nikon << true << false << QList<QRectF>{};
    QTest::newRow("no RAW folder given")
        << ExifFields{} << "DSC_0011.NEF" << nikon << false << false << QList<QRectF>{};
    QTest::newRow("a RAW file shown itself")
        << ExifFields{} << "DSC_0011.NEF" << nikon << true << true << fromRaw;
}

// Through the cache, as the viewer asks: the RAW folder reaches the worker
// that decodes.
void tst_PictureCache::readsTheFocusPointFromThePictureOrItsRawFile()
{
    QFETCH(ExifFields, pictureFields);
    QFETCH(QString, rawName);
    QFETCH(ExifFields, rawFields);
    QFETCH(bool, rawFolderGiven);
    QFETCH(bool, rawShown);
    QFETCH(QList<QRectF>, expected);

    QTemporaryDir card;
    QVERIFY(QDir(card.path()).mkpath(QStringLiteral("RAW")));
    QFile picture(card.filePath(QStringLiteral("DSC_0011.JPG")));
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.write(withExifFields(flatJpeg(QSize(640, 480)), pictureFields));
    picture.close();
    if (!rawName.isEmpty()) {
        QFile raw(card.filePath(QStringLiteral("RAW/") + rawName));
        QVERIFY(raw.open(QIODevice::WriteOnly));
        raw.write(
            withExifFields(minimalDng(flatJpeg(QSize(160, 120)), QSize(160, 120), 1), rawFields));
    }

    pictures::PictureCache cache;
    const QString path =
        rawShown ? card.filePath(QStringLiteral("RAW/") + rawName) : picture.fileName();
    // A folder given after a decode is looked in all the same.
    cache.wait(path);
    if (rawFolderGiven)
        cache.setRawFolder(card.filePath(QStringLiteral("RAW")));
    const pictures::FocusArea focus = cache.wait(path).focus;
    QCOMPARE(focus.problem, QString());
    const QString difference = differenceOf(focus.areas, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void tst_PictureCache::peakingComesWithEachDecode_data()
{
    QTest::addColumn<bool>("peaking");
    QTest::addColumn<QSize>("decodeAsked");
    // A picture decoded ahead is shown at 200 x 150; peaking measures it at
    // 400 x 300 or more, where a JPEG of 1600 x 1200 decodes at a quarter.
    QTest::newRow("off") << false << QSize(200, 150);
    QTest::newRow("on") << true << QSize(400, 300);
}

void tst_PictureCache::peakingComesWithEachDecode()
{
    QFETCH(bool, peaking);
    QFETCH(QSize, decodeAsked);
    const QString path =
        write(QStringLiteral("DSC_0020.JPG"), jpegOf(test::squares(QSize(1600, 1200), 16), 95));
    QSize asked;
    bool atLeast = false;
    QSize decodedAt;
    const auto decoder = [&](const QString &file, const pictures::PictureCache::Sizing &sizing,
                             const std::atomic<bool> &cancelled) {
        auto decoded = pictures::PictureCache::decode(file, sizing, cancelled);
        asked = sizing.of(decoded.picture.size());
        atLeast = sizing.atLeast;
        decodedAt = decoded.image.size();
        return decoded;
    };
    pictures::PictureCache cache(decoder);
    cache.setSizing(
        {[](const QSize &natural) { return natural.scaled(200, 150, Qt::KeepAspectRatio); }, 2});
    cache.setPeaking(peaking);
    const pictures::PictureCache::Decoded &decoded = cache.wait(path);
    QCOMPARE(asked, decodeAsked);
    QCOMPARE(atLeast, peaking);
    QCOMPARE(decoded.image.size(), QSize(200, 150));
    QCOMPARE(decoded.image.devicePixelRatio(), 2.0);
    if (!peaking) {
        QVERIFY(decoded.peaking.isNull());
        QVERIFY(!decoded.sharpest);
        return;
    }
    QCOMPARE(decodedAt, QSize(400, 300));
    QCOMPARE(decoded.peaking.size(), decoded.image.size());
    QCOMPARE(decoded.peaking.devicePixelRatio(), 2.0);
    QVERIFY(marked(decoded.peaking) > 0.2);
    QVERIFY(decoded.sharpest);
}

void tst_PictureCache::turningPeakingDropsWhatWasDecoded()
{
    const QString path = write(QStringLiteral("DSC_0021.JPG"), flatJpeg(QSize(320, 240)));
    pictures::PictureCache cache;
    QVERIFY(cache.wait(path).peaking.isNull());
    cache.setPeaking(true);
    QVERIFY(!cache.find(path));
    // A flat sky has nothing in focus: a mask with nothing marked.
    const pictures::PictureCache::Decoded &decoded = cache.wait(path);
    QCOMPARE(decoded.peaking.size(), decoded.image.size());
    QCOMPARE(marked(decoded.peaking), 0.0);
    QVERIFY(!decoded.sharpest);
    cache.setPeaking(true);
    QVERIFY(cache.find(path));
    cache.setPeaking(false);
    QVERIFY(!cache.find(path));
    QVERIFY(cache.wait(path).peaking.isNull());
}

void tst_PictureCache::oneToOneHasAMaskOfItsOwn_data()
{
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("after");
    QTest::newRow("off") << false << false;
    QTest::newRow("on") << true << true;
    QTest::newRow("turned on, looking") << false << true;
    QTest::newRow("turned off, looking") << true << false;
}

// The whole decode is shown as soon as it is made, its mask after it; turned
// while it is shown, peaking keeps that decode: the mask comes, or goes, with
// no decode again.
void tst_PictureCache::oneToOneHasAMaskOfItsOwn()
{
    QFETCH(bool, before);
    QFETCH(bool, after);
    const QString path =
        write(QStringLiteral("DSC_0022.JPG"), jpegOf(test::squares(QSize(640, 480), 4), 95));
    pictures::PictureCache cache;
    cache.setPeaking(before);
    QSignalSpy landed(&cache, &pictures::PictureCache::actualPixelsDecoded);
    const QImage whole = lookAt(cache, Look::OneToOne, path);
    QCOMPARE(whole.size(), QSize(640, 480));
    // The picture first, its mask when it is made.
    QCOMPARE(landed.count(), 1);
    if (before)
        QVERIFY(landed.wait(10000));
    QCOMPARE(cache.actualPeaking(path) != nullptr, before);
    cache.setPeaking(after);
    if (after && !before)
        QVERIFY(landed.wait(10000));
    QCOMPARE(cache.actualPixels(path)->constBits(), whole.constBits());
    QCOMPARE(cache.actualPeaking(path) != nullptr, after);
    if (after) {
        const QImage &mask = *cache.actualPeaking(path);
        QCOMPARE(mask.size(), whole.size());
        QVERIFY(marked(mask) > 0.2);
    }
    cache.releaseActualPixels();
    QVERIFY(!cache.actualPeaking(path));
}

QTEST_MAIN(tst_PictureCache)
#include "tst_PictureCache.moc"
