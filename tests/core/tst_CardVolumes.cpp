#include "files/Volume.h"
#include "import/CardVolumes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using quorvel::files::Volume;
using quorvel::import::CardVolumes;

class tst_CardVolumes : public QObject
{
    Q_OBJECT

private slots:
    void cardsAmongVolumes_data();
    void cardsAmongVolumes();
};

void tst_CardVolumes::cardsAmongVolumes_data()
{
    // What each volume holds at its root: "dir:NAME", "file:NAME", "link:NAME"
    // (to a folder), or nothing.
    QTest::addColumn<QString>("root");
    QTest::addColumn<bool>("card");

    QTest::newRow("a camera's card") << "dir:DCIM" << true;
    QTest::newRow("short names in lower case") << "dir:dcim" << true;
    QTest::newRow("no DCIM") << "dir:Documents" << false;
    QTest::newRow("a file named DCIM") << "file:DCIM" << false;
    QTest::newRow("a link named DCIM is not followed") << "link:DCIM" << false;
    QTest::newRow("empty") << "" << false;
}

// Of three volumes, only the one under test may count as a card; a card
// taken out (its folder gone) is no longer one.
void tst_CardVolumes::cardsAmongVolumes()
{
    QFETCH(QString, root);
    QFETCH(bool, card);

    QTemporaryDir temp;
    QDir base(temp.path());
    QVERIFY(base.mkpath(QStringLiteral("disk/Documents")));
    QVERIFY(base.mkpath(QStringLiteral("card")));
    QVERIFY(base.mkpath(QStringLiteral("elsewhere/DCIM")));
    const QString mount = base.filePath(QStringLiteral("card"));
    const QString kind = root.section(u':', 0, 0);
    const QString name = root.section(u':', 1);
    if (kind == QLatin1String("dir"))
        QVERIFY(QDir(mount).mkdir(name));
    else if (kind == QLatin1String("file"))
        QVERIFY(QFile(mount + u'/' + name).open(QIODevice::WriteOnly));
    else if (kind == QLatin1String("link"))
        QVERIFY(QFile::link(base.filePath(QStringLiteral("elsewhere/DCIM")), mount + u'/' + name));

    const QList<Volume> volumes = {{base.filePath(QStringLiteral("disk")), {}},
                                   {mount, QStringLiteral("NIKON D850")},
                                   {base.filePath(QStringLiteral("gone")), {}}};
    const QList<Volume> cards = CardVolumes::of(volumes);
    QCOMPARE(cards.size(), card ? 1 : 0);
    if (card) {
        QCOMPARE(cards.first().mountPoint, mount);
        QCOMPARE(CardVolumes::shownName(cards.first()),
                 QStringLiteral("NIKON D850 (%1)").arg(mount));
        QVERIFY(QDir(mount).removeRecursively());
        QVERIFY(CardVolumes::of(volumes).isEmpty());
    }
}

QTEST_GUILESS_MAIN(tst_CardVolumes)
#include "tst_CardVolumes.moc"
