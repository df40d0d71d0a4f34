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
    QTest::newRow("focus frame") << true << false;
    QTest::newRow("peaking") << false << true;
    QTest::newRow("both") << true << true;
}

// Off until chosen; each choice kept by itself, read back by another run,
// and the trim options' keys left alone.
void tst_ViewerChoices::keptAcrossRuns()
{
    QFETCH(bool, focusFrame);
    QFETCH(bool, peaking);

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("Quorvel.conf"));
    {
        QSettings fresh(file, QSettings::IniFormat);
        QVERIFY(!ViewerChoices::load(fresh).focusFrame && !ViewerChoices::load(fresh).peaking);
        ViewerChoices{focusFrame, peaking}.save(fresh);
    }
    QSettings again(file, QSettings::IniFormat);
    QCOMPARE(ViewerChoices::load(again).focusFrame, focusFrame);
    QCOMPARE(ViewerChoices::load(again).peaking, peaking);
    QCOMPARE(again.allKeys().size(), 2);
}

QTEST_GUILESS_MAIN(tst_ViewerChoices)
#include "tst_ViewerChoices.moc"
