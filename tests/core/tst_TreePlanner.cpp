#include "support/core/ScratchFolder.h"
#include "trimming/TreePlanner.h"
#include "trimming/TreeTrimPlan.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

using namespace quorvel;
using quorvel::test::ScratchFolder;
using trimming::TreePlanner;
using trimming::TreeTrimPlan;

// The walks are held back on purpose: each waits for its own release, so
// that a newer request, a clear or a wait() comes while it runs.
class tst_TreePlanner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_card.makeFolder("100") && m_card.makeFolder("101"));
        for (const char *name : {"100/A.jpg", "100/A.nef", "100/B.nef", "101/C.jpg", "101/C.nef",
                                 "101/D.nef", "101/E.nef"})
            QVERIFY(m_card.touch(name));
    }
    void init()
    {
        m_started.acquire(m_started.available());
        m_release.acquire(m_release.available());
        const QMutexLocker lock(&m_mutex);
        m_cancelledSeen.clear();
    }

    // rows: the requests made one after another while the first walk is
    // held; which of them must land, and what each walk saw of its cancel.
    void onlyTheLatestLands_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("expected"); // the folder planned, "" for none
        QTest::addColumn<QList<bool>>("expectedCancels");
        QTest::addColumn<bool>("clearAtEnd");
        QTest::newRow("one") << QStringList{"100"} << "100" << QList<bool>{false} << false;
        QTest::newRow("newer one stops the walk under way")
            << QStringList{"100", "101"} << "101" << QList<bool>{true, false} << false;
        QTest::newRow("the same twice walks once")
            << QStringList{"100", "100"} << "100" << QList<bool>{false} << false;
        QTest::newRow("cleared: nothing lands")
            << QStringList{"100"} << "" << QList<bool>{true} << true;
    }
    void onlyTheLatestLands()
    {
        QFETCH(QStringList, folders);
        QFETCH(QString, expected);
        QFETCH(QList<bool>, expectedCancels);
        QFETCH(bool, clearAtEnd);
        TreePlanner planner(heldBack());
        QSignalSpy planned(&planner, &TreePlanner::planned);
        for (const QString &folder : folders)
            planner.request(source(folder));
        QVERIFY(m_started.tryAcquire(1, 5000)); // the first walk runs
        if (clearAtEnd)
            planner.clear();
        QVERIFY(!planner.current());
        m_release.release(folders.size());
        if (expected.isEmpty()) {
            QTest::qWait(50);
            QCOMPARE(planned.size(), 0);
            QVERIFY(!planner.wait());
        } else {
            QTRY_COMPARE(planned.size(), 1);
            QCOMPARE(plannedFolder(planner.current()), expected);
        }
        QTRY_COMPARE(cancelledSeen(), expectedCancels);
    }

    void waitGivesThePlanWithoutTheEventLoop()
    {
        TreePlanner planner(heldBack());
        planner.request(source("100"));
        planner.request(source("101"));
        m_release.release(2);
        const std::shared_ptr<const TreeTrimPlan> plan = planner.wait();
        QCOMPARE(plannedFolder(plan), QStringLiteral("101"));
        QCOMPARE(plan->filesToTrim(), 2); // D.nef and E.nef
        QCOMPARE(planner.current(), plan);
    }

    void unreadableRootLandsNothing()
    {
        TreePlanner planner;
        QSignalSpy planned(&planner, &TreePlanner::planned);
        planner.request(source("gone"));
        QVERIFY(!planner.wait());
        QTest::qWait(20);
        QCOMPARE(planned.size(), 0);
    }

private:
    TreePlanner::Source source(const QString &folder) const
    {
        const QString path = m_card.path() + u'/' + folder;
        return {nullptr, nullptr, path, path, QStringLiteral("*.jpg"), QStringLiteral("*.nef"),
                false};
    }
    QList<bool> cancelledSeen()
    {
        const QMutexLocker lock(&m_mutex);
        return m_cancelledSeen;
    }
    static QString plannedFolder(const std::shared_ptr<const TreeTrimPlan> &plan)
    {
        return plan && !plan->pairs().empty() ? plan->pairs().front().rawFolder.section(u'/', -1)
                                              : QString();
    }
    TreePlanner::PlanFunction heldBack()
    {
        return [this](const TreePlanner::Source &source, const std::atomic<bool> &cancelled) {
            m_started.release();
            m_release.acquire();
            {
                const QMutexLocker lock(&m_mutex);
                m_cancelledSeen.append(cancelled.load());
            }
            return TreePlanner::plan(source, cancelled);
        };
    }

    ScratchFolder m_card;
    QSemaphore m_started;
    QSemaphore m_release;
    QMutex m_mutex;
    QList<bool> m_cancelledSeen;
};

QTEST_GUILESS_MAIN(tst_TreePlanner)
#include "tst_TreePlanner.moc"
