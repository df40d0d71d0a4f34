#include "files/FileNames.h"
#include "files/WildcardPattern.h"
#include "main_window/dlgTrimFolders.h"
#include "support/core/ScratchFolder.h"
#include "trimming/TreeTrimPlan.h"
#include "trimming/TreeTrimTable.h"

#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

using namespace quorvel;

// The folder list is read while the trim's question holds every other
// window still: what can't be scrolled must be in view.
class tst_dlgTrimFolders : public QObject
{
    Q_OBJECT

private slots:
    void everyFolderInView_data()
    {
        QTest::addColumn<int>("folders");
        QTest::newRow("two") << 2;
        QTest::newRow("a dozen") << 12;
    }
    void everyFolderInView()
    {
        QFETCH(int, folders);
        test::ScratchFolder card;
        for (int f = 0; f < folders; ++f) {
            const QByteArray folder = QByteArray::number(100 + f) + "NIKON";
            QVERIFY(card.makeFolder(folder));
            for (const char *name : {"/DSC_1.jpg", "/DSC_1.nef", "/DSC_2.nef"})
                QVERIFY(card.touch(folder + name));
        }
        const QString root = card.path();
        const trimming::TreeTrimPlan plan(root, root, files::WildcardPattern(u"*.jpg"),
                                          files::WildcardPattern(u"*.nef"), true, false);
        main_window::dlgTrimFolders window;
        window.showFolders(trimming::TreeTrimTable(plan, QStringLiteral("*.jpg"), false));
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.grdFolders->rowCount(), folders + 1);
        QCOMPARE(window.grdFolders->verticalScrollBar()->maximum(), 0);
    }
};

QTEST_MAIN(tst_dlgTrimFolders)
#include "tst_dlgTrimFolders.moc"
