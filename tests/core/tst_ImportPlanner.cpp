#include "import/ImportPlanner.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using import::ImportPlan;
using import::ImportPlanner;

// Each plan is held on purpose until the test lets it go or gives it up, so
// that a newer request, a clear or a stop comes while it runs.
class tst_ImportPlanner : public QObject
{
    Q_OBJECT

    QTemporaryDir m_temp;
    QSemaphore m_started;
    QSemaphore m_release;
    QMutex m_mutex;
    QList<bool> m_cancelledSeen; // by each plan as it left its hold

    QByteArray path(const QString &name) const { return QFile::encodeName(m_temp.filePath(name)); }

    ImportPlanner::PlanFunction held()
    {
        return [this](const ImportPlanner::Source &source, const std::atomic<bool> &cancelled) {
            m_started.release();
            QDeadlineTimer deadline(20000);
            while (!m_release.tryAcquire(1, 5) && !cancelled && !deadline.hasExpired()) {
            }
            {
                const QMutexLocker lock(&m_mutex);
                m_cancelledSeen << bool(cancelled);
            }
            return ImportPlanner::plan(source, {}, cancelled);
        };
    }

private slots:
    void initTestCase()
    {
        for (const char *name : {"a/DCIM/100/A.NEF", "b/DCIM/100/B.NEF", "b/DCIM/100/C.NEF"}) {
            QVERIFY(QDir().mkpath(QFileInfo(m_temp.filePath(name)).path()));
            QFile file(m_temp.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("raw") == 3);
        }
    }
    void init()
    {
        m_started.acquire(m_started.available());
        m_release.acquire(m_release.available());
        m_cancelledSeen.clear();
    }

    // The cards asked for one after another while the first plan is held;
    // how many files the plan that lands holds (-1: none lands), and what
    // each plan saw of its cancel.
    void onlyTheLatestLands_data()
    {
        QTest::addColumn<QStringList>("cards");
        QTest::addColumn<int>("files");
        QTest::addColumn<QList<bool>>("cancels");
        QTest::addColumn<QString>("failure");
        QTest::newRow("one") << QStringList{"a"} << 1 << QList<bool>{false} << "";
        QTest::newRow("a newer one gives the first up")
            << QStringList{"a", "b"} << 2 << QList<bool>{true, false} << "";
        QTest::newRow("the same twice plans once")
            << QStringList{"a", "a"} << 1 << QList<bool>{false} << "";
        QTest::newRow("a card that can't be read")
            << QStringList{"gone"} << -1 << QList<bool>{false} << "gone can't be read";
        QTest::newRow("cleared: nothing lands")
            << QStringList{"a", ""} << -1 << QList<bool>{true} << "";
    }
    void onlyTheLatestLands()
    {
        QFETCH(QStringList, cards);
        QFETCH(int, files);
        QFETCH(QList<bool>, cancels);
        QFETCH(QString, failure);

        ImportPlanner planner({}, held());
        QSignalSpy planned(&planner, &ImportPlanner::planned);
        for (const QString &card : cards) {
            if (card.isEmpty())
                planner.clear();
            else
                planner.request({{path(card)}, {path("copy")}});
        }
        QCOMPARE(planner.isPlanning(), !cards.endsWith(""));
        QVERIFY(!planner.current());
        m_release.release(cards.size());
        if (cards.endsWith("")) {
            planner.stop();
            QCoreApplication::processEvents();
            QVERIFY(planned.isEmpty());
        } else {
            QVERIFY(planned.wait(20000));
        }
        QTest::qWait(0); // any given-up plan's landing is dropped by now
        QCOMPARE(planned.count(), cards.endsWith("") ? 0 : 1);
        QCOMPARE(m_cancelledSeen, cancels);
        QCOMPARE(planner.current() ? int(planner.current()->fileCount()) : -1, files);
        QVERIFY(planner.failure().contains(failure));
        QCOMPARE(planner.failure().isEmpty(), failure.isEmpty());
        if (files >= 0) {
            QCOMPARE(planner.planOf({{path(cards.last())}, {path("copy")}}), planner.current());
            QVERIFY(!planner.planOf({{path(cards.last())}, {path("other")}}));
        }
    }

    // Stopping gives up the plan under way and returns once its thread has.
    void stopWaitsForThePlan()
    {
        ImportPlanner planner({}, held());
        planner.request({{path("a")}, {path("copy")}});
        QVERIFY(m_started.tryAcquire(1, 20000));
        planner.stop();
        QCOMPARE(m_cancelledSeen, QList<bool>{true});
        QVERIFY(!planner.isPlanning() && !planner.current());
    }
};

QTEST_GUILESS_MAIN(tst_ImportPlanner)
#include "tst_ImportPlanner.moc"
