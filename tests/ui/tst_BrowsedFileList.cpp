#include "main_window/BrowsedFileList.h"
#include "ui/FileListBox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using main_window::BrowsedFileList;

class tst_BrowsedFileList : public QObject
{
    Q_OBJECT

private slots:
    void takeOut_data();
    void takeOut();
    void aListGoneIsEmpty();
};

void tst_BrowsedFileList::takeOut_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("after");

    QTest::newRow("still at its place") << 1 << "b.jpg" << QStringList{"a.jpg", "c.jpg"};
    // The list has been read again meanwhile: the name decides.
    QTest::newRow("moved elsewhere") << 0 << "c.jpg" << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("no longer listed: nothing goes")
        << 1 << "gone.jpg" << QStringList{"a.jpg", "b.jpg", "c.jpg"};
}

void tst_BrowsedFileList::takeOut()
{
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(QStringList, after);

    QTemporaryDir folder;
    for (const char *file : {"a.jpg", "b.jpg", "c.jpg"}) {
        QFile created(folder.filePath(QString::fromLatin1(file)));
        QVERIFY(created.open(QIODevice::WriteOnly));
    }
    ui::FileListBox box(folder.path());
    box.setPattern(QStringLiteral("*.jpg"));
    box.setPath(folder.path());
    box.setListIndex(2);
    // The RAW list is the main window's other list, in a folder of its own.
    QTemporaryDir rawFolder;
    ui::FileListBox raws(rawFolder.path());
    raws.setPath(rawFolder.path());
    BrowsedFileList browsed(&box, &raws);
    QCOMPARE(browsed.folder(), folder.path());
    QCOMPARE(browsed.rawFolder(), rawFolder.path());
    // Browsing the RAW list itself, its folder is the RAW folder.
    QCOMPARE(BrowsedFileList(&raws, &raws).rawFolder(), rawFolder.path());
    QCOMPARE(browsed.currentIndex(), 2);

    const std::shared_ptr<const files::NameList> before = browsed.names();
    browsed.takeOut(index, name);
    QCOMPARE(browsed.names()->toStringList(), after);
    // The names handed out before are not changed under whoever holds them.
    QCOMPARE(before->toStringList(), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    browsed.followIndex(0);
    QCOMPARE(box.ListIndex(), 0);
}

void tst_BrowsedFileList::aListGoneIsEmpty()
{
    auto *box = new ui::FileListBox(QDir::tempPath());
    BrowsedFileList browsed(box, box);
    delete box;
    QVERIFY(browsed.folder().isEmpty());
    QVERIFY(browsed.rawFolder().isEmpty());
    QVERIFY(browsed.names()->isEmpty());
    QCOMPARE(browsed.currentIndex(), -1);
    browsed.followIndex(0);
    browsed.takeOut(0, QStringLiteral("a.jpg"));
}

QTEST_MAIN(tst_BrowsedFileList)
#include "tst_BrowsedFileList.moc"
