#include "culling/CullingSession.h"
#include "files/NameList.h"
#include "support/core/CameraFiles.h"
#include "support/gui/Photograph.h"
#include "viewer/PictureStage.h"

#include <future>
#include <map>
#include <QFile>
#include <QGuiApplication>
#include <QMetaEnum>
#include <QMutex>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using viewer::PictureStage;
using State = PictureStage::State;

namespace {

// Decodes nothing: hands out a small image for any picture, an error for
// one whose name starts with "bad", and holds back the pictures it is told
// to until they are let go, as a slow card would.
class GatedDecoder
{
public:
    void hold(const QString &path)
    {
        const QMutexLocker lock(&m_mutex);
        Gate &gate = m_gates[path];
        gate.opened = gate.open.get_future().share();
    }
    void release(const QString &path)
    {
        const QMutexLocker lock(&m_mutex);
        m_gates[path].open.set_value();
    }

    pictures::PictureCache::Decoder function()
    {
        return [this](const QString &path, const pictures::PictureCache::Sizing &,
                      const std::atomic<bool> &cancelled) {
            std::shared_future<void> gate;
            {
                const QMutexLocker lock(&m_mutex);
                if (const auto found = m_gates.find(path); found != m_gates.end())
                    gate = found->second.opened;
            }
            while (gate.valid() &&
                   gate.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
                if (cancelled)
                    return pictures::PictureCache::Decoded();
            }
            pictures::PictureCache::Decoded decoded;
            if (path.section('/', -1).startsWith(QLatin1String("bad")))
                decoded.errorNumber = 481;
            else
                decoded.image = QImage(4, 3, QImage::Format_RGB32);
            return decoded;
        };
    }

private:
    struct Gate
    {
        std::promise<void> open;
        std::shared_future<void> opened;
    };
    QMutex m_mutex;
    std::map<QString, Gate> m_gates;
};

} // namespace

class tst_PictureStage : public QObject
{
    Q_OBJECT

private slots:
    void transitions_data();
    void transitions();
};

// Each step is "verb:argument=State@shown": the stage's state after it and
// the name the session has on screen ("-" for none).
void tst_PictureStage::transitions_data()
{
    QTest::addColumn<QStringList>("steps");

    QTest::newRow("an opening waits for its paint before decoding ahead")
        << QStringList{"prepare:A=Opening@-", "open:A=Shown@A", "opened:visible=Unpainted@A",
                       "paint:due=Shown@A", "paint:none=Shown@A"};
    QTest::newRow("an opening not on screen decodes ahead at once") << QStringList{
        "prepare:A=Opening@-", "open:A=Shown@A", "opened:hidden=Shown@A", "paint:none=Shown@A"};
    QTest::newRow("a picture that can't be loaded: its line stands for it")
        << QStringList{"open:bad=Failed@bad", "opened:visible=Failed@bad", "paint:none=Failed@bad"};
    QTest::newRow("a key ahead of the decode: the picture before stays until it lands")
        << QStringList{"open:A=Shown@A",    "opened:hidden=Shown@A", "hold:C",
                       "move:C=Awaiting@A", "release:C=Shown@C",     "landed:1"};
    QTest::newRow("from the failure line: it goes, and nothing is shown meanwhile")
        << QStringList{"open:bad=Failed@bad", "hold:B", "move:B=Awaiting@-", "release:B=Shown@B"};
    QTest::newRow("a picture decoded ahead is shown at once")
        << QStringList{"open:A=Shown@A", "opened:hidden=Shown@A", "decoded:B", "move:B=Shown@B"};
    QTest::newRow("a picture passed by lands unseen") << QStringList{"open:A=Shown@A",
                                                                     "hold:B",
                                                                     "hold:C",
                                                                     "move:B=Awaiting@A",
                                                                     "move:C=Awaiting@A",
                                                                     "release:B",
                                                                     "release:C=Shown@C",
                                                                     "landed:1"};
    QTest::newRow("a new box: the picture stands in for itself")
        << QStringList{"open:A=Shown@A",          "box=Shown@A",  "restage:up=StandingIn@A",
                       "paint:none=StandingIn@A", "wait=Shown@A", "landed:1"};
    QTest::newRow("a new box with nothing shown or awaited: nothing to do")
        << QStringList{"open:bad=Failed@bad", "restage:none=Failed@bad"};
    QTest::newRow("a new box while awaiting: still awaiting")
        << QStringList{"open:A=Shown@A", "hold:C", "move:C=Awaiting@A", "restage:up=Awaiting@A",
                       "release:C=Shown@C"};
    QTest::newRow("a key before the opening's paint") << QStringList{
        "prepare:A=Opening@-", "open:A=Shown@A",       "opened:visible=Unpainted@A", "hold:B",
        "move:B=Awaiting@A",   "paint:none=Awaiting@A"};
    QTest::newRow("a thumbnail stands in until its picture lands")
        << QStringList{"open:A=Shown@A",    "hold:T",  "move:T=Awaiting@A", "wait=StandingIn@T",
                       "release:T=Shown@T", "landed:1"};
    QTest::newRow("a new box while a thumbnail stands in: it is placed again")
        << QStringList{"open:A=Shown@A",    "hold:T",           "move:T=Awaiting@A",
                       "wait=StandingIn@T", "box=StandingIn@T", "restage:none=StandingIn@T",
                       "standIns:2"};
    QTest::newRow("closed: nothing kept, the screen left as it is")
        << QStringList{"open:A=Shown@A", "close=Idle@A"};
    QTest::newRow("the last picture gone: nothing shown, nothing reached")
        << QStringList{"open:A=Shown@A", "leave=Idle@-"};
    // After a rejection: the next picture first, the decodes ahead then.
    QTest::newRow("decodes ahead asked for once the event loop turns")
        << QStringList{"open:A=Shown@A", "ahead:soon=Shown@A", "decoded:B", "decoded:C"};
    QTest::newRow("peaking: the picture stands in for itself until it lands again")
        << QStringList{"open:A=Shown@A",
                       "opened:hidden=Shown@A",
                       "peaking:on=StandingIn@A",
                       "wait=Shown@A",
                       "landed:1",
                       "peaking:off=StandingIn@A",
                       "wait=Shown@A",
                       "landed:2"};
    QTest::newRow("peaking over the failure line: nothing to decode again")
        << QStringList{"open:bad=Failed@bad", "peaking:on=Failed@bad", "landed:0"};
    QTest::newRow("peaking while awaiting: still awaiting")
        << QStringList{"open:A=Shown@A",    "hold:C",  "move:C=Awaiting@A", "peaking:on=Awaiting@A",
                       "release:C=Shown@C", "landed:1"};
    QTest::newRow("an opening on another picture than prepared reads it again")
        << QStringList{"prepare:A=Opening@-", "open:B=Shown@B", "opened:hidden=Shown@B"};
}

void tst_PictureStage::transitions()
{
    QFETCH(QStringList, steps);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const auto path = [&](const QString &name) { return folder.filePath(name + ".jpg"); };
    culling::CullingSession session([](auto &&...) { return 0; }, [](auto &&) { return 0; });
    session.start(folder.path(),
                  std::make_shared<const files::NameList>(
                      files::NameList::encoded({"A.jpg", "B.jpg", "C.jpg", "bad.jpg", "T.jpg"})),
                  0);
    // T alone has a file, with the thumbnail a camera embeds: the others
    // have none to stand in.
    QFile withThumbnail(path(QStringLiteral("T")));
    QVERIFY(withThumbnail.open(QIODevice::WriteOnly));
    withThumbnail.write(test::withExifThumbnail(test::jpegOf(test::photograph(QSize(64, 48))),
                                                test::jpegOf(test::photograph(QSize(32, 24))), 1));
    withThumbnail.close();
    GatedDecoder decoder;
    PictureStage stage(session, decoder.function(), nullptr);
    // The dialog's part: it displays what it is given and says how it went.
    const auto display = [&](const PictureStage::Decoded &decoded) {
        if (decoded.errorNumber > 0)
            stage.failed();
        else
            stage.shown(decoded);
    };
    connect(&stage, &PictureStage::landed, &stage, [&](const PictureStage::Decoded &decoded) {
        stage.clear();
        display(decoded);
    });
    QSignalSpy landed(&stage, &PictureStage::landed);
    QSignalSpy standIns(&stage, &PictureStage::standIn);

    for (const QString &step : std::as_const(steps)) {
        const QString action = step.section('=', 0, 0);
        const QString verb = action.section(':', 0, 0);
        const QString argument = action.section(':', 1);
        if (verb == u"prepare") {
            stage.prepareOpening(path(argument), ui::DisplayBox::classic(1),
                                 QGuiApplication::primaryScreen());
        } else if (verb == u"open") {
            const PictureStage::Decoded &decoded = stage.open(path(argument));
            stage.clear();
            display(decoded);
        } else if (verb == u"opened") {
            stage.opened(argument == u"visible");
        } else if (verb == u"paint") {
            QCOMPARE(stage.painted(), argument == u"due");
        } else if (verb == u"hold") {
            decoder.hold(path(argument));
        } else if (verb == u"move") {
            const int index = session.indexOf(argument + ".jpg");
            QVERIFY(session.moveTo(index));
            if (const PictureStage::Decoded *decoded = stage.moveTo(path(argument)))
                display(*decoded);
            stage.decodeAhead();
        } else if (verb == u"ahead") {
            stage.decodeAheadSoon();
            // Asked for again before the event loop turns: still once.
            stage.decodeAheadSoon();
            QVERIFY(!stage.hasDecoded(path(QStringLiteral("B"))));
        } else if (verb == u"release") {
            decoder.release(path(argument));
        } else if (verb == u"decoded") {
            QTRY_VERIFY(stage.hasDecoded(path(argument)));
        } else if (verb == u"landed") {
            QCOMPARE(landed.count(), argument.toInt());
        } else if (verb == u"standIns") {
            QCOMPARE(standIns.count(), argument.toInt());
        } else if (verb == u"restage") {
            QCOMPARE(stage.restage(argument == u"up", false), argument == u"up" || stage.awaits());
        } else if (verb == u"box") {
            stage.setBox(ui::DisplayBox::area(QRectF(240, 480, 16000, 9000), 1));
        } else if (verb == u"peaking") {
            stage.setPeaking(argument == u"on");
            // The cache is told: its decodes come with the mask, or without.
            QCOMPARE(stage.peaking(), argument == u"on");
        } else if (verb == u"wait") {
        } else if (verb == u"close") {
            stage.close();
        } else if (verb == u"leave") {
            stage.leave();
            QVERIFY(stage.reached().isEmpty());
        } else {
            QFAIL(qPrintable("unknown step " + step));
        }
        const QString expected = step.section('=', 1);
        if (expected.isEmpty())
            continue;
        const QString state = expected.section('@', 0, 0);
        const QString shown = expected.section('@', 1);
        // A decode let go lands a moment later.
        QTRY_COMPARE(
            QString::fromLatin1(QMetaEnum::fromType<State>().valueToKey(int(stage.state()))),
            state);
        QCOMPARE(session.onScreen(), shown == u"-" ? QString() : path(shown));
    }
}

QTEST_MAIN(tst_PictureStage)
#include "tst_PictureStage.moc"
