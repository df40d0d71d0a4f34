// The screens' colour profiles as an X11 desktop publishes them, read from a
// private X server's root window. The profile's bytes are not judged here:
// whatever the desktop set comes back byte for byte, or nothing does.

#include "platform/linux/X11ScreenProfiles.h"
#include "support/widgets/XvfbSession.h"

#include <memory>
#include <QRandomGenerator>
#include <QTest>
#include <xcb/xcb.h>

using quorvel::platform::X11ScreenProfiles;
using quorvel::test::XvfbSession;

namespace {

// Bytes of every value, zeros and high bits included, in no pattern that a
// reading of the wrong part or in the wrong order could reproduce.
QByteArray profileBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

} // namespace

class tst_X11ScreenProfiles : public QObject
{
    Q_OBJECT

    std::unique_ptr<XvfbSession> x;
    xcb_connection_t *connection = nullptr;

private slots:
    void initTestCase()
    {
        x = std::make_unique<XvfbSession>();
        QVERIFY2(!x->display().isEmpty(), qPrintable(x->failure()));
        connection = xcb_connect(x->display().toLocal8Bit().constData(), nullptr);
        QVERIFY(connection && !xcb_connection_has_error(connection));
    }

    void cleanupTestCase()
    {
        if (connection)
            xcb_disconnect(connection);
    }

    void init()
    {
        for (const char *name : {"_ICC_PROFILE", "_ICC_PROFILE_1", "_ICC_PROFILE_2"})
            QVERIFY(x->deleteRootProperty(name));
    }

    void profileOfAScreen_data()
    {
        const quint32 part = X11ScreenProfiles::partBytes;
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("screen");
        QTest::addColumn<bool>("read");

        QTest::newRow("nothing published") << QByteArray() << 8 << QByteArray() << 0 << false;
        QTest::newRow("first screen")
            << QByteArray("_ICC_PROFILE") << 8 << profileBytes(3144, 1) << 0 << true;
        QTest::newRow("second screen")
            << QByteArray("_ICC_PROFILE_1") << 8 << profileBytes(560, 2) << 1 << true;
        QTest::newRow("second screen's profile is not the first's")
            << QByteArray("_ICC_PROFILE_1") << 8 << profileBytes(560, 3) << 0 << false;
        QTest::newRow("first screen's profile is not the second's")
            << QByteArray("_ICC_PROFILE") << 8 << profileBytes(560, 4) << 1 << false;
        QTest::newRow("third screen")
            << QByteArray("_ICC_PROFILE_2") << 8 << profileBytes(1000, 5) << 2 << true;
        QTest::newRow("a table-based profile of 300 KB")
            << QByteArray("_ICC_PROFILE") << 8 << profileBytes(300 * 1024 + 3, 6) << 0 << true;
        QTest::newRow("a profile of 1.5 MB")
            << QByteArray("_ICC_PROFILE_1") << 8 << profileBytes(1536 * 1024 + 1, 7) << 1 << true;
        QTest::newRow("exactly one part")
            << QByteArray("_ICC_PROFILE") << 8 << profileBytes(part, 8) << 0 << true;
        QTest::newRow("one byte more than a part")
            << QByteArray("_ICC_PROFILE") << 8 << profileBytes(part + 1, 9) << 0 << true;
        QTest::newRow("empty property")
            << QByteArray("_ICC_PROFILE") << 8 << QByteArray() << 0 << true;
        QTest::newRow("32-bit units are no profile")
            << QByteArray("_ICC_PROFILE") << 32 << profileBytes(4096, 10) << 0 << false;
        QTest::newRow("no such screen")
            << QByteArray("_ICC_PROFILE") << 8 << profileBytes(560, 11) << -1 << false;
    }
    void profileOfAScreen()
    {
        QFETCH(QByteArray, property);
        QFETCH(int, format);
        QFETCH(QByteArray, bytes);
        QFETCH(int, screen);
        QFETCH(bool, read);

        if (!property.isEmpty())
            QVERIFY(x->setRootProperty(property, bytes, format));
        const X11ScreenProfiles profiles(connection);
        const QByteArray profile = profiles.profile(screen);
        if (read) {
            QCOMPARE(profile.size(), bytes.size());
            QVERIFY(profile == bytes);
        } else {
            QVERIFY(profile.isEmpty());
        }
    }

    // A profile replaced while the viewer runs is the one the next reading
    // gets: nothing of the old one is kept.
    void readsTheProfileAsItIsNow()
    {
        const X11ScreenProfiles profiles(connection);
        const QByteArray first = profileBytes(400 * 1024, 20);
        const QByteArray second = profileBytes(2000, 21);
        QVERIFY(x->setRootProperty("_ICC_PROFILE", first));
        QVERIFY(profiles.profile(0) == first);
        QVERIFY(x->setRootProperty("_ICC_PROFILE", second));
        QVERIFY(profiles.profile(0) == second);
        QVERIFY(x->deleteRootProperty("_ICC_PROFILE"));
        QVERIFY(profiles.profile(0).isEmpty());
    }

    // Not on X11 (Wayland, offscreen): no connection, no profiles.
    void withoutAConnectionNoScreenHasAProfile()
    {
        QVERIFY(x->setRootProperty("_ICC_PROFILE", profileBytes(560, 30)));
        const X11ScreenProfiles profiles(nullptr);
        QVERIFY(profiles.profile(0).isEmpty());
        QVERIFY(profiles.profile(1).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_X11ScreenProfiles)
#include "tst_X11ScreenProfiles.moc"
