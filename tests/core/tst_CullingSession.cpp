#include "culling/CullingSession.h"
#include "files/NameList.h"

#include <cerrno>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace quorvel;
using culling::CullingSession;
using Outcome = CullingSession::Outcome;

Q_DECLARE_METATYPE(CullingSession::Outcome)

namespace {

const QString folder = QStringLiteral("/card/DCIM");

// A trash that records what it was given and answers as told; where the file
// went is its name under /trash, for the restore to be checked against.
struct FakeTrash
{
    int recycleResult = 0;
    int restoreResult = 0;
    QStringList recycled;
    QStringList restored;

    CullingSession session()
    {
        return CullingSession(
            [this](const trimming::RecycleTarget &file, platform::TrashedFile *where,
                   platform::TrashSession *) {
                const QString path = file.path();
                recycled << path;
                if (where && recycleResult == 0)
                    where->trashedPath = "/trash/" + QFile::encodeName(path.section('/', -1));
                return recycleResult;
            },
            [this](const platform::TrashedFile &file) {
                restored << QFile::decodeName(file.trashedPath);
                return restoreResult;
            });
    }
};

QStringList namesOf(const CullingSession &session)
{
    return session.names()->toStringList();
}

} // namespace

class tst_CullingSession : public QObject
{
    Q_OBJECT

private slots:
    void rejectTakesOnlyWhatIsShown_data();
    void rejectTakesOnlyWhatIsShown();
    void rejectConfirmed_data();
    void rejectConfirmed();
    void undoWalksBack_data();
    void undoWalksBack();
    void directionAndPace_data();
    void directionAndPace();
};

void tst_CullingSession::rejectTakesOnlyWhatIsShown_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("onScreen"); // a name in the folder, or a full path
    QTest::addColumn<int>("recycleResult");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QStringList>("namesAfter");
    QTest::addColumn<int>("indexAfter");

    const QStringList abc{"a.jpg", "b.jpg", "c.jpg"};
    QTest::newRow("the picture reached is on screen")
        << abc << 1 << "b.jpg" << 0 << Outcome::Rejected << QStringList{"a.jpg", "c.jpg"} << 1;
    QTest::newRow("its thumbnail or its failure line counts as shown too")
        << abc << 0 << "a.jpg" << 0 << Outcome::Rejected << QStringList{"b.jpg", "c.jpg"} << 0;
    QTest::newRow("the last: the one before follows")
        << abc << 2 << "c.jpg" << 0 << Outcome::Rejected << QStringList{"a.jpg", "b.jpg"} << 1;
    QTest::newRow("the only one: none left")
        << QStringList{"a.jpg"} << 0 << "a.jpg" << 0 << Outcome::Rejected << QStringList() << -1;
    QTest::newRow("a key ahead of the decode: the one before still shown")
        << abc << 2 << "b.jpg" << 0 << Outcome::NotShown << abc << 2;
    QTest::newRow("nothing on screen yet") << abc << 1 << "" << 0 << Outcome::NotShown << abc << 1;
    QTest::newRow("the same name in another folder")
        << abc << 1 << "/elsewhere/b.jpg" << 0 << Outcome::NotShown << abc << 1;
    QTest::newRow("on no entry") << abc << -1 << "a.jpg" << 0 << Outcome::NotShown << abc << -1;
    QTest::newRow("every picture gone")
        << QStringList() << -1 << "" << 0 << Outcome::NoMorePictures << QStringList() << -1;
    QTest::newRow("the trash refuses: the name stays")
        << abc << 1 << "b.jpg" << EACCES << Outcome::Failed << abc << 1;
}

void tst_CullingSession::rejectTakesOnlyWhatIsShown()
{
    QFETCH(QStringList, names);
    QFETCH(int, index);
    QFETCH(QString, onScreen);
    QFETCH(int, recycleResult);
    QFETCH(Outcome, outcome);
    QFETCH(QStringList, namesAfter);
    QFETCH(int, indexAfter);

    FakeTrash trash;
    trash.recycleResult = recycleResult;
    CullingSession session = trash.session();
    const auto listed = std::make_shared<const files::NameList>(files::NameList::encoded(names));
    session.start(folder, listed, index);
    const QString shown =
        onScreen.isEmpty() || onScreen.startsWith('/') ? onScreen : folder + '/' + onScreen;
    session.setOnScreen(shown);
    QSignalSpy removed(&session, &CullingSession::removed);

    const CullingSession::Rejection rejection = session.reject();
    QCOMPARE(rejection.outcome, outcome);
    QCOMPARE(namesOf(session), namesAfter);
    QCOMPARE(session.index(), indexAfter);
    // The list it was given is shared with whoever showed it: never changed.
    QCOMPARE(listed->toStringList(), names);
    const bool tried = outcome == Outcome::Rejected || outcome == Outcome::Failed;
    QCOMPARE(trash.recycled, tried ? QStringList{shown} : QStringList());
    if (outcome == Outcome::Failed)
        QCOMPARE(rejection.error, recycleResult);
    if (outcome != Outcome::Rejected) {
        QCOMPARE(removed.count(), 0);
        QCOMPARE(session.onScreen(), shown);
        QCOMPARE(session.rejections(), 0);
        return;
    }
    QCOMPARE(rejection.name, names.at(index));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).toInt(), index);
    QCOMPARE(removed.at(0).at(1).toString(), names.at(index));
    // Gone from the screen with its file: a second Delete takes nothing.
    QVERIFY(session.onScreen().isEmpty());
    QCOMPARE(session.reject().outcome,
             namesAfter.isEmpty() ? Outcome::NoMorePictures : Outcome::NotShown);
    QCOMPARE(trash.recycled.size(), 1);
}

void tst_CullingSession::rejectConfirmed_data()
{
    QTest::addColumn<bool>("withList");
    QTest::addColumn<QString>("asked"); // the file the question named
    QTest::addColumn<QString>("onScreen");
    QTest::addColumn<int>("recycleResult");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QString>("onScreenAfter");

    const QString a = folder + "/a.jpg";
    const QString b = folder + "/b.jpg";
    QTest::newRow("the picture asked about, still shown")
        << true << a << a << 0 << Outcome::Rejected << "";
    QTest::newRow("opened without a list") << false << a << a << 0 << Outcome::Rejected << "";
    QTest::newRow("another picture landed during the question: the one asked about goes")
        << true << a << b << 0 << Outcome::Rejected << b;
    QTest::newRow("nothing was shown to ask about") << true << ""
                                                    << "" << 0 << Outcome::NotShown << "";
    QTest::newRow("the trash refuses: still shown")
        << true << a << a << EACCES << Outcome::Failed << a;
}

// The Delete button's way: the question named the file, and only the answer
// decides; the names are read again by whoever asked.
void tst_CullingSession::rejectConfirmed()
{
    QFETCH(bool, withList);
    QFETCH(QString, asked);
    QFETCH(QString, onScreen);
    QFETCH(int, recycleResult);
    QFETCH(Outcome, outcome);
    QFETCH(QString, onScreenAfter);

    FakeTrash trash;
    trash.recycleResult = recycleResult;
    CullingSession session = trash.session();
    const QStringList names{"a.jpg", "b.jpg"};
    if (withList)
        session.start(folder,
                      std::make_shared<const files::NameList>(files::NameList::encoded(names)), 0);
    else
        session.startWithoutList();
    session.setOnScreen(onScreen);
    QSignalSpy removed(&session, &CullingSession::removed);

    const CullingSession::Rejection rejection = session.rejectConfirmed(asked);
    QCOMPARE(rejection.outcome, outcome);
    QCOMPARE(trash.recycled, asked.isEmpty() ? QStringList() : QStringList{asked});
    QCOMPARE(rejection.error, recycleResult);
    QCOMPARE(rejection.name, asked.section('/', -1));
    QCOMPARE(session.onScreen(), onScreenAfter);
    QCOMPARE(removed.count(), 0);
    QCOMPARE(namesOf(session), withList ? names : QStringList());
    // Not one of the rejections Ctrl+Z walks back through: the viewer closes.
    QVERIFY(!session.undo());
}

void tst_CullingSession::undoWalksBack_data()
{
    QTest::addColumn<int>("restoreResult");
    QTest::newRow("put back") << 0;
    QTest::newRow("another file has the name") << EEXIST;
    QTest::newRow("another file in its place in the trash") << ESTALE;
}

void tst_CullingSession::undoWalksBack()
{
    QFETCH(int, restoreResult);

    FakeTrash trash;
    trash.restoreResult = restoreResult;
    CullingSession session = trash.session();
    session.start(folder,
                  std::make_shared<const files::NameList>(
                      files::NameList::encoded({"a.jpg", "b.jpg", "c.jpg"})),
                  0);
    QVERIFY(!session.undo());
    for (int i = 0; i < 2; ++i) {
        session.setOnScreen(session.path(session.index()));
        QCOMPARE(session.reject().outcome, Outcome::Rejected);
    }
    QCOMPARE(namesOf(session), QStringList{"c.jpg"});

    // Last rejected, first back; each taken off the walk however it ends.
    for (const QString name : {"b.jpg", "a.jpg"}) {
        const std::optional<CullingSession::PutBack> back = session.undo();
        QVERIFY(back);
        QCOMPARE(back->name, name);
        QCOMPARE(back->error, restoreResult);
        QCOMPARE(trash.restored.last(), QStringLiteral("/trash/") + name);
    }
    QVERIFY(!session.undo());
    QCOMPARE(trash.restored.size(), 2);

    // A new opening forgets the rejections of the one before.
    session.setOnScreen(session.path(0));
    QCOMPARE(session.reject().outcome, Outcome::Rejected);
    session.start(folder, std::make_shared<const files::NameList>(), -1);
    QVERIFY(!session.undo());
}

void tst_CullingSession::directionAndPace_data()
{
    QTest::addColumn<QList<int>>("moves");        // entries moved to, in turn
    QTest::addColumn<QList<qint64>>("intervals"); // milliseconds before each
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("direction");
    QTest::addColumn<double>("moveMilliseconds");

    // From the sixth of ten entries.
    QTest::newRow("one key: a look") << QList<int>{6} << QList<qint64>{1000} << 6 << 1 << 0.0;
    QTest::newRow("a key held") << QList<int>{6, 7, 8} << QList<qint64>{1000, 40, 40} << 8 << 1
                                << 40.0;
    QTest::newRow("faster: smoothed")
        << QList<int>{6, 7, 8} << QList<qint64>{1000, 100, 50} << 8 << 1 << 80.0;
    QTest::newRow("a pause is a look")
        << QList<int>{6, 7, 8} << QList<qint64>{1000, 40, 1500} << 8 << 1 << 0.0;
    QTest::newRow("going back") << QList<int>{4, 3, 2} << QList<qint64>{1000, 40, 40} << 2 << -1
                                << 40.0;
    QTest::newRow("past the end: nothing moves")
        << QList<int>{9, 10} << QList<qint64>{1000, 40} << 9 << 1 << 0.0;
    QTest::newRow("before the first: nothing moves")
        << QList<int>{0, -1} << QList<qint64>{1000, 40} << 0 << -1 << 0.0;
}

void tst_CullingSession::directionAndPace()
{
    QFETCH(QList<int>, moves);
    QFETCH(QList<qint64>, intervals);
    QFETCH(int, index);
    QFETCH(int, direction);
    QFETCH(double, moveMilliseconds);

    FakeTrash trash;
    CullingSession session = trash.session();
    QStringList names;
    for (int i = 0; i < 10; ++i)
        names << QStringLiteral("DSC_%1.JPG").arg(i);
    session.start(folder, std::make_shared<const files::NameList>(files::NameList::encoded(names)),
                  5);
    for (int i = 0; i < moves.size(); ++i) {
        const bool inside = moves[i] >= 0 && moves[i] < 10;
        QCOMPARE(session.moveTo(moves[i], intervals[i]), inside);
    }
    QCOMPARE(session.index(), index);
    QCOMPARE(session.direction(), direction);
    QCOMPARE(session.moveMilliseconds(), moveMilliseconds);
    QCOMPARE(session.path(index), folder + '/' + names.at(index));
}

QTEST_GUILESS_MAIN(tst_CullingSession)
#include "tst_CullingSession.moc"
