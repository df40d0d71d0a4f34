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
