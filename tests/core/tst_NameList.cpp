#include "files/FileNames.h"
#include "files/NameList.h"

#include <QTest>

using quorvel::files::decodeFileName;
using quorvel::files::NameList;

class tst_NameList : public QObject
{
    Q_OBJECT

private slots:
    void keepsEachNameApart_data();
    void keepsEachNameApart();
    void takesNamesOutOneAfterAnother_data();
    void takesNamesOutOneAfterAnother();
    void startsEmpty();
};

void tst_NameList::keepsEachNameApart_data()
{
    QTest::addColumn<QList<QByteArray>>("names");

    QTest::newRow("one") << QList<QByteArray>{"DSC_0001.NEF"};
    QTest::newRow("a card's") << QList<QByteArray>{"DSC_0001.NEF", "DSC_0002.NEF", "DSC_0003.NEF"};
    // A name that is a prefix of the next must not run into it.
    QTest::newRow("prefixes") << QList<QByteArray>{"a", "a.jpg", "a.jpg.jpg", "b"};
    QTest::newRow("not UTF-8") << QList<QByteArray>{"caf\xE9.jpg", "\xFF\xFE\x80.jpg", "ok.jpg"};
    QTest::newRow("longest names")
        << QList<QByteArray>{QByteArray(255, 'a'), QByteArray(255, '\xFF'), "x"};
}

void tst_NameList::keepsEachNameApart()
{
    QFETCH(QList<QByteArray>, names);
    NameList list;
    QStringList shown;
    for (const QByteArray &name : names) {
        list.append(name);
        shown.append(decodeFileName(name));
    }
    QCOMPARE(list.size(), names.size());
    QVERIFY(!list.isEmpty());
    for (qsizetype i = 0; i < names.size(); ++i) {
        QCOMPARE(list.bytes(i), QByteArrayView(names.at(i)));
        QCOMPARE(list.at(i), shown.at(i));
        // Every row is found by its own bytes, never by a prefix of them.
        QCOMPARE(list.indexOf(names.at(i)), i);
    }
    QCOMPARE(list.indexOf(names.last() + "x"), -1);
    QCOMPARE(list.toStringList(), shown);

    // Reserving to the exact size changes nothing a reader sees.
    NameList reserved;
    reserved.reserve(names.size(), 0);
    for (const QByteArray &name : names)
        reserved.append(name);
    QVERIFY(reserved == list);

    // Each name taken out in turn: the others keep their bytes and order,
    // and the list it came from is left as it was.
    for (qsizetype i = 0; i < names.size(); ++i) {
        NameList expected;
        for (qsizetype k = 0; k < names.size(); ++k) {
            if (k != i)
                expected.append(names.at(k));
        }
        const NameList rest = list.without(i);
        QVERIFY(rest == expected);
        for (qsizetype k = 0; k < rest.size(); ++k)
            QCOMPARE(rest.bytes(k), expected.bytes(k));
        QVERIFY(reserved == list);
    }
}

void tst_NameList::takesNamesOutOneAfterAnother_data()
{
    QTest::addColumn<int>("count");
    // Each step takes out the name at that index of the list as it is then.
    QTest::addColumn<QList<int>>("steps");

    QTest::newRow("the first, again and again") << 10 << QList<int>{0, 0, 0};
    QTest::newRow("the last, again and again") << 10 << QList<int>{9, 8, 7};
    QTest::newRow("one beside the last taken") << 10 << QList<int>{4, 4, 3, 5, 0};
    QTest::newRow("down to none") << 4 << QList<int>{1, 2, 0, 0};
    // A culling session walks forward through the list, rejecting as it
    // goes; past 64 names the list packs itself anew and goes on.
    QList<int> walk;
    for (int i = 0; i < 150; ++i)
        walk << 3 * i;
    QTest::newRow("a walk that packs the list") << 600 << walk;
    QList<int> back;
    for (int i = 0; i < 70; ++i)
        back << 139 - 2 * i;
    QTest::newRow("a walk back") << 140 << back;
}

void tst_NameList::takesNamesOutOneAfterAnother()
{
    QFETCH(int, count);
    QFETCH(QList<int>, steps);
    QList<QByteArray> expected;
    NameList list;
    for (int i = 0; i < count; ++i) {
        // Names of different lengths, so that a name read from the wrong
        // place shows.
        expected << QByteArray("DSC_") + QByteArray(i % 3, 'x') + QByteArray::number(i) + ".JPG";
        list.append(expected.last());
    }
    const NameList first = list;
    for (const int step : steps) {
        const NameList before = list;
        list = list.without(step);
        expected.removeAt(step);
        QCOMPARE(list.size(), expected.size());
        NameList packed;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            QCOMPARE(list.bytes(i), QByteArrayView(expected.at(i)));
            QCOMPARE(list.indexOf(expected.at(i)), i);
            packed.append(expected.at(i));
        }
        QCOMPARE(list.indexOf(before.bytes(step)), -1);
        QVERIFY(list == packed);
        QVERIFY(packed == list);
        QVERIFY(!(list == before));
        QCOMPARE(before.size(), expected.size() + 1);
    }
    QCOMPARE(first.size(), count);

    // A name added to a list with names left out goes at its end, and the
    // list it came from, and the first, stay as they were.
    const NameList taken = list;
    list.append("added.JPG");
    expected << "added.JPG";
    QCOMPARE(list.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        QCOMPARE(list.bytes(i), QByteArrayView(expected.at(i)));
    QCOMPARE(taken.size(), expected.size() - 1);
    QCOMPARE(taken.indexOf("added.JPG"), -1);
    for (qsizetype i = 0; i < count; ++i)
        QCOMPARE(first.bytes(i).size(), qsizetype(8 + i % 3 + QByteArray::number(i).size()));
}

void tst_NameList::startsEmpty()
{
    const NameList list;
    QCOMPARE(list.size(), 0);
    QVERIFY(list.isEmpty());
    QCOMPARE(list.toStringList(), QStringList());
    NameList other;
    other.append("a");
    QVERIFY(!(other == list));
}

QTEST_GUILESS_MAIN(tst_NameList)
#include "tst_NameList.moc"
