#include "import/ImportFigures.h"

#include <QTest>

using quorvel::import::ImportFigures;
using quorvel::import::ImportRun;

class tst_ImportFigures : public QObject
{
    Q_OBJECT

private slots:
    void progress_data();
    void progress();
};

void tst_ImportFigures::progress_data()
{
    QTest::addColumn<double>("bytesPerSecond");
    QTest::addColumn<qint64>("secondsLeft");
    QTest::addColumn<QString>("text");

    const QString done = QStringLiteral("12 of 120 files\n240.0 MB of 2.4 GB");
    QTest::newRow("speed not known yet") << 0.0 << qint64(-1) << done;
    QTest::newRow("seconds") << 85e6 << qint64(45) << done + "\n85.0 MB/s, 45 s left";
    QTest::newRow("minutes") << 85e6 << qint64(185) << done + "\n85.0 MB/s, 3 min 5 s left";
    QTest::newRow("hours") << 1.5e6 << qint64(3720) << done + "\n1.5 MB/s, 1 h 2 min left";
}

// The progress window's text: the speed and time left only once known.
void tst_ImportFigures::progress()
{
    QFETCH(double, bytesPerSecond);
    QFETCH(qint64, secondsLeft);
    QFETCH(QString, text);

    const ImportRun::Progress progress{12,         120, 240'000'000, 2'400'000'000, bytesPerSecond,
                                       secondsLeft};
    QCOMPARE(ImportFigures::progress(progress), text);
}

QTEST_GUILESS_MAIN(tst_ImportFigures)
#include "tst_ImportFigures.moc"
