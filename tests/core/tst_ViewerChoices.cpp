#include "culling/ViewerChoices.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using quorvel::culling::ViewerChoices;

class tst_ViewerChoices : public QObject
{
    Q_OBJECT

private slots:
    void keptAcrossRuns_data();
    void keptAcrossRuns();
};

void tst_ViewerChoices::keptAcrossRuns_data()
{
    QTest::addColumn<bool>("focusFrame");
    QTest::addColumn<bool>("peaking");
    QTest::newRow("neither") << false << false;
    QTest::newRow("focus frame") << true << false;
    QTest::newRow("peaking") << false << true;
    QTest::newRow("both") << true << true;
}

// Each choice is kept by itself: a run that wrote one toggle does not turn
// the other on or off.
void tst_ViewerChoices::keptAcrossRuns()
{
    QFETCH(bool, focusFrame);
    QFETCH(bool, peaking);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("Quorvel.conf"));
    {
        QSettings fresh(file, QSettings::IniFormat);
        const ViewerChoices first = ViewerChoices::load(fresh);
        QVERIFY(!first.focusFrame);
        QVERIFY(!first.peaking);
        ViewerChoices{focusFrame, peaking}.save(fresh);
    }
    // Another run, reading the file anew.
    QSettings again(file, QSettings::IniFormat);
    const ViewerChoices loaded = ViewerChoices::load(again);
    QCOMPARE(loaded.focusFrame, focusFrame);
    QCOMPARE(loaded.peaking, peaking);
    QCOMPARE(again.value(QStringLiteral("trim/sidecars"), QStringLiteral("untouched")).toString(),
             QStringLiteral("untouched"));
}

QTEST_GUILESS_MAIN(tst_ViewerChoices)
#include "tst_ViewerChoices.moc"
