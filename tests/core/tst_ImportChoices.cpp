#include "import/ImportChoices.h"
#include "import/ImportPlan.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <utime.h>

using quorvel::import::ImportChoices;
using quorvel::import::ImportPlan;

class tst_ImportChoices : public QObject
{
    Q_OBJECT

private slots:
    void destinationOffered_data();
    void destinationOffered();
    void shootingDayIsTheEarliestFile();
};

void tst_ImportChoices::destinationOffered_data()
{
    QTest::addColumn<QString>("lastUsed");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("offered");

    const QDate day(2026, 12, 7);
    QTest::newRow("first import") << "" << day << "/home/anna/Pictures/2026-12-07";
    QTest::newRow("last was dated: same parent, this card's day")
        << "/data/photos/2026-11-30" << day << "/data/photos/2026-12-07";
    QTest::newRow("last was dated, written with a slash")
        << "/data/photos/2026-11-30/" << day << "/data/photos/2026-12-07";
    QTest::newRow("last named otherwise: offered as it is")
        << "/data/inbox" << day << "/data/inbox";
    QTest::newRow("a name that only looks like a day")
        << "/data/2026-13-45" << day << "/data/2026-13-45";
    QTest::newRow("empty card: the Pictures folder") << "" << QDate() << "/home/anna/Pictures";
}

// The offer follows the last destination, survives a new run of the program,
// and the backup is kept beside it.
void tst_ImportChoices::destinationOffered()
{
    QFETCH(QString, lastUsed);
    QFETCH(QDate, day);
    QFETCH(QString, offered);

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("Quorvel.conf"));
    {
        QSettings settings(file, QSettings::IniFormat);
        QVERIFY(ImportChoices::load(settings).destination.isEmpty());
        QVERIFY(ImportChoices::load(settings).backup.isEmpty());
        if (!lastUsed.isEmpty())
            ImportChoices{lastUsed, QStringLiteral("/mnt/backup")}.save(settings);
    }
    QSettings again(file, QSettings::IniFormat);
    const ImportChoices choices = ImportChoices::load(again);
    QCOMPARE(choices.destinationFor(QStringLiteral("/home/anna/Pictures/"), day), offered);
    QCOMPARE(choices.backup, lastUsed.isEmpty() ? QString() : QStringLiteral("/mnt/backup"));
}

// Walk order is the file system's; the day is that of the first picture shot.
void tst_ImportChoices::shootingDayIsTheEarliestFile()
{
    QTemporaryDir card;
    QVERIFY(QDir(card.path()).mkpath(QStringLiteral("DCIM/100NIKON")));
    const QList<std::pair<QString, QDateTime>> files = {
        {QStringLiteral("DCIM/100NIKON/DSC_0002.NEF"), QDateTime({2026, 12, 8}, {0, 30})},
        {QStringLiteral("DCIM/100NIKON/DSC_0001.NEF"), QDateTime({2026, 12, 7}, {23, 50})},
        {QStringLiteral("DCIM/100NIKON/DSC_0003.NEF"), QDateTime({2026, 12, 8}, {1, 0})},
    };
    for (const auto &[name, time] : files) {
        QFile f(card.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("raw");
        f.close();
        const utimbuf times{time.toSecsSinceEpoch(), time.toSecsSinceEpoch()};
        QCOMPARE(utime(QFile::encodeName(f.fileName()).constData(), &times), 0);
    }
    const ImportPlan plan({QFile::encodeName(card.path())}, {});
    QCOMPARE(ImportChoices::shootingDayOf(plan), QDate(2026, 12, 7));
    QTemporaryDir emptyCard;
    QVERIFY(!ImportChoices::shootingDayOf(ImportPlan({QFile::encodeName(emptyCard.path())}, {}))
                 .isValid());
}

QTEST_GUILESS_MAIN(tst_ImportChoices)
#include "tst_ImportChoices.moc"
