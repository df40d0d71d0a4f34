// The real program on a private X server whose root window carries a screen
// profile, as a desktop's colour settings put it there: the viewer shows a
// flat colour as Little CMS itself turns it into the screen's colours.

#include "support/gui/ColourProfiles.h"
#include "support/gui/Photograph.h"
#include "support/widgets/XvfbSession.h"

#include <memory>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace quorvel;
using quorvel::test::XvfbSession;

namespace {

bool near(QRgb a, QRgb b, int by)
{
    return qAbs(qRed(a) - qRed(b)) <= by && qAbs(qGreen(a) - qGreen(b)) <= by &&
           qAbs(qBlue(a) - qBlue(b)) <= by;
}

QString hex(QRgb rgb)
{
    return QStringLiteral("#%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

} // namespace

class tst_ScreenColours : public QObject
{
    Q_OBJECT

    std::unique_ptr<XvfbSession> x;
    std::unique_ptr<QTemporaryDir> temp;
    std::unique_ptr<QProcess> program;

    // The colour in the middle of the viewer's picture box, as the screen
    // shows it.
    QRgb shownColour(qulonglong viewer)
    {
        const QString shot = temp->filePath(QStringLiteral("viewer.png"));
        if (!x->screenshot(shot, viewer))
            return 0;
        const QImage image(shot);
        // The box starts 16, 32 pixels into the dialog; the picture, wider
        // than high, fills its width and a little more than its upper half.
        return image.isNull() ? 0 : image.pixel(16 + 260, 32 + 150);
    }

private slots:
    void initTestCase()
    {
        x = std::make_unique<XvfbSession>();
        QVERIFY2(!x->display().isEmpty(), qPrintable(x->failure()));
    }

    void cleanup()
    {
        if (program && program->state() != QProcess::NotRunning) {
            program->kill();
            program->waitForFinished();
        }
        program.reset();
        temp.reset();
        for (const char *name : {"_ICC_PROFILE", "_ICC_PROFILE_1"})
            x->deleteRootProperty(name);
    }

    void viewerShowsInTheScreensColours_data()
    {
        QTest::addColumn<bool>("adobeRgbPicture");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QByteArray>("profile");
        // What the viewer is to take the screen for: none, sRGB.
        QTest::addColumn<QByteArray>("screen");

        const QByteArray wide = test::wideGamutProfile();
        QTest::newRow("no profile: untouched")
            << false << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("a wide-gamut screen") << false << QByteArray("_ICC_PROFILE") << wide << wide;
        QTest::newRow("Adobe RGB picture on a wide-gamut screen")
            << true << QByteArray("_ICC_PROFILE") << wide << wide;
        QTest::newRow("only the second screen's profile: untouched")
            << false << QByteArray("_ICC_PROFILE_1") << wide << QByteArray();
        QTest::newRow("a damaged profile: taken for sRGB")
            << false << QByteArray("_ICC_PROFILE") << wide.left(300) << QByteArray();
    }
    void viewerShowsInTheScreensColours()
    {
        QFETCH(bool, adobeRgbPicture);
        QFETCH(QByteArray, property);
        QFETCH(QByteArray, profile);
        QFETCH(QByteArray, screen);

        temp = std::make_unique<QTemporaryDir>();
        const QString photos = temp->filePath("photos");
        QVERIFY(QDir().mkpath(photos));
        QVERIFY(QDir().mkpath(temp->filePath("home/.local/share")));
        QVERIFY(QDir().mkpath(temp->filePath("runtime")));
        QFile::setPermissions(temp->filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QImage flat(300, 200, QImage::Format_RGB32);
        flat.fill(qRgb(200, 120, 60));
        const QByteArray plain = test::jpegOf(flat, 95);
        const QByteArray bytes =
            adobeRgbPicture ? test::withIccProfile(plain, test::adobeRgbProfile()) : plain;
        QFile file(photos + QStringLiteral("/IMG_0001.jpg"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();

        if (!property.isEmpty())
            QVERIFY(x->setRootProperty(property, profile));

        // The numbers as stored, and what Little CMS makes of them.
        const QRgb stored = QImage::fromData(plain).pixel(150, 100);
        const QByteArray pictureProfile =
            adobeRgbPicture ? test::adobeRgbProfile() : test::sRgbProfile();
        const QByteArray screenProfile = screen.isEmpty() ? test::sRgbProfile() : screen;
        const QRgb expected = adobeRgbPicture || !screen.isEmpty()
                                  ? test::transformedColour(stored, pictureProfile, screenProfile)
                                  : stored;

        program = std::make_unique<QProcess>();
        QProcessEnvironment env = x->environment();
        env.insert("HOME", temp->filePath("home"));
        env.insert("XDG_DATA_HOME", temp->filePath("home/.local/share"));
        env.insert("XDG_RUNTIME_DIR", temp->filePath("runtime"));
        env.insert("XDG_CONFIG_HOME", temp->filePath("home/.config"));
        program->setProcessEnvironment(env);
        program->setWorkingDirectory(photos);
        program->setProcessChannelMode(QProcess::ForwardedChannels);
        program->start(QStringLiteral(QUORVEL_BINARY), {});
        QVERIFY(program->waitForStarted());
        const qulonglong window = x->waitForWindow("^Quorvel$", program->processId());
        QVERIFY2(window, "the main window did not appear");
        const QRect frame = x->geometry(window);
        // One xdotool run: the click follows the move in the server's order.
        // (A move with --sync to where the pointer already is would wait for
        // a motion that never comes: the row before left it there.)
        x->xdotool({"mousemove", QString::number(frame.x() + 248 + 40),
                    QString::number(frame.y() + 56 + 20), "click", "1"});
        x->keys(window, {"Home", "Return"});
        const qulonglong viewer =
            x->waitForWindow("^Quorvel - Show picture$", program->processId());
        QVERIFY2(viewer, "Enter on the picture did not open the viewer");

        // Painted a moment after the window appears.
        QRgb shown = 0;
        QDeadlineTimer deadline(15000);
        do {
            shown = shownColour(viewer);
            if (near(shown, expected, 2))
                break;
            QThread::msleep(200);
        } while (!deadline.hasExpired());
        QVERIFY2(near(shown, expected, expected == stored ? 0 : 2),
                 qPrintable(QStringLiteral("shown %1, Little CMS says %2, stored %3")
                                .arg(hex(shown), hex(expected), hex(stored))));
        if (expected != stored)
            QVERIFY(!near(shown, stored, 2));
    }
};

QTEST_MAIN(tst_ScreenColours)
#include "tst_ScreenColours.moc"
