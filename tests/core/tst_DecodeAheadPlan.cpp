#include "culling/DecodeAheadPlan.h"

#include <QTest>

using quorvel::culling::DecodeAheadPlan;

class tst_DecodeAheadPlan : public QObject
{
    Q_OBJECT

private slots:
    void plan_data();
    void plan();
    void decodesUnderWayAndThumbnailReads_data();
    void decodesUnderWayAndThumbnailReads();
};

namespace {

QList<int> range(int from, int to)
{
    QList<int> entries;
    for (int entry = from; from <= to ? entry <= to : entry >= to; entry += from <= to ? 1 : -1)
        entries << entry;
    return entries;
}

} // namespace

void tst_DecodeAheadPlan::plan_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("direction");
    QTest::addColumn<double>("moveMs");
    QTest::addColumn<double>("decodeMs");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("budget");
    QTest::addColumn<QList<int>>("wanted");
    QTest::addColumn<QList<int>>("kept");
    QTest::addColumn<QList<int>>("thumbnails");

    const int budget = DecodeAheadPlan::defaultBudget;
    QTest::newRow("looking: the neighbours, the way the keys went first")
        << 5 << 1 << 0.0 << 100.0 << 20 << budget << QList<int>{5, 6, 4, 7}
        << QList<int>{5, 6, 4, 7} << range(3, 15);
    QTest::newRow("looking, going back")
        << 5 << -1 << 0.0 << 100.0 << 20 << budget << QList<int>{5, 4, 6, 3}
        << QList<int>{5, 4, 6, 3} << range(7, 0);
    QTest::newRow("keys slower than decodes: as when looking")
        << 5 << 1 << 200.0 << 100.0 << 20 << budget << QList<int>{5, 6, 4, 7}
        << QList<int>{5, 6, 4, 7} << range(3, 15);
    QTest::newRow("at the last: nothing beyond it")
        << 19 << 1 << 0.0 << 100.0 << 20 << budget << QList<int>{19, 18} << QList<int>{19, 18}
        << range(17, 19);
    QTest::newRow("held key: decoded where the user will be")
        << 5 << 1 << 33.0 << 100.0 << 20 << budget << QList<int>{10, 11, 5} << range(4, 11)
        << range(3, 15);
    QTest::newRow("held key going back") << 15 << -1 << 33.0 << 100.0 << 20 << budget
                                         << QList<int>{10, 9, 15} << range(16, 9) << range(17, 5);
    QTest::newRow("slow decodes: the lead stops at the memory budget")
        << 5 << 1 << 33.0 << 1000.0 << 40 << budget << QList<int>{13, 14, 5} << range(4, 14)
        << range(3, 15);
    QTest::newRow("a smaller budget, a shorter lead")
        << 5 << 1 << 33.0 << 1000.0 << 40 << 6 << QList<int>{8, 9, 5} << range(4, 9)
        << range(3, 15);
    QTest::newRow("held key near the end") << 17 << 1 << 33.0 << 100.0 << 20 << budget
                                           << QList<int>{17} << range(16, 19) << range(15, 19);
    QTest::newRow("on no entry: nothing")
        << -1 << 1 << 0.0 << 100.0 << 20 << budget << QList<int>() << QList<int>() << QList<int>();
    QTest::newRow("an empty list: nothing")
        << 0 << 1 << 33.0 << 100.0 << 0 << budget << QList<int>() << QList<int>() << QList<int>();
}

void tst_DecodeAheadPlan::plan()
{
    QFETCH(int, index);
    QFETCH(int, direction);
    QFETCH(double, moveMs);
    QFETCH(double, decodeMs);
    QFETCH(int, count);
    QFETCH(int, budget);
    QFETCH(QList<int>, wanted);
    QFETCH(QList<int>, kept);
    QFETCH(QList<int>, thumbnails);

    const DecodeAheadPlan plan =
        DecodeAheadPlan::make(index, direction, {moveMs, decodeMs}, count, budget);
    QCOMPARE(plan.wanted, wanted);
    QCOMPARE(plan.kept, kept);
    QCOMPARE(plan.thumbnails, thumbnails);
    // What is wanted is kept, and never more than the budget.
    for (int entry : plan.wanted)
        QVERIFY(plan.kept.contains(entry));
    QVERIFY(plan.kept.size() <= budget);
}

void tst_DecodeAheadPlan::decodesUnderWayAndThumbnailReads_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("direction");
    QTest::addColumn<double>("moveMs");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("underWay");
    QTest::addColumn<QList<int>>("thumbnailReads");

    QTest::newRow("looking: all that is kept, and the thumbnails behind in case of a way back")
        << 5 << 1 << 0.0 << 20 << QList<int>{5, 6, 4, 7} << range(3, 15);
    QTest::newRow("keys slower than decodes: as when looking")
        << 5 << -1 << 200.0 << 20 << QList<int>{5, 4, 6, 3} << range(7, 0);
    QTest::newRow("held key: nothing behind it")
        << 5 << 1 << 33.0 << 20 << range(5, 11) << range(5, 15);
    QTest::newRow("held key going back: nothing behind it either")
        << 15 << -1 << 33.0 << 20 << range(15, 9) << range(15, 5);
    QTest::newRow("held key at the first: nothing passed")
        << 0 << 1 << 33.0 << 20 << range(0, 6) << range(0, 10);
    QTest::newRow("held key near the end")
        << 17 << 1 << 33.0 << 20 << range(17, 19) << range(17, 19);
}

// What a worker may go on decoding and which thumbnails are read: a held key
// spends neither on the pictures it has passed.
void tst_DecodeAheadPlan::decodesUnderWayAndThumbnailReads()
{
    QFETCH(int, index);
    QFETCH(int, direction);
    QFETCH(double, moveMs);
    QFETCH(int, count);
    QFETCH(QList<int>, underWay);
    QFETCH(QList<int>, thumbnailReads);

    const DecodeAheadPlan plan = DecodeAheadPlan::make(index, direction, {moveMs, 100.0}, count,
                                                       DecodeAheadPlan::defaultBudget);
    QCOMPARE(plan.underWay, underWay);
    QCOMPARE(plan.thumbnailReads, thumbnailReads);
    for (int entry : plan.wanted)
        QVERIFY(plan.underWay.contains(entry));
}

QTEST_GUILESS_MAIN(tst_DecodeAheadPlan)
#include "tst_DecodeAheadPlan.moc"
