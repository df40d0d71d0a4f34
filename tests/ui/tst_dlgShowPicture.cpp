#include "files/FileNames.h"
#include "main_window/BrowsedFileList.h"
#include "platform/ScreenProfiles.h"
#include "support/core/CameraFiles.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/RecordingRecycler.h"
#include "support/gui/ColourProfiles.h"
#include "support/gui/Photograph.h"
#include "support/gui/SharpAndSoft.h"
#include "support/widgets/ListedNames.h"
#include "ui/CommandButton.h"
#include "ui/FileListBox.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/Screen.h"
#include "viewer/ActualPixels.h"
#include "viewer/dlgShowPicture.h"
#include "viewer/FocusOverlay.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <future>
#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QKeySequence>
#include <QMutex>
#include <QPainter>
#include <QProcess>
#include <QRectF>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <utility>

using namespace quorvel;
using quorvel::test::FakeMessageBox;
using quorvel::test::jpegOf;
using quorvel::test::photograph;
using quorvel::test::RecordingRecycler;

namespace {

const QString failureText = QStringLiteral("CAN'T LOAD PICTURE FORMAT ...");

// The test pictures in the formats other than JPEG, which test::jpegOf
// covers: the viewer reads whatever Qt's image plug-ins read.
QByteArray fileOf(const QImage &image, const char *format, int quality = -1)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, quality))
        qFatal("could not encode a %s test picture", format);
    return buffer.data();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A JPEG of size as stored, marked by an Exif block as to be turned for
// display (orientation 6: a quarter turn clockwise).
QByteArray jpegWithOrientation(QSize stored, quint8 orientation)
{
    QByteArray jpeg = jpegOf(photograph(stored), 90);
    QByteArray exif("\xFF\xE1\x00\x22"
                    "Exif\0\0"
                    "MM\x00\x2A\x00\x00\x00\x08" // big-endian TIFF, first directory at 8
                    "\x00\x01"                   // one entry:
                    "\x01\x12\x00\x03\x00\x00\x00\x01\x00\x00\x00\x00" // Orientation, SHORT
                    "\x00\x00\x00\x00",
                    36);
    // The value's low byte: marker and length, "Exif\0\0", TIFF header, entry
    // count, then tag, type and count of the entry before it.
    exif[4 + 6 + 8 + 2 + 8 + 1] = char(orientation);
    jpeg.insert(2, exif);
    return jpeg;
}

// A GIF without compression: a clear code before every second pixel keeps
// every code three bits wide. Left half black, right half white.
QByteArray gifOf(QSize size)
{
    QByteArray gif("GIF89a");
    const auto le16 = [&](int value) {
        gif.append(char(value & 0xFF));
        gif.append(char(value >> 8));
    };
    le16(size.width());
    le16(size.height());
    gif.append("\x80\x00\x00", 3); // a global table of two colours
    gif.append("\x00\x00\x00\xFF\xFF\xFF", 6);
    gif.append(',');
    le16(0);
    le16(0);
    le16(size.width());
    le16(size.height());
    gif.append('\0');
    gif.append('\x02'); // smallest code size
    QList<int> codes;
    for (int i = 0; i < size.width() * size.height(); ++i) {
        if (i % 2 == 0)
            codes.append(4);
        codes.append(i % size.width() < size.width() / 2 ? 0 : 1);
    }
    codes.append(5);
    QByteArray packed;
    quint32 bits = 0;
    int bitCount = 0;
    for (int code : codes) {
        bits |= quint32(code) << bitCount;
        bitCount += 3;
        while (bitCount >= 8) {
            packed.append(char(bits & 0xFF));
            bits >>= 8;
            bitCount -= 8;
        }
    }
    if (bitCount > 0)
        packed.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < packed.size(); at += 255) {
        const QByteArray block = packed.mid(at, 255);
        gif.append(char(block.size()));
        gif.append(block);
    }
    gif.append('\0');
    gif.append(';');
    return gif;
}

bool isReddish(QRgb pixel)
{
    return qRed(pixel) > 180 && qBlue(pixel) < 100;
}

bool isBluish(QRgb pixel)
{
    return qBlue(pixel) > 180 && qRed(pixel) < 100;
}

bool isRed(const QWidget *widget)
{
    return widget->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
}

// Decodes as the program does, but holds one picture back until the test
// lets it through: the slow card or the huge file, on purpose. A decode
// given up on lets its worker go, so that no dialog waits for it forever.
class HeldDecoder
{
public:
    explicit HeldDecoder(QString held) : m_held(std::move(held)) {}

    pictures::PictureCache::Decoder function()
    {
        return [this](const QString &path, const pictures::PictureCache::Sizing &sizing,
                      const std::atomic<bool> &cancelled) {
            if (path == m_held) {
                while (m_gate.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
                    if (cancelled)
                        return pictures::PictureCache::Decoded();
            }
            return pictures::PictureCache::decode(path, sizing, cancelled);
        };
    }
    void release() { m_open.set_value(); }

private:
    const QString m_held;
    std::promise<void> m_open;
    const std::shared_future<void> m_gate = m_open.get_future().share();
};

// Decodes as the program does, gives each picture the focus area the test
// sets, and, for peaking's finer decode, paints the picture so that the
// cache's own measure finds what the test wants: detail in focus over the
// left half of the picture or the right, or only in the eighth by eighth
// around its sharpest point, flat grey elsewhere. decodes counts each
// picture's decodes.
class FocusDecoder
{
public:
    struct Looks
    {
        pictures::FocusArea focus;
        std::optional<QPointF> sharpest;
        bool maskOnTheRight = false;
    };

    pictures::PictureCache::Decoder function()
    {
        return [this](const QString &path, const pictures::PictureCache::Sizing &sizing,
                      const std::atomic<bool> &cancelled) {
            pictures::PictureCache::Decoded decoded =
                pictures::PictureCache::decode(path, sizing, cancelled);
            const QMutexLocker lock(&m_mutex);
            const Looks looks = m_looks.value(QFileInfo(path).fileName());
            ++m_decodes[QFileInfo(path).fileName()];
            if (decoded.image.isNull())
                return decoded;
            decoded.focus = looks.focus;
            if (sizing.atLeast)
                paintForPeaking(decoded.image, looks);
            return decoded;
        };
    }
    void set(const QString &name, const Looks &looks)
    {
        const QMutexLocker lock(&m_mutex);
        m_looks[name] = looks;
    }
    int decodes(const QString &name)
    {
        const QMutexLocker lock(&m_mutex);
        return m_decodes.value(name);
    }

private:
    static void paintForPeaking(QImage &image, const Looks &looks)
    {
        const QSize size = image.size();
        QRect sharp(looks.maskOnTheRight ? size.width() / 2 : 0, 0, size.width() / 2,
                    size.height());
        if (looks.sharpest) {
            const QSize block = size / 8;
            sharp =
                QRect(int(looks.sharpest->x() * 8) * block.width(),
                      int(looks.sharpest->y() * 8) * block.height(), block.width(), block.height());
        }
        const QImage detail = test::squares(size, 4);
        QPainter painter(&image);
        painter.fillRect(image.rect(), QColor(128, 128, 128));
        painter.drawImage(sharp, detail, sharp);
    }

    QMutex m_mutex;
    QHash<QString, Looks> m_looks;
    QHash<QString, int> m_decodes;
};

// The frames expected for areas over a picture in place, in pixels: a point
// gets a square of its own.
QList<QRectF> framesOver(const QList<QRectF> &areas, const QRectF &place)
{
    QList<QRectF> frames;
    for (const QRectF &area : areas) {
        const QPointF topLeft(place.x() + area.x() * place.width(),
                              place.y() + area.y() * place.height());
        const QSizeF size(area.width() * place.width(), area.height() * place.height());
        const qreal side = viewer::FocusOverlay::pointSide;
        frames << (area.isEmpty() ? QRectF(topLeft - QPointF(side, side) / 2, QSizeF(side, side))
                                  : QRectF(topLeft, size));
    }
    return frames;
}

bool sameFrames(const QList<QRectF> &shown, const QList<QRectF> &expected)
{
    if (shown.size() != expected.size())
        return false;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const QRectF &a = shown.at(i);
        const QRectF &b = expected.at(i);
        if (qAbs(a.left() - b.left()) > 0.5 || qAbs(a.top() - b.top()) > 0.5 ||
            qAbs(a.width() - b.width()) > 0.5 || qAbs(a.height() - b.height()) > 0.5)
            return false;
    }
    return true;
}

bool isMagenta(QRgb pixel)
{
    return qRed(pixel) > 200 && qBlue(pixel) > 200 && qGreen(pixel) < 60;
}

// The screens' profiles as a desktop would publish them, and which screens
// the viewer asked about.
class FakeScreenProfiles final : public platform::ScreenProfiles
{
public:
    QByteArray profile(int screen) const override
    {
        asked << screen;
        return profiles.value(screen);
    }

    QHash<int, QByteArray> profiles;
    mutable QList<int> asked;
};

// What a picture says of its colours, for the rows of the colour tests.
enum class ColourSource { None, EmbeddedAdobeRgb, ExifAdobeRgb, DamagedProfile };

QByteArray profileOfScreen(const QString &screen)
{
    if (screen == QLatin1String("wide gamut"))
        return quorvel::test::wideGamutProfile();
    if (screen == QLatin1String("Adobe RGB"))
        return quorvel::test::adobeRgbProfile();
    if (screen == QLatin1String("damaged"))
        return quorvel::test::wideGamutProfile().left(300);
    return {};
}

} // namespace

class tst_dlgShowPicture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void layout();
    void fitToBox_data();
    void fitToBox();
    void pictureWithoutExtentKeepsWidth();
    void scalesToBox_data();
    void scalesToBox();
    void readsEachFormat_data();
    void readsEachFormat();
    void turnsUprightAsTheCameraSays();
    void unreadableFiles_data();
    void unreadableFiles();
    void secondOpeningShowsAnew();
    void showsWhatTagNames();
    void showsLargePhotographs();
    void showsSixteenBitPictureBeyondReaderLimit();
    void sharpOnHighDensityScreens();
    void showModalReturnsOnClose();
    void closeBoxHidesAndNextOpeningWorks();
    void escapeClosesNothing();
    void deleteAnsweredNo();
    void deleteMovesPictureToTrash();
    void deleteFailureIsReported_data();
    void deleteFailureIsReported();
    void deleteWhileFailureShows();
    void navigationKeys_data();
    void navigationKeys();
    void keyActions_data();
    void keyActions();
    void rejectAndPutBack_data();
    void rejectAndPutBack();
    void rawPreview_data();
    void rawPreview();
    void fullScreenAndBack();
    void fullScreenEndsWithTheOpening_data();
    void fullScreenEndsWithTheOpening();
    void deleteActsOnWhatIsShown_data();
    void deleteActsOnWhatIsShown();
    void lastPictureRejected();
    void showingAgainReadsTheFileAgain();
    void oneToOne_data();
    void oneToOne();
    void coloursOfPictureAndScreen_data();
    void coloursOfPictureAndScreen();
    void followsTheScreen();
    void focusFrame_data();
    void focusFrame();
    void focusPointThatMakesNoSense();
    void oneToOneAtTheFocusPoint_data();
    void oneToOneAtTheFocusPoint();
    void peaking();
    void focusChoicesKeptForTheNextRun();

private:
    QString picturePath(const QString &name) const { return m_folder.filePath(name); }
    QString makePicture(const QString &name, QSize size);
    QString makeLargePhotograph(const QString &name);

    QTemporaryDir m_root;
    QDir m_folder;
    QString m_dataHome;
    FakeMessageBox m_messages;
    RecordingRecycler m_recycler;
    int m_refreshes = 0;
    std::unique_ptr<viewer::dlgShowPicture> m_dialog;
};

void tst_dlgShowPicture::initTestCase()
{
    QVERIFY(m_root.isValid());
    // The trash goes where the pictures are, on the same file system, so a
    // deletion is a plain move into the home trash.
    m_dataHome = m_root.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkpath(m_dataHome));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome));
}

void tst_dlgShowPicture::init()
{
    m_folder = QDir(m_root.filePath(QString::fromLatin1(QTest::currentTestFunction())));
    QVERIFY(m_folder.mkpath(QStringLiteral(".")));
    // Each test finds in the trash only what it put there: the pictures of
    // several tests share their names.
    QVERIFY(QDir(m_dataHome + QStringLiteral("/Trash")).removeRecursively());
    m_messages.clear();
    m_recycler.clear();
    m_refreshes = 0;
    m_dialog = std::make_unique<viewer::dlgShowPicture>(m_messages, m_recycler.function(),
                                                        [this] { ++m_refreshes; });
}

void tst_dlgShowPicture::cleanup()
{
    m_dialog.reset();
    ui::Screen::setMousePointer(ui::Screen::vbDefault);
}

QString tst_dlgShowPicture::makePicture(const QString &name, QSize size)
{
    const QString path = picturePath(name);
    if (!writeFile(path, jpegOf(photograph(size), 90)))
        qFatal("could not write %s", qPrintable(path));
    return path;
}

// 45 megapixels of one colour: decoded whole, more than Qt's reader allows by
// default. Empty when the file could not be written.
QString tst_dlgShowPicture::makeLargePhotograph(const QString &name)
{
    QImage large(8256, 5504, QImage::Format_RGB32);
    large.fill(qRgb(90, 140, 200));
    const QString path = picturePath(name);
    return writeFile(path, jpegOf(large, 90)) ? path : QString();
}

void tst_dlgShowPicture::layout()
{
    viewer::dlgShowPicture &dialog = *m_dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Quorvel - Show picture"));
    QCOMPARE(dialog.size(), QSize(644, 649));
    QVERIFY(!dialog.windowIcon().availableSizes().isEmpty());
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(
        !(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

    QCOMPARE(dialog.Image1->geometry(), QRect(16, 32, 267, 267));
    QCOMPARE(dialog.Image2->geometry(), QRect(464, 32, 65, 57));
    QCOMPARE(dialog.Label1->geometry(), QRect(24, 8, 217, 17));
    QVERIFY(dialog.Label1->font().bold());
    QVERIFY(dialog.Label1->Caption().isEmpty());
    QCOMPARE(dialog.cmdDelete->text(), QStringLiteral("&Delete"));
    QCOMPARE(dialog.cmdDelete->geometry(), QRect(552, 440, 81, 25));
    QCOMPARE(dialog.OKButton->text(), QStringLiteral("&Close"));
    QCOMPARE(dialog.OKButton->geometry(), QRect(552, 480, 81, 25));
    for (const ui::CommandButton *button : {dialog.OKButton, dialog.cmdDelete})
        QVERIFY(!button->isDefault() && !button->autoDefault());

    // Tab goes from Close to Delete and back.
    const auto nextTabStop = [](QWidget *from) {
        QWidget *next = from->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        return next;
    };
    QCOMPARE(nextTabStop(dialog.OKButton), static_cast<QWidget *>(dialog.cmdDelete));
    QCOMPARE(nextTabStop(dialog.cmdDelete), static_cast<QWidget *>(dialog.OKButton));
}

void tst_dlgShowPicture::fitToBox_data()
{
    QTest::addColumn<float>("W");
    QTest::addColumn<float>("H");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");

    QTest::newRow("wide") << 3000.f << 2000.f << 8000.f << 5333.3333f;
    QTest::newRow("high") << 2000.f << 3000.f << 5333.3333f << 8000.f;
    QTest::newRow("square") << 1000.f << 1000.f << 8000.f << 8000.f;
    QTest::newRow("small, enlarged") << 400.f << 300.f << 8000.f << 6000.f;
    QTest::newRow("large, reduced") << 90000.f << 60000.f << 8000.f << 5333.3333f;
    QTest::newRow("no height") << 3000.f << 0.f << 8000.f << 0.f;
    QTest::newRow("no width") << 0.f << 3000.f << 0.f << 8000.f;
}

void tst_dlgShowPicture::fitToBox()
{
    QFETCH(float, W);
    QFETCH(float, H);
    QFETCH(float, width);
    QFETCH(float, height);

    const viewer::dlgShowPicture::BoxSize size = viewer::dlgShowPicture::fitToBox(W, H);
    QVERIFY(size.Width.has_value());
    QVERIFY2(std::abs(*size.Width - width) < 1e-3f, qPrintable(QString::number(*size.Width)));
    QVERIFY2(std::abs(size.Height - height) < 1e-3f, qPrintable(QString::number(size.Height)));
}

void tst_dlgShowPicture::pictureWithoutExtentKeepsWidth()
{
    // The width would be 0 / 0: it is not computed, and only the height is set.
    const viewer::dlgShowPicture::BoxSize size = viewer::dlgShowPicture::fitToBox(0, 0);
    QCOMPARE(size.Height, 8000.f);
    QVERIFY(!size.Width.has_value());
}

void tst_dlgShowPicture::scalesToBox_data()
{
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<QSize>("shown");

    // 15 twips to the pixel: 300 x 200 pixels measure 4500 x 3000 twips.
    QTest::newRow("wide") << QSize(300, 200) << 8000.f << 5333.3333f << QSize(533, 356);
    QTest::newRow("high") << QSize(200, 300) << 5333.3333f << 8000.f << QSize(356, 533);
    QTest::newRow("square") << QSize(100, 100) << 8000.f << 8000.f << QSize(533, 533);
    QTest::newRow("small, enlarged") << QSize(40, 30) << 8000.f << 6000.f << QSize(533, 400);
    QTest::newRow("large, reduced") << QSize(1500, 1000) << 8000.f << 5333.3333f << QSize(533, 356);
}

void tst_dlgShowPicture::scalesToBox()
{
    QFETCH(QSize, pixels);
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(QSize, shown);

    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(makePicture(QStringLiteral("IMG_0001.jpg"), pixels));
    ui::Screen::setMousePointer(ui::Screen::vbHourglass);
    dialog.show();

    QVERIFY(dialog.Image1->Visible());
    QVERIFY(dialog.Image1->Stretch());
    QVERIFY(std::abs(dialog.Image1->Width() - width) < 1e-3f);
    QVERIFY(std::abs(dialog.Image1->Height() - height) < 1e-3f);
    QCOMPARE(dialog.Image1->Left(), 240.f);
    QCOMPARE(dialog.Image1->Top(), 480.f);
    QCOMPARE(dialog.Image1->geometry(), QRect(QPoint(16, 32), shown));
    QCOMPARE(dialog.Image1->Rendition().size(), shown);
    // The measuring image holds the same picture at its natural size, hidden.
    QVERIFY(!dialog.Image2->Visible());
    QVERIFY(!dialog.Image2->Stretch());
    QCOMPARE(dialog.Image2->Width(), float(pixels.width() * 15));
    QCOMPARE(dialog.Image2->Height(), float(pixels.height() * 15));
    QCOMPARE(dialog.Image2->Picture().size(), dialog.Image1->Picture().size());
    QVERIFY(dialog.Label1->Caption().isEmpty());
    QCOMPARE(ui::Screen::MousePointer(), ui::Screen::vbDefault);

    // What is on screen is the picture, not grey: the left third red.
    const QImage grabbed = dialog.Image1->grab().toImage();
    QVERIFY(isReddish(grabbed.pixel(shown.width() / 6, shown.height() / 2)));
    QVERIFY(isBluish(grabbed.pixel(shown.width() * 5 / 6, shown.height() / 2)));
}

void tst_dlgShowPicture::readsEachFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("shown");

    const QImage picture = photograph(QSize(40, 30));
    for (const char *format : {"jpeg", "png", "bmp", "tiff", "webp"}) {
        QTest::newRow(format) << QStringLiteral("picture.") + QLatin1String(format)
                              << fileOf(picture, format, 90) << QSize(533, 400);
    }
    QTest::newRow("gif") << QStringLiteral("picture.gif") << gifOf(QSize(40, 30))
                         << QSize(533, 400);
    // Phones append a video or a second picture after the JPEG's end.
    QTest::newRow("JPEG with data after its end")
        << QStringLiteral("PXL_0001.jpg") << jpegOf(picture, 90) + QByteArray(200000, '\0')
        << QSize(533, 400);
    // Told by content, not by name.
    QTest::newRow("PNG named .jpg")
        << QStringLiteral("IMG_0001.jpg") << fileOf(picture, "png") << QSize(533, 400);
}

void tst_dlgShowPicture::readsEachFormat()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, shown);

    QVERIFY(writeFile(picturePath(name), bytes));
    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(picturePath(name));
    dialog.show();

    QVERIFY2(dialog.Label1->Caption().isEmpty(), qPrintable(dialog.Label1->Caption()));
    QVERIFY(dialog.Image1->Visible());
    QCOMPARE(dialog.Image1->Width(), 8000.f);
    QCOMPARE(dialog.Image1->Height(), 6000.f);
    QCOMPARE(dialog.Image1->Rendition().size(), shown);
}

void tst_dlgShowPicture::turnsUprightAsTheCameraSays()
{
    // Stored 300 x 200 with its red third on the left; the camera was held
    // upright, so it is shown 200 x 300 with the red third on top.
    const QString path = picturePath(QStringLiteral("DSC_0006.jpg"));
    QVERIFY(writeFile(path, jpegWithOrientation(QSize(300, 200), 6)));
    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(path);
    dialog.show();

    QVERIFY(dialog.Label1->Caption().isEmpty());
    QCOMPARE(dialog.Image2->Width(), 200.f * 15);
    QCOMPARE(dialog.Image2->Height(), 300.f * 15);
    QVERIFY(std::abs(dialog.Image1->Width() - 5333.3333f) < 1e-3f);
    QCOMPARE(dialog.Image1->Height(), 8000.f);
    const QImage shown = dialog.Image1->Rendition();
    QCOMPARE(shown.size(), QSize(356, 533));
    QVERIFY(isReddish(shown.pixel(shown.width() / 2, shown.height() / 6)));
    QVERIFY(isBluish(shown.pixel(shown.width() / 2, shown.height() * 5 / 6)));
    QVERIFY(isBluish(shown.pixel(shown.width() / 6, shown.height() / 2)));
}

void tst_dlgShowPicture::unreadableFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray jpeg = jpegOf(photograph(QSize(300, 200)), 90);
    const QByteArray png = fileOf(photograph(QSize(300, 200)), "png");
    const QByteArray bmp = fileOf(photograph(QSize(300, 200)), "bmp");
    QTest::newRow("unknown format") << QStringLiteral("notes.jpg")
                                    << QByteArray("These are not the pixels you are looking for.");
    QTest::newRow("empty file") << QStringLiteral("empty.jpg") << QByteArray();
    QTest::newRow("truncated JPEG") << QStringLiteral("cut.jpg") << jpeg.left(jpeg.size() * 6 / 10);
    QTest::newRow("JPEG cut in its header") << QStringLiteral("head.jpg") << jpeg.left(300);
    QTest::newRow("truncated PNG") << QStringLiteral("cut.png") << png.left(png.size() / 2);
    QTest::newRow("truncated BMP") << QStringLiteral("cut.bmp") << bmp.left(bmp.size() / 2);
    // A NEF is a TIFF container with a thumbnail in front: no picture to show.
    QTest::newRow("RAW file in TIFF dress")
        << QStringLiteral("DSC_0001.nef") << fileOf(photograph(QSize(160, 120)), "tiff");
    QTest::newRow("RAW file") << QStringLiteral("DSC_0002.NEF")
                              << QByteArray("MM\0*\0\0\0\x08\0\0\0\0\0\0\0\0", 16);
    QTest::newRow("vanished file") << QStringLiteral("gone.jpg") << QByteArray();
}

void tst_dlgShowPicture::unreadableFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);

    viewer::dlgShowPicture &dialog = *m_dialog;
    // Something shown before, to see that the failure clears it.
    dialog.setTag(makePicture(QStringLiteral("before.jpg"), QSize(60, 40)));
    dialog.show();
    QVERIFY(dialog.Image1->Visible());
    dialog.hide();

    const QString path = picturePath(name);
    QVERIFY(writeFile(path, bytes));
    if (name == QLatin1String("gone.jpg"))
        QVERIFY(QFile::remove(path));
    ui::Screen::setMousePointer(ui::Screen::vbHourglass);
    dialog.setTag(path);
    dialog.show();

    QCOMPARE(dialog.Label1->Caption(), failureText);
    QVERIFY(isRed(dialog.Label1));
    QVERIFY(!dialog.Image1->Visible());
    QVERIFY(dialog.Image1->Picture().isNull());
    QCOMPARE(ui::Screen::MousePointer(), ui::Screen::vbDefault);
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.OKButton->isEnabled() && dialog.cmdDelete->isEnabled());
}

void tst_dlgShowPicture::secondOpeningShowsAnew()
{
    viewer::dlgShowPicture &dialog = *m_dialog;
    const QString broken = picturePath(QStringLiteral("broken.jpg"));
    QVERIFY(writeFile(broken, "JFIF? no."));
    dialog.setTag(broken);
    dialog.show();
    QCOMPARE(dialog.Label1->Caption(), failureText);
    dialog.OKButton->click();
    QVERIFY(dialog.isHidden());

    dialog.setTag(makePicture(QStringLiteral("IMG_0002.jpg"), QSize(120, 90)));
    dialog.show();
    QVERIFY(dialog.Label1->Caption().isEmpty());
    QVERIFY(dialog.Image1->Visible());
    QCOMPARE(dialog.Image1->Rendition().size(), QSize(533, 400));
}

void tst_dlgShowPicture::showsWhatTagNames()
{
    // Delete moves the file Tag names; the display never shows another one.
    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(makePicture(QStringLiteral("tagged.jpg"), QSize(200, 300)));
    dialog.showPicture(makePicture(QStringLiteral("other.jpg"), QSize(300, 200)));
    QCOMPARE(dialog.Image1->Height(), 8000.f);
}

void tst_dlgShowPicture::showsLargePhotographs()
{
    // 45 megapixels: decoded whole they would need more than the reader allows.
    const QString path = makeLargePhotograph(QStringLiteral("DSC_4500.jpg"));
    QVERIFY(!path.isEmpty());

    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(path);
    dialog.show();
    QVERIFY2(dialog.Label1->Caption().isEmpty(), "a 45-megapixel JPEG must display");
    QCOMPARE(dialog.Image2->Width(), 8256.f * 15);
    QCOMPARE(dialog.Image1->Rendition().size(), QSize(533, 356));
    const QRgb pixel = dialog.Image1->Rendition().pixel(266, 177);
    QVERIFY(qAbs(qBlue(pixel) - 200) < 8 && qAbs(qRed(pixel) - 90) < 8);
}

void tst_dlgShowPicture::showsSixteenBitPictureBeyondReaderLimit()
{
    // A 16-bit picture from a raw converter can't be decoded at a reduced
    // size; 4800 x 3600 of them need 138 MB in one piece.
    QImage deep(4800, 3600, QImage::Format_RGBX64);
    deep.fill(QColor(200, 60, 40));
    const QString path = picturePath(QStringLiteral("IMG_0016.png"));
    QVERIFY(writeFile(path, fileOf(deep, "png")));
    deep = QImage();

    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(path);
    dialog.show();
    QVERIFY(dialog.Label1->Caption().isEmpty());
    QCOMPARE(dialog.Image1->Rendition().size(), QSize(533, 400));
}

void tst_dlgShowPicture::sharpOnHighDensityScreens()
{
    if (qApp->devicePixelRatio() < 2) {
        // The screen's density is fixed at start-up: look again at twice it.
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(QTest::currentTestFunction())});
        QVERIFY(child.waitForFinished(120000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 child.readAll().constData());
        return;
    }
    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(makePicture(QStringLiteral("IMG_0003.jpg"), QSize(1500, 1000)));
    dialog.show();
    const QImage shown = dialog.Image1->Rendition();
    QCOMPARE(dialog.Image1->size(), QSize(533, 356));
    QCOMPARE(shown.size(), QSize(1066, 712));
    QCOMPARE(shown.devicePixelRatio(), 2.0);
}

void tst_dlgShowPicture::showModalReturnsOnClose()
{
    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(makePicture(QStringLiteral("IMG_0004.jpg"), QSize(90, 60)));
    bool shownWhileOpen = false;
    QTimer::singleShot(0, &dialog, [&] {
        shownWhileOpen = dialog.isVisible() && dialog.isModal() && dialog.Image1->Visible();
        dialog.OKButton->click();
    });
    ui::Screen::setMousePointer(ui::Screen::vbHourglass);
    dialog.ShowModal();
    QVERIFY(shownWhileOpen);
    QVERIFY(dialog.isHidden());
    QCOMPARE(ui::Screen::MousePointer(), ui::Screen::vbDefault);
    QCOMPARE(m_refreshes, 0);
    QCOMPARE(m_messages.count(), 0);
}

void tst_dlgShowPicture::closeBoxHidesAndNextOpeningWorks()
{
    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(makePicture(QStringLiteral("IMG_0005.jpg"), QSize(90, 60)));
    dialog.show();
    QVERIFY(dialog.close());
    QVERIFY(dialog.isHidden());

    dialog.setTag(makePicture(QStringLiteral("IMG_0006.jpg"), QSize(60, 90)));
    dialog.show();
    QVERIFY(dialog.Image1->Visible());
    QCOMPARE(dialog.Image1->Height(), 8000.f);
}

void tst_dlgShowPicture::escapeClosesNothing()
{
    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(makePicture(QStringLiteral("IMG_0007.jpg"), QSize(90, 60)));
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
}

void tst_dlgShowPicture::deleteAnsweredNo()
{
    viewer::dlgShowPicture &dialog = *m_dialog;
    const QString path = makePicture(QStringLiteral("IMG_0008.jpg"), QSize(90, 60));
    dialog.setTag(path);
    dialog.show();
    m_messages.answer(platform::IDNO);
    dialog.cmdDelete->click();

    QCOMPARE(m_messages.count(), 1);
    QCOMPARE(m_messages.last().prompt, QStringLiteral("You are about to delete file:\n") + path +
                                           QStringLiteral("\n\nAre you absolutly you want "
                                                          "to delete file ?"));
    QCOMPARE(m_messages.last().flags, 0x134);
    QCOMPARE(m_messages.last().title, QStringLiteral("Delete file"));
    QVERIFY(m_recycler.paths().isEmpty());
    QCOMPARE(m_refreshes, 0);
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.Image1->Visible() && !dialog.Image1->Picture().isNull());
    QVERIFY(QFile::exists(path));
}

void tst_dlgShowPicture::deleteMovesPictureToTrash()
{
    for (const QString &name : {QStringLiteral("IMG_0009.jpg"), QStringLiteral("IMG_0010.jpg"),
                                QStringLiteral("IMG_0011.jpg")})
        makePicture(name, QSize(90, 60));
    ui::FileListBox fb1(m_folder.path());
    fb1.setPattern(QStringLiteral("*.jpg"));
    fb1.setPath(m_folder.path());
    QCOMPARE(fb1.ListCount(), 3);

    FakeMessageBox messages;
    RecordingRecycler recycler(messages);
    viewer::dlgShowPicture dialog(messages, recycler.function(), [&fb1] { fb1.Refresh(); });
    const QString path = picturePath(QStringLiteral("IMG_0010.jpg"));
    dialog.setTag(path);
    dialog.show();
    messages.answer(platform::IDYES);
    dialog.cmdDelete->click();

    // One question, asked by the dialog; the trash asks nothing of its own.
    QCOMPARE(messages.count(), 2);
    QCOMPARE(messages.messages().at(0).flags, 0x134);
    QCOMPARE(messages.last().prompt,
             QStringLiteral("File deleted. \n\nIf you REGRET the file can be found\n"
                            "in the Recycle Bin and restored :-)"));
    QCOMPARE(messages.last().flags, 0x40);
    QVERIFY(messages.last().title.isEmpty());

    QCOMPARE(recycler.paths(), QStringList{path});
    QVERIFY(!QFile::exists(path));
    QVERIFY(QFile::exists(m_dataHome + QStringLiteral("/Trash/files/IMG_0010.jpg")));
    QVERIFY(QFile::exists(m_dataHome + QStringLiteral("/Trash/info/IMG_0010.jpg.trashinfo")));
    QCOMPARE(fb1.ListCount(), 2);
    QVERIFY(!test::listedNames(fb1).contains(QStringLiteral("IMG_0010.jpg")));
    QVERIFY(dialog.isHidden());
    QVERIFY(dialog.Image1->Picture().isNull());
}

void tst_dlgShowPicture::deleteFailureIsReported_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("number");

    QTest::newRow("busy") << 13 << QStringLiteral("13");
    QTest::newRow("negative") << -2147467259 << QStringLiteral("-2147467259");
}

void tst_dlgShowPicture::deleteFailureIsReported()
{
    QFETCH(int, result);
    QFETCH(QString, number);

    viewer::dlgShowPicture &dialog = *m_dialog;
    const QString path = makePicture(QStringLiteral("IMG_0012.jpg"), QSize(90, 60));
    dialog.setTag(path);
    dialog.show();
    m_recycler.fail(path, result);
    m_messages.answer(platform::IDYES);
    dialog.cmdDelete->click();

    QCOMPARE(m_recycler.paths(), QStringList{path});
    QCOMPARE(m_messages.count(), 2);
    QCOMPARE(m_messages.last().prompt,
             QStringLiteral("For some reason the file can't be deleted. \n\nReported error no: ") +
                 number);
    QCOMPARE(m_messages.last().flags, 0);
    QVERIFY(m_messages.last().title.isEmpty());
    QCOMPARE(m_refreshes, 1);
    QVERIFY(dialog.isHidden());
    QVERIFY(!dialog.Image1->Picture().isNull());
}

void tst_dlgShowPicture::deleteWhileFailureShows()
{
    const QString path = picturePath(QStringLiteral("IMG_0013.jpg"));
    QVERIFY(writeFile(path, "broken"));
    FakeMessageBox messages;
    RecordingRecycler recycler(messages);
    int refreshes = 0;
    viewer::dlgShowPicture dialog(messages, recycler.function(), [&refreshes] { ++refreshes; });
    dialog.setTag(path);
    dialog.show();
    QCOMPARE(dialog.Label1->Caption(), failureText);

    messages.answer(platform::IDYES);
    dialog.cmdDelete->click();
    QVERIFY(messages.messages().at(0).prompt.contains(path));
    QCOMPARE(messages.last().flags, 0x40);
    QCOMPARE(recycler.paths(), QStringList{path});
    QVERIFY(!QFile::exists(path));
    QVERIFY(QFile::exists(m_dataHome + QStringLiteral("/Trash/files/IMG_0013.jpg")));
    QCOMPARE(refreshes, 1);
    QVERIFY(dialog.isHidden());
}

// Five pictures, each its own bytes, in a list the viewer browses.
struct CullingFolder
{
    CullingFolder(const QString &folder, const QString &dataHome,
                  pictures::PictureCache::Decoder decoder = {})
        : list(folder), dialog(
                            messages, recycler.function(),
                            [this] {
                                ++refreshes;
                                list.Refresh();
                            },
                            std::move(decoder)),
          trash(dataHome + QStringLiteral("/Trash"))
    {
        for (int i = 1; i <= 5; ++i) {
            const QString name = QStringLiteral("DSC_000%1.JPG").arg(i);
            QImage picture = photograph(QSize(60 + i, 40));
            bytes[name] = jpegOf(picture, 90);
            if (!writeFile(folder + QLatin1Char('/') + name, bytes[name]))
                qFatal("could not write %s", qPrintable(name));
        }
        list.setPattern(QStringLiteral("*.JPG"));
        list.setPath(folder);
        dialog.setBrowsedList(std::make_unique<main_window::BrowsedFileList>(&list, &list));
    }

    void open(int index)
    {
        list.setListIndex(index);
        dialog.setTag(files::joinPath(list.Path(), list.FileName()));
        dialog.show();
    }

    QString shownName() const { return QFileInfo(dialog.Tag()).fileName(); }

    FakeMessageBox messages;
    RecordingRecycler recycler{messages};
    ui::FileListBox list;
    viewer::dlgShowPicture dialog;
    QString trash;
    QHash<QString, QByteArray> bytes;
    int refreshes = 0;
};

void tst_dlgShowPicture::navigationKeys_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<int>("to");

    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_PageDown})
        QTest::addRow("next by %s", qPrintable(QKeySequence(key).toString()))
            << 2 << QKeyCombination(key) << 3;
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Up, Qt::Key_PageUp, Qt::Key_Backspace})
        QTest::addRow("previous by %s", qPrintable(QKeySequence(key).toString()))
            << 2 << QKeyCombination(key) << 1;
    QTest::newRow("next by Space") << 2 << QKeyCombination(Qt::Key_Space) << 3;
    QTest::newRow("first") << 3 << QKeyCombination(Qt::Key_Home) << 0;
    QTest::newRow("last") << 1 << QKeyCombination(Qt::Key_End) << 4;
    QTest::newRow("no further than the last") << 4 << QKeyCombination(Qt::Key_Right) << 4;
    QTest::newRow("no further than the first") << 0 << QKeyCombination(Qt::Key_PageUp) << 0;
    QTest::newRow("keypad") << 2 << (Qt::KeypadModifier | Qt::Key_Right) << 3;
    QTest::newRow("with Shift: nothing") << 2 << (Qt::ShiftModifier | Qt::Key_Right) << 2;
}

void tst_dlgShowPicture::navigationKeys()
{
    QFETCH(int, from);
    QFETCH(QKeyCombination, key);
    QFETCH(int, to);

    CullingFolder culling(m_folder.path(), m_dataHome);
    culling.open(from);
    QCOMPARE(culling.list.ListCount(), 5);
    // Whichever has the focus, the keys move through the pictures: the
    // button Close would take Space and the arrows for itself.
    for (QWidget *target : {static_cast<QWidget *>(culling.dialog.OKButton),
                            static_cast<QWidget *>(&culling.dialog)}) {
        culling.open(from);
        // The selection follows with no Click: the main window runs a
        // handler, and its marks, for every Click.
        QSignalSpy clicks(&culling.list, &ui::FileListBox::Click);
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
        QVERIFY(culling.dialog.isVisible());
        QCOMPARE(culling.list.ListIndex(), to);
        QCOMPARE(clicks.count(), 0);
        const QString name = culling.list.List(to);
        QCOMPARE(culling.shownName(), name);
        // Each picture is one pixel wider than the one before. Decoded on a
        // worker, it lands a moment after the key.
        QTRY_COMPARE(culling.dialog.Image2->Width(), float((60 + name.at(7).digitValue()) * 15));
        QVERIFY(culling.dialog.Image1->Visible());
        QCOMPARE(culling.dialog.lblStatus->Caption(),
                 QStringLiteral("%1 / 5  %2").arg(to + 1).arg(name));
        QVERIFY(culling.dialog.Label1->Caption().isEmpty());
        culling.dialog.hide();
    }
}

void tst_dlgShowPicture::keyActions_data()
{
    using K = viewer::ViewerKeys;
    QTest::addColumn<QList<int>>("commands");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<bool>("actualPixels");

    QTest::newRow("next") << QList<int>{K::Next} << 2 << 3 << 5 << false << false;
    QTest::newRow("previous") << QList<int>{K::Previous} << 2 << 1 << 5 << false << false;
    QTest::newRow("first") << QList<int>{K::First} << 3 << 0 << 5 << false << false;
    QTest::newRow("last") << QList<int>{K::Last} << 1 << 4 << 5 << false << false;
    QTest::newRow("reject") << QList<int>{K::Reject} << 2 << 2 << 4 << false << false;
    QTest::newRow("reject, put back")
        << QList<int>{K::Reject, K::Undo} << 2 << 2 << 5 << false << false;
    QTest::newRow("full screen") << QList<int>{K::FullScreen} << 2 << 2 << 5 << true << false;
    QTest::newRow("full screen, left")
        << QList<int>{K::FullScreen, K::LeaveFullScreen} << 2 << 2 << 5 << false << false;
    QTest::newRow("one to one") << QList<int>{K::ActualPixels} << 2 << 2 << 5 << false << true;
}

// Each key's action does its work triggered by itself, with no key pressed.
void tst_dlgShowPicture::keyActions()
{
    QFETCH(QList<int>, commands);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, count);
    QFETCH(bool, fullScreen);
    QFETCH(bool, actualPixels);

    CullingFolder culling(m_folder.path(), m_dataHome);
    culling.open(from);
    for (int command : commands) {
        QTRY_COMPARE(culling.dialog.shownPath(), culling.dialog.Tag());
        culling.dialog.keyAction(viewer::ViewerKeys::Command(command))->trigger();
    }
    QCOMPARE(culling.list.ListCount(), count);
    QCOMPARE(culling.list.ListIndex(), to);
    QCOMPARE(culling.shownName(), culling.list.List(to));
    QCOMPARE(culling.dialog.isFullScreen(), fullScreen);
    QCOMPARE(culling.dialog.showsActualPixels(), actualPixels);
    culling.dialog.hide();
}

void tst_dlgShowPicture::rejectAndPutBack_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("keys"); // D: Delete, Z: Ctrl+Z
    QTest::addColumn<QString>("shownAfterDeletes");
    // What stops the way back, and what the status line then says; empty
    // for nothing.
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QString>("stays");
    // What DSC_0003.JPG is renamed to before the opening; empty for nothing.
    QTest::addColumn<QString>("renamed");

    QTest::newRow("in the middle") << 1 << "DZ"
                                   << "DSC_0003.JPG" << QString() << QString() << QString();
    QTest::newRow("the last: the one before shows")
        << 4 << "DZ"
        << "DSC_0004.JPG" << QString() << QString() << QString();
    QTest::newRow("two, walked back") << 1 << "DDZZ"
                                      << "DSC_0004.JPG" << QString() << QString() << QString();
    QTest::newRow("name taken meanwhile")
        << 2 << "DZ"
        << "DSC_0004.JPG"
        << "name taken"
        << "DSC_0003.JPG stays in the trash: another file has taken its name" << QString();
    QTest::newRow("another file in its place in the trash")
        << 2 << "DZ"
        << "DSC_0004.JPG"
        << "swapped in the trash"
        << "DSC_0003.JPG stays in the trash: another file has taken its place in the trash"
        << QString();
    // Last: the folder is the test's own for all its rows.
    QTest::newRow("a line break in the name: shown as \\n, on one line")
        << 0 << "DZ"
        << "DSC_0001.JPG" << QString() << QString() << "DSC\n0003.JPG";
}

void tst_dlgShowPicture::rejectAndPutBack()
{
    QFETCH(int, from);
    QFETCH(QString, keys);
    QFETCH(QString, shownAfterDeletes);
    QFETCH(QString, meanwhile);
    QFETCH(QString, stays);
    QFETCH(QString, renamed);

    CullingFolder culling(m_folder.path(), m_dataHome);
    if (!renamed.isEmpty()) {
        QVERIFY(QFile::rename(m_folder.filePath("DSC_0003.JPG"), m_folder.filePath(renamed)));
        culling.bytes[renamed] = culling.bytes.take("DSC_0003.JPG");
        culling.list.Refresh();
    }
    culling.open(from);
    QStringList rejected;
    bool firstUndo = true;
    for (QChar key : keys) {
        if (key == QLatin1Char('D')) {
            // Delete takes only a picture on screen: the one after a
            // rejection lands a moment later.
            QTRY_COMPARE(culling.dialog.shownPath(), culling.dialog.Tag());
            rejected << culling.shownName();
            const int refreshes = culling.refreshes;
            QTest::keyClick(culling.dialog.OKButton, Qt::Key_Delete);
            // Taken out of the list, which is not read again for it.
            QCOMPARE(culling.refreshes, refreshes);
            // No question: the picture has gone, and the list with it.
            QCOMPARE(culling.messages.count(), 0);
            QVERIFY(!QFile::exists(m_folder.filePath(rejected.last())));
            QVERIFY(QFile::exists(culling.trash + QStringLiteral("/files/") + rejected.last()));
            QVERIFY(!test::listedNames(culling.list).contains(rejected.last()));
            QVERIFY(culling.dialog.lblStatus->Caption().contains(
                files::visibleName(rejected.last()) + QStringLiteral(" moved to the trash")));
            QVERIFY(!culling.dialog.lblStatus->Caption().contains(u'\n'));
            continue;
        }
        if (std::exchange(firstUndo, false))
            QCOMPARE(culling.shownName(), shownAfterDeletes);
        QCOMPARE(culling.list.FileName(), culling.shownName());
        const QString name = rejected.takeLast();
        const QString original = m_folder.filePath(name);
        const QString inTrash = culling.trash + QStringLiteral("/files/") + name;
        if (meanwhile == QLatin1String("name taken"))
            QVERIFY(writeFile(original, "a newer file"));
        if (meanwhile == QLatin1String("swapped in the trash"))
            QVERIFY(QFile::remove(inTrash) && writeFile(inTrash, "another file"));
        QTest::keyClick(&culling.dialog, Qt::Key_Z, Qt::ControlModifier);
        if (!meanwhile.isEmpty()) {
            QCOMPARE(QFile::exists(original), meanwhile == QLatin1String("name taken"));
            QVERIFY(QFile::exists(inTrash));
            QCOMPARE(QFile(meanwhile == QLatin1String("name taken") ? original : inTrash).size(),
                     qint64(12));
            QVERIFY2(culling.dialog.lblStatus->Caption().endsWith(QStringLiteral("    ") + stays),
                     qPrintable(culling.dialog.lblStatus->Caption()));
            continue;
        }
        // Back byte for byte, its record gone from the trash, and shown.
        QFile back(original);
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll(), culling.bytes.value(name));
        QVERIFY(!QFile::exists(culling.trash + QStringLiteral("/files/") + name));
        QVERIFY(!QFile::exists(culling.trash + QStringLiteral("/info/") + name +
                               QStringLiteral(".trashinfo")));
        QCOMPARE(culling.shownName(), name);
        QCOMPARE(culling.list.FileName(), name);
        QVERIFY(culling.dialog.lblStatus->Caption().contains(files::visibleName(name) +
                                                             QStringLiteral(" is back")));
        QVERIFY(!culling.dialog.lblStatus->Caption().contains(u'\n'));
    }
    // A name taken meanwhile is listed again, by the newcomer.
    QCOMPARE(culling.list.ListCount(), meanwhile == QLatin1String("swapped in the trash") ? 4 : 5);
    QCOMPARE(culling.messages.count(), 0);
    // Nothing left to put back.
    QTest::keyClick(&culling.dialog, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(culling.dialog.lblStatus->Caption().contains(QStringLiteral("Nothing to put back")));
}

void tst_dlgShowPicture::rawPreview_data()
{
    QTest::addColumn<bool>("withPreview");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSize>("natural");

    // The preview is stored 120 x 80 with its red third on the left.
    QTest::newRow("as stored") << true << 1 << QSize(120, 80);
    QTest::newRow("camera held upright") << true << 6 << QSize(80, 120);
    QTest::newRow("camera held the other way up") << true << 8 << QSize(80, 120);
    QTest::newRow("upside down") << true << 3 << QSize(120, 80);
    QTest::newRow("no preview") << false << 1 << QSize();
}

void tst_dlgShowPicture::rawPreview()
{
    QFETCH(bool, withPreview);
    QFETCH(int, orientation);
    QFETCH(QSize, natural);

    const QByteArray preview = withPreview ? jpegOf(photograph(QSize(120, 80)), 90) : QByteArray();
    const QString path = picturePath(QStringLiteral("DSC_0042.NEF"));
    QVERIFY(writeFile(path, test::minimalDng(preview, QSize(120, 80), orientation)));
    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(path);
    dialog.show();

    if (!withPreview) {
        QCOMPARE(dialog.Label1->Caption(), failureText);
        QVERIFY(!dialog.Image1->Visible());
        return;
    }
    QVERIFY2(dialog.Label1->Caption().isEmpty(), "a RAW file shows its preview");
    QCOMPARE(dialog.Image2->Width(), float(natural.width() * 15));
    QCOMPARE(dialog.Image2->Height(), float(natural.height() * 15));
    const QImage shown = dialog.Image1->Rendition();
    QCOMPARE(shown.size(), natural.width() > natural.height() ? QSize(533, 356) : QSize(356, 533));
    // Where the red third went tells how the picture was turned.
    const int w = shown.width();
    const int h = shown.height();
    const QPoint red = orientation == 6   ? QPoint(w / 2, h / 6)
                       : orientation == 8 ? QPoint(w / 2, h * 5 / 6)
                       : orientation == 3 ? QPoint(w * 5 / 6, h / 2)
                                          : QPoint(w / 6, h / 2);
    QVERIFY(isReddish(shown.pixel(red)));
    QVERIFY(isBluish(shown.pixel(w - 1 - red.x(), h - 1 - red.y())));
}

void tst_dlgShowPicture::showingAgainReadsTheFileAgain()
{
    // A picture decoded before, deleted by another program since: the
    // display reads the file, not what it decoded of it then.
    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(makePicture(QStringLiteral("IMG_0021.jpg"), QSize(90, 60)));
    dialog.show();
    QVERIFY(dialog.Image1->Visible());
    QVERIFY(QFile::remove(dialog.Tag()));
    dialog.showPicture(dialog.Tag());
    QCOMPARE(dialog.Label1->Caption(), failureText);
    QVERIFY(!dialog.Image1->Visible());
}

void tst_dlgShowPicture::fullScreenAndBack()
{
    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(makePicture(QStringLiteral("IMG_0020.jpg"), QSize(1500, 1000)));
    dialog.show();
    QTest::keyClick(dialog.OKButton, Qt::Key_F11);
    QVERIFY(dialog.isFullScreen());
    QTRY_VERIFY(dialog.size() != QSize(644, 649));
    // The picture fills the space left of the buttons, decoded for it.
    QTRY_VERIFY(dialog.Image1->width() > 533);
    QTRY_COMPARE(dialog.Image1->Rendition().size(), dialog.Image1->size());
    QVERIFY(dialog.Image1->geometry().right() < dialog.cmdDelete->x());
    QVERIFY(dialog.cmdDelete->geometry().right() < dialog.width());

    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isFullScreen());
    QTRY_COMPARE(dialog.size(), QSize(644, 649));
    QVERIFY(dialog.isVisible());
    // Exactly the display of the dialog's own size again.
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QTRY_COMPARE(dialog.Image1->Rendition().size(), QSize(533, 356));
    QCOMPARE(dialog.Image1->geometry(), QRect(16, 32, 533, 356));
    QCOMPARE(dialog.Image1->Width(), 8000.f);
    QCOMPARE(dialog.cmdDelete->geometry(), QRect(552, 440, 81, 25));
    QCOMPARE(dialog.OKButton->geometry(), QRect(552, 480, 81, 25));
}

void tst_dlgShowPicture::fullScreenEndsWithTheOpening_data()
{
    QTest::addColumn<QString>("closedBy");
    QTest::newRow("Close") << QStringLiteral("Close");
    QTest::newRow("Delete answered Yes") << QStringLiteral("Delete");
    QTest::newRow("close box") << QStringLiteral("close box");
}

void tst_dlgShowPicture::fullScreenEndsWithTheOpening()
{
    QFETCH(QString, closedBy);

    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(makePicture(QStringLiteral("IMG_0030.jpg"), QSize(1500, 1000)));
    dialog.show();
    const QPoint place = dialog.pos();
    QTest::keyClick(dialog.OKButton, Qt::Key_F11);
    QVERIFY(dialog.isFullScreen());
    QTRY_VERIFY(dialog.Image1->width() > 533);
    if (closedBy == QLatin1String("Close")) {
        dialog.OKButton->click();
    } else if (closedBy == QLatin1String("Delete")) {
        m_messages.answer(platform::IDYES);
        dialog.cmdDelete->click();
        QCOMPARE(m_recycler.paths().size(), 1);
    } else {
        QVERIFY(dialog.close());
    }
    QVERIFY(dialog.isHidden());
    QVERIFY(!dialog.isFullScreen());

    // The next opening is the dialog's own, with its own box.
    dialog.setTag(makePicture(QStringLiteral("IMG_0031.jpg"), QSize(1500, 1000)));
    dialog.show();
    QVERIFY(!dialog.isFullScreen());
    QCOMPARE(dialog.size(), QSize(644, 649));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QCOMPARE(dialog.pos(), place);
    QCOMPARE(dialog.Image1->Left(), 240.f);
    QCOMPARE(dialog.Image1->Top(), 480.f);
    QCOMPARE(dialog.Image1->Width(), 8000.f);
    QCOMPARE(dialog.Image1->geometry(), QRect(16, 32, 533, 356));
    QCOMPARE(dialog.Image1->Rendition().size(), QSize(533, 356));
    QCOMPARE(dialog.cmdDelete->geometry(), QRect(552, 440, 81, 25));
    QCOMPARE(dialog.OKButton->geometry(), QRect(552, 480, 81, 25));
}

void tst_dlgShowPicture::deleteActsOnWhatIsShown_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::addColumn<bool>("withThumbnail");
    // Another file renamed over the picture on screen before Delete.
    QTest::addColumn<bool>("swapped");

    QTest::newRow("Delete key") << false << false << false;
    QTest::newRow("Delete button") << true << false << false;
    QTest::newRow("Delete key, the camera's thumbnail shown") << false << true << false;
    QTest::newRow("Delete key, another file in its place") << false << false << true;
    QTest::newRow("Delete button, another file in its place") << true << false << true;
}

// Right reaches a picture whose decode is held back: the one before stays on
// screen, and Delete must not take the picture the user has not seen.
void tst_dlgShowPicture::deleteActsOnWhatIsShown()
{
    QFETCH(bool, byButton);
    QFETCH(bool, withThumbnail);
    QFETCH(bool, swapped);

    const QString held = m_folder.filePath(QStringLiteral("DSC_0003.JPG"));
    const QString before = m_folder.filePath(QStringLiteral("DSC_0002.JPG"));
    HeldDecoder decoder(held);
    CullingFolder culling(m_folder.path(), m_dataHome, decoder.function());
    if (withThumbnail) {
        const QByteArray thumbnail = jpegOf(photograph(QSize(160, 120)), 80);
        QVERIFY(writeFile(
            held, test::withExifThumbnail(culling.bytes.value("DSC_0003.JPG"), thumbnail, 1)));
    }
    const auto left = [this] { return m_folder.entryList(QDir::Files, QDir::Name); };
    const QStringList all = left();
    QCOMPARE(all.size(), 5);
    culling.open(1);
    QCOMPARE(culling.dialog.shownPath(), before);

    if (swapped) {
        // Same name, another file: it is not what the user looked at.
        const QString newcomer = m_folder.filePath(QStringLiteral("newcomer.tmp"));
        QVERIFY(writeFile(newcomer, culling.bytes.value("DSC_0001.JPG")));
        QCOMPARE(std::rename(QFile::encodeName(newcomer).constData(),
                             QFile::encodeName(before).constData()),
                 0);
        if (byButton) {
            culling.messages.answer(platform::IDYES);
            culling.dialog.cmdDelete->click();
            QCOMPARE(culling.messages.last().prompt,
                     QStringLiteral("For some reason the file can't be deleted. \n\n"
                                    "Reported error no: ") +
                         QString::number(ESTALE));
        } else {
            QTest::keyClick(culling.dialog.OKButton, Qt::Key_Delete);
            QVERIFY(culling.dialog.lblStatus->Caption().endsWith(QStringLiteral(
                "DSC_0002.JPG stays: another file has taken its place since it was shown")));
            QCOMPARE(culling.list.ListCount(), 5);
        }
        QCOMPARE(left(), all);
        QFile kept(before);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), culling.bytes.value("DSC_0001.JPG"));
        return;
    }

    // The key is taken at once, with its picture still on the way.
    QTest::keyClick(culling.dialog.OKButton, Qt::Key_Right);
    QCOMPARE(culling.dialog.Tag(), held);
    QCOMPARE(culling.list.ListIndex(), 2);

    if (withThumbnail) {
        QTRY_VERIFY(culling.dialog.showsStandIn());
        QCOMPARE(culling.dialog.shownPath(), held);
        QTest::keyClick(culling.dialog.OKButton, Qt::Key_Delete);
        QVERIFY(!left().contains(QStringLiteral("DSC_0003.JPG")));
        QCOMPARE(left().size(), 4);
        return;
    }
    QCOMPARE(culling.dialog.shownPath(), before);
    if (byButton) {
        // The question names the picture on screen, and that one goes, even
        // when the one reached lands while the question is open.
        culling.messages.answer(platform::IDYES);
        bool landed = false;
        culling.messages.onNextShow([&] {
            decoder.release();
            landed = QTest::qWaitFor([&] { return culling.dialog.shownPath() == held; });
        });
        culling.dialog.cmdDelete->click();
        QVERIFY(landed);
        QCOMPARE(culling.messages.messages().at(0).prompt,
                 QStringLiteral("You are about to delete file:\n") + before +
                     QStringLiteral("\n\nAre you absolutly you want to delete file ?"));
        QCOMPARE(culling.messages.last().flags, 0x40);
        QVERIFY(!left().contains(QStringLiteral("DSC_0002.JPG")));
        QCOMPARE(left().size(), 4);
        QVERIFY(culling.dialog.isHidden());
        return;
    }
    QTest::keyClick(culling.dialog.OKButton, Qt::Key_Delete);
    QCOMPARE(left(), all);
    QCOMPARE(culling.list.ListCount(), 5);
    QCOMPARE(culling.dialog.shownPath(), before);
    QCOMPARE(culling.dialog.lblStatus->Caption(),
             QStringLiteral("3 / 5  DSC_0003.JPG    Not shown yet: nothing deleted"));

    decoder.release();
    QTRY_VERIFY(culling.dialog.shownPath() == held && !culling.dialog.showsStandIn());
    QTest::keyClick(culling.dialog.OKButton, Qt::Key_Delete);
    QVERIFY(!left().contains(QStringLiteral("DSC_0003.JPG")));
    QCOMPARE(left().size(), 4);
    QCOMPARE(culling.messages.count(), 0);
}

void tst_dlgShowPicture::lastPictureRejected()
{
    CullingFolder culling(m_folder.path(), m_dataHome);
    for (int i = 2; i <= 5; ++i)
        QVERIFY(QFile::remove(m_folder.filePath(QStringLiteral("DSC_000%1.JPG").arg(i))));
    culling.list.Refresh();
    culling.open(0);
    QTest::keyClick(culling.dialog.OKButton, Qt::Key_Delete);
    const QString gone = m_folder.filePath(QStringLiteral("DSC_0001.JPG"));
    QVERIFY(!QFile::exists(gone));
    QCOMPARE(culling.list.ListCount(), 0);
    // Nothing names the file that has gone.
    QVERIFY(culling.dialog.Tag().isEmpty());
    QVERIFY(culling.dialog.shownPath().isEmpty());
    QVERIFY(!culling.dialog.Image1->Visible());
    QCOMPARE(culling.dialog.lblStatus->Caption(),
             QStringLiteral("DSC_0001.JPG moved to the trash (Ctrl+Z puts it back)    "
                            "No more pictures"));

    // Neither Delete asks or does anything now; both say why.
    culling.dialog.cmdDelete->click();
    QCOMPARE(culling.messages.count(), 0);
    QVERIFY(culling.dialog.isVisible());
    QCOMPARE(culling.dialog.lblStatus->Caption(), QStringLiteral("No more pictures"));
    QTest::keyClick(culling.dialog.OKButton, Qt::Key_Delete);
    QCOMPARE(culling.dialog.lblStatus->Caption(), QStringLiteral("No more pictures"));

    // It can still come back.
    QTest::keyClick(&culling.dialog, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(QFile::exists(gone));
    QCOMPARE(culling.dialog.Tag(), gone);
    QTRY_COMPARE(culling.dialog.shownPath(), gone);
}

void tst_dlgShowPicture::oneToOne_data()
{
    QTest::addColumn<bool>("byKey");
    QTest::newRow("Z") << true;
    QTest::newRow("double-click") << false;
}

void tst_dlgShowPicture::oneToOne()
{
    QFETCH(bool, byKey);

    const QString path = makeLargePhotograph(QStringLiteral("DSC_4501.jpg"));
    QVERIFY(!path.isEmpty());
    viewer::dlgShowPicture &dialog = *m_dialog;
    dialog.setTag(path);
    dialog.show();
    const auto toggle = [&] {
        if (byKey)
            QTest::keyClick(dialog.OKButton, Qt::Key_Z);
        else
            QTest::mouseDClick(
                dialog.showsActualPixels()
                    ? static_cast<QWidget *>(dialog.findChild<viewer::ActualPixels *>())
                    : static_cast<QWidget *>(dialog.Image1),
                Qt::LeftButton);
    };
    toggle();
    QVERIFY(dialog.showsActualPixels());
    auto *view = dialog.findChild<viewer::ActualPixels *>();
    QVERIFY(view);
    QTRY_VERIFY_WITH_TIMEOUT(view->showsWholeDecode(), 60000);
    // Larger than the box, the picture covers it and can be dragged about.
    const QImage shown = view->grab().toImage();
    const QRgb middle = shown.pixel(shown.width() / 2, shown.height() / 2);
    QVERIFY(qAbs(qBlue(middle) - 200) < 8 && qAbs(qRed(middle) - 90) < 8);
    const QPointF before = view->origin();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(200, 200));
    QTest::mouseMove(view, QPoint(150, 120));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(150, 120));
    QCOMPARE(view->origin(), before + QPointF(-50, -80));

    toggle();
    QVERIFY(!dialog.showsActualPixels());
    QVERIFY(dialog.Image1->Visible());
}

void tst_dlgShowPicture::coloursOfPictureAndScreen_data()
{
    QTest::addColumn<ColourSource>("source");
    QTest::addColumn<QString>("screen"); // its profile: none is sRGB
    QTest::addColumn<QString>("colourSpace");
    QTest::addColumn<bool>("pictureProblem");
    QTest::addColumn<bool>("screenProblem");

    QTest::newRow("sRGB on sRGB: untouched")
        << ColourSource::None << QString() << QString() << false << false;
    QTest::newRow("Adobe RGB profile on sRGB")
        << ColourSource::EmbeddedAdobeRgb << QString() << "Adobe RGB" << false << false;
    QTest::newRow("Adobe RGB by Exif R03 on sRGB")
        << ColourSource::ExifAdobeRgb << QString() << "Adobe RGB" << false << false;
    QTest::newRow("damaged profile: shown as sRGB, said once")
        << ColourSource::DamagedProfile << QString() << QString() << true << false;
    QTest::newRow("sRGB on a wide-gamut screen")
        << ColourSource::None << "wide gamut" << QString() << false << false;
    QTest::newRow("Adobe RGB on a wide-gamut screen")
        << ColourSource::EmbeddedAdobeRgb << "wide gamut"
        << "Adobe RGB" << false << false;
    QTest::newRow("Adobe RGB on an Adobe RGB screen: untouched")
        << ColourSource::ExifAdobeRgb << "Adobe RGB"
        << "Adobe RGB" << false << false;
    QTest::newRow("damaged screen profile: taken for sRGB, said once")
        << ColourSource::EmbeddedAdobeRgb << "damaged"
        << "Adobe RGB" << false << true;
}

// A flat colour, shown as Little CMS turns it from the picture's profile into
// the screen's; the status line names the picture's colour space after its
// name, and a profile that can't be used once an opening, with the picture
// it concerns, never again on the next keys.
void tst_dlgShowPicture::coloursOfPictureAndScreen()
{
    QFETCH(ColourSource, source);
    QFETCH(QString, screen);
    QFETCH(QString, colourSpace);
    QFETCH(bool, pictureProblem);
    QFETCH(bool, screenProblem);

    QImage flat(64, 48, QImage::Format_RGB32);
    flat.fill(qRgb(200, 120, 60));
    const QByteArray plain = jpegOf(flat, 95);
    QByteArray bytes = plain;
    QByteArray pictureProfile = test::sRgbProfile();
    switch (source) {
    case ColourSource::None:
        break;
    case ColourSource::EmbeddedAdobeRgb:
        bytes = test::withIccProfile(plain, test::adobeRgbProfile());
        pictureProfile = test::adobeRgbProfile();
        break;
    case ColourSource::ExifAdobeRgb:
        bytes = test::withExifColourSpace(plain, 0xFFFF, "R03");
        pictureProfile = test::adobeRgbProfile();
        break;
    case ColourSource::DamagedProfile:
        bytes = test::withIccProfile(plain, test::adobeRgbProfile().left(200));
        break;
    }
    QVERIFY(writeFile(picturePath(QStringLiteral("A.jpg")), bytes));
    QVERIFY(writeFile(picturePath(QStringLiteral("B.jpg")), plain));
    const QByteArray screenProfile = profileOfScreen(screen);

    FakeScreenProfiles profiles;
    profiles.profiles.insert(0, screenProfile);
    FakeMessageBox messages;
    RecordingRecycler recycler{messages};
    ui::FileListBox list(m_folder.path());
    list.setPattern(QStringLiteral("*.jpg"));
    list.setPath(m_folder.path());
    // A lands after the key that reaches it, as a large picture would.
    HeldDecoder decoder(picturePath(QStringLiteral("A.jpg")));
    viewer::dlgShowPicture dialog(
        messages, recycler.function(), [] {}, decoder.function(), &profiles);
    dialog.setBrowsedList(std::make_unique<main_window::BrowsedFileList>(&list, &list));
    list.setListIndex(1);
    dialog.setTag(picturePath(QStringLiteral("B.jpg")));
    dialog.show();
    QVERIFY(dialog.Image1->Visible());
    QVERIFY(profiles.asked.contains(int(QGuiApplication::screens().indexOf(dialog.screen()))));
    // The screen's problem is said with the first picture.
    const QString lineOfB = QStringLiteral("2 / 2  B.jpg");
    const QString statusOfB = dialog.lblStatus->Caption();
    QVERIFY2(statusOfB.startsWith(lineOfB), qPrintable(statusOfB));
    const QString screenSaid = statusOfB.mid(lineOfB.size() + 4);
    QCOMPARE(!screenSaid.isEmpty(), screenProblem);
    if (screenProblem)
        QVERIFY2(screenSaid.contains(QStringLiteral("screen")), qPrintable(statusOfB));

    dialog.showPrevious();
    QCOMPARE(dialog.lblStatus->Caption(), QStringLiteral("1 / 2  A.jpg"));
    decoder.release();
    QTRY_COMPARE(dialog.shownPath(), picturePath(QStringLiteral("A.jpg")));
    QVERIFY(dialog.Image1->Visible());

    // The numbers as stored, and what Little CMS itself makes of them.
    const QRgb stored = QImage::fromData(plain).pixel(32, 24);
    const QByteArray target = screen == QLatin1String("damaged") || screenProfile.isEmpty()
                                  ? test::sRgbProfile()
                                  : screenProfile;
    const QRgb expected =
        pictureProfile == target ? stored : test::transformedColour(stored, pictureProfile, target);
    const QImage &shown = dialog.Image1->Rendition();
    const QRgb middle = shown.pixel(shown.width() / 2, shown.height() / 2);
    const auto near = [](QRgb a, QRgb b, int by) {
        return qAbs(qRed(a) - qRed(b)) <= by && qAbs(qGreen(a) - qGreen(b)) <= by &&
               qAbs(qBlue(a) - qBlue(b)) <= by;
    };
    // Untouched means the very numbers decoded, not a round trip near them.
    const int tolerance = expected == stored ? 0 : 2;
    QVERIFY2(near(middle, expected, tolerance),
             qPrintable(QStringLiteral("shown %1, Little CMS says %2, stored %3")
                            .arg(middle, 0, 16)
                            .arg(expected, 0, 16)
                            .arg(stored, 0, 16)));
    if (expected != stored)
        QVERIFY(!near(middle, stored, 2)); // the row does turn the colours

    const QString line = QStringLiteral("1 / 2  A.jpg") +
                         (colourSpace.isEmpty() ? QString() : QStringLiteral("  ") + colourSpace);
    const QString status = dialog.lblStatus->Caption();
    QVERIFY2(status.startsWith(line), qPrintable(status));
    const QStringList said =
        status.mid(line.size()).split(QStringLiteral("    "), Qt::SkipEmptyParts);
    QCOMPARE(said.size(), int(pictureProblem));
    if (pictureProblem)
        QVERIFY2(said.first().contains(QStringLiteral("picture")), qPrintable(status));

    // Said once: neither the next picture nor this one seen again says it.
    dialog.showNext();
    QTRY_COMPARE(dialog.shownPath(), picturePath(QStringLiteral("B.jpg")));
    QCOMPARE(dialog.lblStatus->Caption(), QStringLiteral("2 / 2  B.jpg"));
    dialog.showPrevious();
    QTRY_COMPARE(dialog.shownPath(), picturePath(QStringLiteral("A.jpg")));
    QCOMPARE(dialog.lblStatus->Caption(), line);

    // Each opening says them again, once, with its first picture.
    dialog.hide();
    list.setListIndex(0);
    dialog.show();
    QCOMPARE(dialog.lblStatus->Caption(),
             status + (screenProblem ? QStringLiteral("    ") + screenSaid : QString()));
}

// Moved to another screen, the dialog asks for that screen's profile and
// shows its picture again in that screen's colours.
void tst_dlgShowPicture::followsTheScreen()
{
    QImage flat(64, 48, QImage::Format_RGB32);
    flat.fill(qRgb(60, 160, 90));
    const QByteArray bytes = test::withIccProfile(jpegOf(flat, 95), test::adobeRgbProfile());
    const QString path = picturePath(QStringLiteral("C.jpg"));
    QVERIFY(writeFile(path, bytes));
    FakeScreenProfiles profiles;
    FakeMessageBox messages;
    RecordingRecycler recycler{messages};
    viewer::dlgShowPicture dialog(
        messages, recycler.function(), [] {}, {}, &profiles);
    dialog.setTag(path);
    dialog.show();
    const QRgb stored = QImage::fromData(bytes).pixel(32, 24);
    const auto middle = [&] {
        const QImage &shown = dialog.Image1->Rendition();
        return shown.pixel(shown.width() / 2, shown.height() / 2);
    };
    const auto near = [](QRgb a, QRgb b) {
        return qAbs(qRed(a) - qRed(b)) <= 2 && qAbs(qGreen(a) - qGreen(b)) <= 2 &&
               qAbs(qBlue(a) - qBlue(b)) <= 2;
    };
    const QRgb onSRgb =
        test::transformedColour(stored, test::adobeRgbProfile(), test::sRgbProfile());
    QVERIFY(near(middle(), onSRgb));

    // The offscreen platform has one screen: the window is told it is on a
    // screen whose profile is now the wide-gamut one, as after a move.
    const int index = int(QGuiApplication::screens().indexOf(dialog.screen()));
    profiles.profiles.insert(index, test::wideGamutProfile());
    profiles.asked.clear();
    QVERIFY(dialog.windowHandle());
    emit dialog.windowHandle()->screenChanged(dialog.screen());
    QCOMPARE(profiles.asked, QList<int>{index});
    const QRgb onWide =
        test::transformedColour(stored, test::adobeRgbProfile(), test::wideGamutProfile());
    QVERIFY(!near(onWide, onSRgb));
    QTRY_VERIFY(near(middle(), onWide));
    QCOMPARE(dialog.shownPath(), path);
}

void tst_dlgShowPicture::focusFrame_data()
{
    QTest::addColumn<QList<QRectF>>("areas");
    QTest::newRow("a rectangle") << QList<QRectF>{QRectF(0.25, 0.3, 0.2, 0.1)};
    QTest::newRow("a point") << QList<QRectF>{QRectF(0.6, 0.4, 0, 0)};
    QTest::newRow("two areas") << QList<QRectF>{QRectF(0.1, 0.1, 0.1, 0.1),
                                                QRectF(0.7, 0.6, 0.2, 0.2)};
}

// F draws the camera's focus areas where they are on the picture, in the box,
// at full screen and at one to one, and the frame follows the keys.
void tst_dlgShowPicture::focusFrame()
{
    QFETCH(QList<QRectF>, areas);

    FocusDecoder decoder;
    decoder.set(QStringLiteral("DSC_0003.JPG"), {{areas, {}}, {}, false});
    const QList<QRectF> fourth{QRectF(0.5, 0.5, 0.25, 0.25)};
    decoder.set(QStringLiteral("DSC_0004.JPG"), {{fourth, {}}, {}, false});
    CullingFolder culling(m_folder.path(), m_dataHome, decoder.function());
    viewer::dlgShowPicture &dialog = culling.dialog;
    culling.open(2);
    auto *overlay = dialog.findChild<viewer::FocusOverlay *>(QStringLiteral("BoxOverlay"));
    QVERIFY(overlay);
    QVERIFY(overlay->frames().isEmpty());
    QTest::keyClick(dialog.OKButton, Qt::Key_F);
    QVERIFY(overlay->isVisible());
    QCOMPARE(overlay->geometry(), dialog.Image1->geometry());
    const auto inBox = [&](const QList<QRectF> &expected) {
        return sameFrames(overlay->frames(),
                          framesOver(expected, QRectF(QPointF(), dialog.Image1->size())));
    };
    QVERIFY(inBox(areas));

    QTest::keyClick(dialog.OKButton, Qt::Key_Right);
    QTRY_COMPARE(dialog.shownPath(), dialog.Tag());
    QVERIFY(inBox(fourth));
    // The fifth records none: no frame.
    QTest::keyClick(dialog.OKButton, Qt::Key_Right);
    QTRY_COMPARE(dialog.shownPath(), dialog.Tag());
    QVERIFY(overlay->frames().isEmpty());
    QTest::keyClick(dialog.OKButton, Qt::Key_Home);
    QTest::keyClick(dialog.OKButton, Qt::Key_Right);
    QTest::keyClick(dialog.OKButton, Qt::Key_Right);
    QCOMPARE(culling.shownName(), QStringLiteral("DSC_0003.JPG"));
    QTRY_COMPARE(dialog.shownPath(), dialog.Tag());
    QVERIFY(inBox(areas));

    QTest::keyClick(dialog.OKButton, Qt::Key_F11);
    QTRY_VERIFY(dialog.Image1->width() > 533);
    QTRY_VERIFY(!dialog.showsStandIn());
    QCOMPARE(overlay->geometry(), dialog.Image1->geometry());
    QVERIFY(inBox(areas));

    QTest::keyClick(dialog.OKButton, Qt::Key_Z);
    QVERIFY(dialog.showsActualPixels());
    auto *view = dialog.findChild<viewer::ActualPixels *>();
    auto *closeOverlay =
        dialog.findChild<viewer::FocusOverlay *>(QStringLiteral("ActualPixelsOverlay"));
    QVERIFY(closeOverlay && closeOverlay->isVisible());
    QCOMPARE(closeOverlay->geometry(), view->rect());
    QVERIFY(sameFrames(closeOverlay->frames(), framesOver(areas, view->shownRect())));
    // F again: gone everywhere.
    QTest::keyClick(dialog.OKButton, Qt::Key_F);
    QVERIFY(closeOverlay->frames().isEmpty());
    QTest::keyClick(dialog.OKButton, Qt::Key_Z);
    QVERIFY(overlay->frames().isEmpty());
    dialog.hide();
}

// No frame, and why, said once for the picture in an opening.
void tst_dlgShowPicture::focusPointThatMakesNoSense()
{
    FocusDecoder decoder;
    const QString problem = QStringLiteral("the AF point lies outside the frame");
    decoder.set(QStringLiteral("DSC_0003.JPG"), {{{}, problem}, {}, false});
    CullingFolder culling(m_folder.path(), m_dataHome, decoder.function());
    viewer::dlgShowPicture &dialog = culling.dialog;
    const QString said = QStringLiteral("no focus frame for DSC_0003.JPG: ") + problem;
    culling.open(2);
    // Nothing said while the frame is off.
    QVERIFY(!dialog.lblStatus->Caption().contains(said));
    QTest::keyClick(dialog.OKButton, Qt::Key_F);
    QCOMPARE(dialog.lblStatus->Caption(), QStringLiteral("3 / 5  DSC_0003.JPG    ") + said);
    auto *overlay = dialog.findChild<viewer::FocusOverlay *>(QStringLiteral("BoxOverlay"));
    QVERIFY(overlay->frames().isEmpty());
    QTest::keyClick(dialog.OKButton, Qt::Key_Right);
    QTest::keyClick(dialog.OKButton, Qt::Key_Left);
    QTRY_COMPARE(dialog.shownPath(), dialog.Tag());
    QCOMPARE(dialog.lblStatus->Caption(), QStringLiteral("3 / 5  DSC_0003.JPG"));
    dialog.hide();
    // A new opening says it again, with the picture as it lands.
    culling.open(1);
    QTest::keyClick(dialog.OKButton, Qt::Key_Right);
    QTRY_COMPARE(dialog.shownPath(), dialog.Tag());
    QCOMPARE(dialog.lblStatus->Caption(), QStringLiteral("3 / 5  DSC_0003.JPG    ") + said);
    QVERIFY(overlay->frames().isEmpty());
    dialog.hide();
}

void tst_dlgShowPicture::oneToOneAtTheFocusPoint_data()
{
    QTest::addColumn<QList<QRectF>>("areas");
    QTest::addColumn<std::optional<QPointF>>("sharpest");
    QTest::addColumn<bool>("peaking");
    QTest::addColumn<QPointF>("centred"); // fractions of the picture
    QTest::addColumn<QString>("status");

    const std::optional<QPointF> none;
    const QString atFocus = QStringLiteral("one to one at the focus point");
    const QString atCentre = QStringLiteral("one to one at the centre: no focus point recorded");
    const QString atSharpest =
        QStringLiteral("one to one at the sharpest area: no focus point recorded");
    QTest::newRow("a focus point")
        << QList<QRectF>{QRectF(0.3, 0.6, 0, 0)} << none << false << QPointF(0.3, 0.6) << atFocus;
    QTest::newRow("a focus area: its middle") << QList<QRectF>{QRectF(0.6, 0.2, 0.2, 0.2)} << none
                                              << false << QPointF(0.7, 0.3) << atFocus;
    QTest::newRow("two areas: the middle of both")
        << QList<QRectF>{QRectF(0.2, 0.2, 0.1, 0.1), QRectF(0.5, 0.5, 0.1, 0.1)} << none << false
        << QPointF(0.4, 0.4) << atFocus;
    QTest::newRow("none recorded")
        << QList<QRectF>() << none << false << QPointF(0.5, 0.5) << atCentre;
    // The measure names the middle of the sharpest of its eighths.
    QTest::newRow("none recorded, peaking on: the sharpest area")
        << QList<QRectF>() << std::optional<QPointF>(QPointF(0.6875, 0.4375)) << true
        << QPointF(0.6875, 0.4375) << atSharpest;
    QTest::newRow("none recorded, peaking off: the centre")
        << QList<QRectF>() << std::optional<QPointF>(QPointF(0.7, 0.4)) << false
        << QPointF(0.5, 0.5) << atCentre;
    QTest::newRow("the focus point before the sharpest area")
        << QList<QRectF>{QRectF(0.3, 0.6, 0, 0)} << std::optional<QPointF>(QPointF(0.7, 0.4))
        << true << QPointF(0.3, 0.6) << atFocus;
    // By the picture's edge the picture still covers the view.
    QTest::newRow("by the corner: kept in view")
        << QList<QRectF>{QRectF(0.01, 0.98, 0, 0)} << none << false << QPointF(-1, -1) << atFocus;
}

void tst_dlgShowPicture::oneToOneAtTheFocusPoint()
{
    QFETCH(QList<QRectF>, areas);
    QFETCH(std::optional<QPointF>, sharpest);
    QFETCH(bool, peaking);
    QFETCH(QPointF, centred);
    QFETCH(QString, status);

    FocusDecoder decoder;
    decoder.set(QStringLiteral("DSC_4600.jpg"), {{areas, {}}, sharpest, false});
    const QString path = makePicture(QStringLiteral("DSC_4600.jpg"), QSize(2400, 1600));
    viewer::dlgShowPicture dialog(
        m_messages, m_recycler.function(), [] {}, decoder.function());
    dialog.setTag(path);
    dialog.show();
    auto *overlay = dialog.findChild<viewer::FocusOverlay *>(QStringLiteral("BoxOverlay"));
    if (peaking) {
        QTest::keyClick(dialog.OKButton, Qt::Key_P);
        QTRY_VERIFY(!dialog.showsStandIn());
        QVERIFY(overlay->hasMask());
    }
    // Wherever the pointer is: Z goes by the picture, not by the mouse.
    QCursor::setPos(dialog.Image1->mapToGlobal(QPoint(5, 5)));
    QTest::keyClick(dialog.OKButton, Qt::Key_Z);
    QVERIFY(dialog.showsActualPixels());
    QCOMPARE(dialog.lblStatus->Caption(), status);
    auto *view = dialog.findChild<viewer::ActualPixels *>();
    const QRectF shown = view->shownRect();
    QVERIFY(shown.width() > view->width() && shown.height() > view->height());
    if (centred.x() < 0) {
        QCOMPARE(shown.left(), 0.);
        QCOMPARE(shown.bottom(), qreal(view->height()));
    } else {
        const QPointF at =
            shown.topLeft() + QPointF(centred.x() * shown.width(), centred.y() * shown.height());
        const QPointF middle = QRectF(view->rect()).center();
        QVERIFY2(qAbs(at.x() - middle.x()) <= 1 && qAbs(at.y() - middle.y()) <= 1,
                 qPrintable(QStringLiteral("%1,%2").arg(at.x()).arg(at.y())));
    }
    QTest::keyClick(dialog.OKButton, Qt::Key_Z);
    QVERIFY(!dialog.showsActualPixels());
    dialog.hide();
}

// P: the pictures come again with their masks, drawn over them, and the mask
// of each picture follows the keys and full screen.
void tst_dlgShowPicture::peaking()
{
    FocusDecoder decoder;
    decoder.set(QStringLiteral("DSC_0004.JPG"), {{}, {}, true});
    CullingFolder culling(m_folder.path(), m_dataHome, decoder.function());
    viewer::dlgShowPicture &dialog = culling.dialog;
    culling.open(2);
    auto *overlay = dialog.findChild<viewer::FocusOverlay *>(QStringLiteral("BoxOverlay"));
    QVERIFY(!overlay->hasMask());
    const auto maskOnTheLeft = [&]() -> std::optional<bool> {
        // The measure marks the edges of the detail, not every pixel of it.
        const QImage shown = dialog.grab(dialog.Image1->geometry()).toImage();
        const auto marked = [&shown](int from, int to) {
            int count = 0;
            for (int y = 0; y < shown.height(); y += 2) {
                for (int x = from; x < to; x += 2)
                    count += isMagenta(shown.pixel(x, y));
            }
            return count > (to - from) * shown.height() / 40;
        };
        const int half = shown.width() / 2;
        const bool left = marked(0, half);
        const bool right = marked(half, shown.width());
        if (left == right)
            return std::nullopt;
        return left;
    };
    QCOMPARE(maskOnTheLeft(), std::optional<bool>());
    const int decodes = decoder.decodes(QStringLiteral("DSC_0003.JPG"));
    QTest::keyClick(dialog.OKButton, Qt::Key_P);
    // The cache decodes the picture anew, as peaking asks.
    QTRY_VERIFY(decoder.decodes(QStringLiteral("DSC_0003.JPG")) > decodes);
    QTRY_VERIFY(!dialog.showsStandIn());
    QVERIFY(overlay->hasMask());
    QCOMPARE(maskOnTheLeft(), std::optional<bool>(true));

    QTest::keyClick(dialog.OKButton, Qt::Key_Right);
    QTRY_COMPARE(dialog.shownPath(), dialog.Tag());
    QTRY_COMPARE(maskOnTheLeft(), std::optional<bool>(false));
    QTest::keyClick(dialog.OKButton, Qt::Key_F11);
    QTRY_VERIFY(dialog.Image1->width() > 533);
    QTRY_VERIFY(!dialog.showsStandIn());
    QCOMPARE(overlay->geometry(), dialog.Image1->geometry());
    QTRY_COMPARE(maskOnTheLeft(), std::optional<bool>(false));
    QTest::keyClick(dialog.OKButton, Qt::Key_Left);
    QTRY_COMPARE(dialog.shownPath(), dialog.Tag());
    QTRY_COMPARE(maskOnTheLeft(), std::optional<bool>(true));
    // One to one: the box's mask at first, then the whole decode's own.
    QTest::keyClick(dialog.OKButton, Qt::Key_Z);
    auto *wholeOverlay =
        dialog.findChild<viewer::ActualPixels *>()->findChild<viewer::FocusOverlay *>();
    QTRY_COMPARE(wholeOverlay->maskSize(), dialog.Image1->Picture().size());
    QTest::keyClick(dialog.OKButton, Qt::Key_Z);

    QTest::keyClick(dialog.OKButton, Qt::Key_P);
    QVERIFY(!overlay->hasMask());
    QTRY_VERIFY(!dialog.showsStandIn());
    QCOMPARE(maskOnTheLeft(), std::optional<bool>());
    dialog.hide();
}

// F and P hold for the next run, as the settings keep them: each run below
// starts with what the one before left, and presses its keys.
void tst_dlgShowPicture::focusChoicesKeptForTheNextRun()
{
    QTemporaryDir config;
    QVERIFY(config.isValid());
    FocusDecoder decoder;
    decoder.set(QStringLiteral("DSC_4700.jpg"), {{{QRectF(0.4, 0.4, 0.2, 0.2)}, {}}, {}, false});
    const QString path = makePicture(QStringLiteral("DSC_4700.jpg"), QSize(300, 200));
    const struct
    {
        bool frame, mask;
        QList<Qt::Key> keys;
    } runs[] = {
        {false, false, {Qt::Key_F, Qt::Key_P}}, {true, true, {Qt::Key_P}}, {true, false, {}}};
    for (const auto &run : runs) {
        QSettings settings(config.filePath(QStringLiteral("Quorvel.conf")), QSettings::IniFormat);
        viewer::dlgShowPicture dialog(
            m_messages, m_recycler.function(), [] {}, decoder.function(), nullptr, &settings);
        dialog.setTag(path);
        dialog.show();
        auto *overlay = dialog.findChild<viewer::FocusOverlay *>(QStringLiteral("BoxOverlay"));
        QCOMPARE(overlay->frames().size(), run.frame ? 1 : 0);
        QCOMPARE(overlay->hasMask(), run.mask);
        for (Qt::Key key : run.keys)
            QTest::keyClick(dialog.OKButton, key);
        dialog.hide();
    }
}

QTEST_MAIN(tst_dlgShowPicture)
#include "tst_dlgShowPicture.moc"
