#include "files/FileNames.h"
#include "files/FolderError.h"
#include "support/core/ScratchFolder.h"
#include "support/widgets/ListedNames.h"
#include "ui/FileListBox.h"

#include <cerrno>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using quorvel::files::FolderError;
using quorvel::test::listedNames;
using quorvel::test::ScratchFolder;
using quorvel::ui::FileListBox;

namespace {

QStringList shownNames(const FileListBox &box)
{
    QStringList names;
    const QAbstractItemModel *model = box.model();
    for (int row = 0; row < model->rowCount(); ++row)
        names.append(model->index(row, 0).data().toString());
    return names;
}

} // namespace

class tst_FileListBox : public QObject
{
    Q_OBJECT

private slots:
    void removedRowNeedsNoLayout_data();
    void removedRowNeedsNoLayout();
    void writingPathListsAtOnce();
    void patternChangeRereads();
    void refreshSeesOtherProgramsChanges();
    void listIndexSelectsAndClicks();
    void userClicksAndOpens();
    void removeItemReadsNothing_data();
    void removeItemReadsNothing();
    void countsBeyondSixteenBits();
    void failureLeavesListAsItWas_data();
    void failureLeavesListAsItWas();
    void patternHoldsWhenTheFolderCantBeRead_data();
    void patternHoldsWhenTheFolderCantBeRead();
};

void tst_FileListBox::writingPathListsAtOnce()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    for (const char *name :
         {"b.jpg", "A.JPG", "c.nef", ".hidden.jpg", "line\nbreak.jpg", "caf\xE9.jpg"}) {
        QVERIFY(dir.touch(name));
    }
    QVERIFY(dir.makeFolder("x.jpg"));

    FileListBox box(dir.path());
    QVERIFY(box.uniformItemSizes());
    box.setPattern(QStringLiteral("*.jpg"));
    box.setPath(dir.path());

    const QStringList expected = {"A.JPG", "b.jpg", quorvel::files::decodeFileName("caf\xE9.jpg"),
                                  "line\nbreak.jpg"};
    QCOMPARE(box.Path(), dir.path());
    QCOMPARE(box.ListCount(), 4);
    QCOMPARE(listedNames(box), expected);
    QCOMPARE(shownNames(box), expected);
    QCOMPARE(box.List(3), expected.at(3));
    QCOMPARE(box.ListIndex(), -1);
    QCOMPARE(box.FileName(), QString());

    // A path with "." and ".." parts names the same folder.
    QVERIFY(dir.makeFolder("sub"));
    QVERIFY(dir.touch("sub/in-sub.jpg"));
    box.setPath(dir.path() + QStringLiteral("/sub/../sub/."));
    QCOMPARE(box.Path(), dir.path() + QStringLiteral("/sub"));
    QCOMPARE(listedNames(box), QStringList({"in-sub.jpg"}));
}

void tst_FileListBox::patternChangeRereads()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    QVERIFY(dir.touch("DSC_0001.JPG"));
    QVERIFY(dir.touch("DSC_0001.NEF"));
    FileListBox box(dir.path());
    box.setPattern(QStringLiteral("*.jpg"));
    box.setPath(dir.path());
    QCOMPARE(listedNames(box), QStringList({"DSC_0001.JPG"}));

    // Written after the last reading: a new pattern reads the folder again.
    QVERIFY(dir.touch("DSC_0002.nef"));
    box.setPattern(QStringLiteral("*.nef"));
    QCOMPARE(box.Pattern(), QStringLiteral("*.nef"));
    QCOMPARE(listedNames(box), QStringList({"DSC_0001.NEF", "DSC_0002.nef"}));
    QCOMPARE(box.ListCount(), 2);

    box.setPattern(QStringLiteral("-----"));
    QCOMPARE(box.ListCount(), 0);
    box.setPattern(QStringLiteral("*.tif"));
    QCOMPARE(box.ListCount(), 0);
    QVERIFY(dir.touch("scan.tiff"));
    box.setPattern(QStringLiteral("*.tif"));
    QCOMPARE(listedNames(box), QStringList({"scan.tiff"}));
}

void tst_FileListBox::refreshSeesOtherProgramsChanges()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    QVERIFY(dir.touch("old.jpg"));
    FileListBox box(dir.path());
    box.setPattern(QStringLiteral("*.jpg"));
    box.setPath(dir.path());
    QCOMPARE(listedNames(box), QStringList({"old.jpg"}));

    QProcess other;
    other.setWorkingDirectory(dir.path());
    other.start(QStringLiteral("sh"), {"-c", "touch new.jpg NEW2.JPG skip.nef && rm old.jpg"});
    QVERIFY(other.waitForFinished(30000));
    QCOMPARE(other.exitCode(), 0);

    // Until it is told to, the list shows its last reading.
    QCOMPARE(listedNames(box), QStringList({"old.jpg"}));
    QCOMPARE(box.ListCount(), 1);

    box.Refresh();
    QCOMPARE(listedNames(box), QStringList({"new.jpg", "NEW2.JPG"}));
    QCOMPARE(shownNames(box), QStringList({"new.jpg", "NEW2.JPG"}));
    QCOMPARE(box.ListCount(), 2);
}

void tst_FileListBox::listIndexSelectsAndClicks()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        QVERIFY(dir.touch(name));
    FileListBox box(dir.path());
    box.setPath(dir.path());
    QCOMPARE(box.ListCount(), 3);

    QList<int> indexAtClick;
    QList<QString> nameAtClick;
    connect(&box, &FileListBox::Click, this, [&] {
        indexAtClick.append(box.ListIndex());
        nameAtClick.append(box.FileName());
    });

    box.setListIndex(1);
    QCOMPARE(box.ListIndex(), 1);
    QCOMPARE(box.FileName(), QStringLiteral("b.jpg"));
    QVERIFY(box.selectionModel()->isRowSelected(1, {}));
    QCOMPARE(indexAtClick, QList<int>({1}));
    QCOMPARE(nameAtClick, QList<QString>({"b.jpg"}));

    box.setListIndex(2);
    QCOMPARE(indexAtClick, QList<int>({1, 2}));
    QVERIFY(!box.selectionModel()->isRowSelected(1, {}));
    QVERIFY(box.selectionModel()->isRowSelected(2, {}));

    // Setting the index again still raises Click, as code relies on it.
    box.setListIndex(2);
    QCOMPARE(indexAtClick, QList<int>({1, 2, 2}));

    box.setListIndex(-1);
    QCOMPARE(box.ListIndex(), -1);
    QCOMPARE(box.FileName(), QString());
    QVERIFY(!box.selectionModel()->hasSelection());

    // A new reading starts without a selection, and says nothing about it.
    box.setListIndex(0);
    indexAtClick.clear();
    box.Refresh();
    QCOMPARE(box.ListIndex(), -1);
    QCOMPARE(box.FileName(), QString());
    QVERIFY(indexAtClick.isEmpty());
}

void tst_FileListBox::removeItemReadsNothing_data()
{
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("removed");
    QTest::addColumn<int>("selectedAfter");
    QTest::addColumn<std::vector<int>>("markedAfter");
    QTest::addColumn<bool>("selectionLost");

    // Marked before: rows 0 and 2 ("a.jpg" and "c.jpg").
    QTest::newRow("an entry before the selected") << 2 << 1 << 1 << std::vector<int>{0, 1} << false;
    QTest::newRow("an entry after the selected") << 0 << 3 << 0 << std::vector<int>{0, 2} << false;
    QTest::newRow("the selected one") << 1 << 1 << -1 << std::vector<int>{0, 1} << true;
    QTest::newRow("the selected one, the last") << 3 << 3 << -1 << std::vector<int>{0, 2} << true;
    QTest::newRow("a marked one") << 1 << 2 << 1 << std::vector<int>{0} << false;
    QTest::newRow("outside the list: nothing") << 1 << 4 << 1 << std::vector<int>{0, 2} << false;
}

// The program moved the file away itself: its name leaves the list and the
// folder is not read, so another program's file there does not appear.
void tst_FileListBox::removeItemReadsNothing()
{
    QFETCH(int, selected);
    QFETCH(int, removed);
    QFETCH(int, selectedAfter);
    QFETCH(std::vector<int>, markedAfter);
    QFETCH(bool, selectionLost);

    ScratchFolder dir;
    QVERIFY(dir.isValid());
    const QStringList names{"a.jpg", "b.jpg", "c.jpg", "d.jpg"};
    for (const QString &name : names)
        QVERIFY(dir.touch(name.toLatin1()));
    FileListBox box(dir.path());
    box.setPath(dir.path());
    box.setMarkedRows({0, 2}, {{2, QStringLiteral("+ c.xmp")}});
    QSignalSpy clicks(&box, &FileListBox::Click);
    QSignalSpy lost(&box, &FileListBox::SelectionLost);
    // Moved along by another window: selected, with no Click.
    box.followIndex(selected);
    QCOMPARE(box.ListIndex(), selected);
    QCOMPARE(clicks.count(), 0);
    const auto shared = box.sharedNames();
    QVERIFY(dir.touch("b2.jpg"));

    box.RemoveItem(removed);
    QStringList left = names;
    if (removed < names.size())
        left.removeAt(removed);
    QCOMPARE(listedNames(box), left);
    QCOMPARE(shownNames(box), left);
    QCOMPARE(box.ListCount(), int(left.size()));
    QCOMPARE(box.ListIndex(), selectedAfter);
    QCOMPARE(box.markedRows(), markedAfter);
    QCOMPARE(box.markNote(1), removed == 1 ? QStringLiteral("+ c.xmp") : QString());
    QCOMPARE(lost.count(), selectionLost ? 1 : 0);
    QCOMPARE(clicks.count(), 0);
    // The list shared before the removal is as it was: a trim holding it
    // works on what its question named.
    QCOMPARE(shared->toStringList(), names);
}

namespace {

// Counts the view's layouts of all its rows.
class CountingListBox : public FileListBox
{
public:
    using FileListBox::FileListBox;
    void doItemsLayout() override
    {
        ++layouts;
        FileListBox::doItemsLayout();
    }
    int layouts = 0;
};

} // namespace

void tst_FileListBox::removedRowNeedsNoLayout_data()
{
    QTest::addColumn<int>("removed");
    QTest::addColumn<bool>("atTheEnd");
    QTest::newRow("the first, at the top") << 0 << false;
    QTest::newRow("one on screen, at the top") << 3 << false;
    QTest::newRow("one below the screen") << 150 << false;
    QTest::newRow("the last, at the top") << 199 << false;
    QTest::newRow("the first, at the end") << 0 << true;
    QTest::newRow("one on screen, at the end") << 197 << true;
    QTest::newRow("the last, at the end") << 199 << true;
}

// A rejection in the viewer takes one name out of a list of 50,000: the rows
// are placed by arithmetic, and none is laid out again for it.
void tst_FileListBox::removedRowNeedsNoLayout()
{
    QFETCH(int, removed);
    QFETCH(bool, atTheEnd);
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    for (int i = 0; i < 200; ++i)
        QVERIFY(dir.touch(QByteArray::number(1000 + i) + ".jpg"));
    CountingListBox box(dir.path());
    box.setPath(dir.path());
    box.resize(200, 150);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    if (atTheEnd)
        box.scrollToBottom();
    QCoreApplication::processEvents();
    const int step = box.visualRect(box.model()->index(1, 0)).top() -
                     box.visualRect(box.model()->index(0, 0)).top();
    QVERIFY(step > 0);
    box.layouts = 0;

    box.RemoveItem(removed);
    QCoreApplication::processEvents();
    QCOMPARE(box.layouts, 0);
    QCOMPARE(box.ListCount(), 199);
    const auto placed = [&box] {
        QList<QRect> rects;
        for (int row = 0; row < box.ListCount(); ++row)
            rects.append(box.visualRect(box.model()->index(row, 0)));
        return rects;
    };
    const QList<QRect> rects = placed();
    for (int row = 0; row < box.ListCount(); ++row) {
        QCOMPARE(rects[row].top(), rects[0].top() + row * step);
        if (box.viewport()->rect().contains(rects[row].center())) {
            QCOMPARE(box.indexAt(rects[row].center()).row(), row);
            QCOMPARE(box.indexAt(rects[row].center()).data().toString(), box.List(row));
        }
    }
    // Where a layout of the rows left would put them, and as far down.
    const int scrolledTo = box.verticalScrollBar()->value();
    const int scrollEnd = box.verticalScrollBar()->maximum();
    box.doItemsLayout();
    box.verticalScrollBar()->setValue(scrolledTo);
    QCOMPARE(placed(), rects);
    QCOMPARE(box.verticalScrollBar()->maximum(), scrollEnd);

    // The keys reach the last row, and no further.
    box.setFocus();
    box.setListIndex(0);
    QTest::keyClick(&box, Qt::Key_End);
    QCOMPARE(box.ListIndex(), 198);
    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(box.ListIndex(), 198);

    // Followed from the viewer, the list shows the entry reached once the
    // event loop turns, and the user's own keys still scroll it.
    box.followIndex(removed / 2);
    QCoreApplication::processEvents();
    QCOMPARE(box.ListIndex(), removed / 2);
    QVERIFY(box.viewport()->rect().contains(box.visualRect(box.model()->index(removed / 2, 0))));
    QTest::keyClick(&box, Qt::Key_End);
    QVERIFY(box.viewport()->rect().contains(box.visualRect(box.model()->index(198, 0))));
}

void tst_FileListBox::userClicksAndOpens()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        QVERIFY(dir.touch(name));
    FileListBox box(dir.path());
    box.setPath(dir.path());
    box.resize(200, 200);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    QSignalSpy clicks(&box, &FileListBox::Click);
    QSignalSpy opens(&box, &FileListBox::DblClick);

    // Enter with nothing selected opens nothing.
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(opens.count(), 0);

    const QPoint onB = box.visualRect(box.model()->index(1, 0)).center();
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, onB);
    QCOMPARE(box.ListIndex(), 1);
    QCOMPARE(clicks.count(), 1);

    QTest::keyClick(&box, Qt::Key_Down);
    QCOMPARE(box.FileName(), QStringLiteral("c.jpg"));
    QCOMPARE(clicks.count(), 2);

    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(opens.count(), 1);
    QTest::keyClick(&box, Qt::Key_Enter);
    QCOMPARE(opens.count(), 2);

    // A user's double-click: press and release, then the double-click.
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, onB);
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, onB);
    QCOMPARE(opens.count(), 3);
    QCOMPARE(box.FileName(), QStringLiteral("b.jpg"));
}

// The classic list counted in 16 bits and went negative past 32,767 files.
void tst_FileListBox::countsBeyondSixteenBits()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    constexpr int count = 40000;
    for (int i = 0; i < count; ++i)
        QVERIFY(
            dir.touch(QByteArray("IMG_") + QByteArray::number(i).rightJustified(5, '0') + ".JPG"));
    for (int i = 0; i < 10; ++i)
        QVERIFY(dir.touch(QByteArray("IMG_") + QByteArray::number(i) + ".NEF"));

    FileListBox box(dir.path());
    box.setPattern(QStringLiteral("*.jpg"));
    box.setPath(dir.path());
    QCOMPARE(box.ListCount(), count);
    QCOMPARE(box.model()->rowCount(), count);
    QCOMPARE(box.List(0), QStringLiteral("IMG_00000.JPG"));
    QCOMPARE(box.List(count - 1), QStringLiteral("IMG_39999.JPG"));

    box.setListIndex(count - 1);
    QCOMPARE(box.ListIndex(), count - 1);
    QCOMPARE(box.FileName(), QStringLiteral("IMG_39999.JPG"));
    box.setListIndex(32768);
    QCOMPARE(box.ListIndex(), 32768);
    QCOMPARE(box.FileName(), QStringLiteral("IMG_32768.JPG"));
}

void tst_FileListBox::failureLeavesListAsItWas_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("errorNumber");

    QTest::newRow("refresh of a vanished folder") << "refresh" << ENOENT;
    QTest::newRow("path to a missing folder") << "missing" << ENOENT;
    QTest::newRow("path to a file") << "file" << ENOTDIR;
}

void tst_FileListBox::failureLeavesListAsItWas()
{
    QFETCH(QString, how);
    QFETCH(int, errorNumber);

    ScratchFolder dir;
    QVERIFY(dir.isValid());
    QVERIFY(dir.makeFolder("pics"));
    for (const char *name : {"pics/a.jpg", "pics/b.jpg", "pics/c.nef", "not-a-folder"})
        QVERIFY(dir.touch(name));
    const QString folder = dir.path() + QStringLiteral("/pics");

    FileListBox box(dir.path());
    box.setPattern(QStringLiteral("*.jpg"));
    box.setPath(folder);
    box.setListIndex(1);
    QSignalSpy clicks(&box, &FileListBox::Click);

    if (how == u"refresh") {
        for (const char *name : {"pics/a.jpg", "pics/b.jpg", "pics/c.nef"})
            QCOMPARE(::unlink(dir.at(name)), 0);
        QCOMPARE(::rmdir(dir.at("pics")), 0);
    }
    try {
        if (how == u"refresh")
            box.Refresh();
        else if (how == u"missing")
            box.setPath(dir.path() + QStringLiteral("/no such folder"));
        else
            box.setPath(dir.path() + QStringLiteral("/not-a-folder"));
        QFAIL("no FolderError");
    } catch (const FolderError &error) {
        QCOMPARE(error.errorNumber(), errorNumber);
    }

    QCOMPARE(box.Path(), folder);
    QCOMPARE(box.Pattern(), QStringLiteral("*.jpg"));
    QCOMPARE(listedNames(box), QStringList({"a.jpg", "b.jpg"}));
    QCOMPARE(shownNames(box), QStringList({"a.jpg", "b.jpg"}));
    QCOMPARE(box.ListCount(), 2);
    QCOMPARE(box.ListIndex(), 1);
    QCOMPARE(box.FileName(), QStringLiteral("b.jpg"));
    QCOMPARE(clicks.count(), 0);
}

// The list must only hold what its pattern takes: the trim moves what the
// RAW list holds and names the pattern in its question. So a new pattern
// holds even in a folder that can't be read, and the entries of the last
// reading that it does not take are dropped.
void tst_FileListBox::patternHoldsWhenTheFolderCantBeRead_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("kept");

    QTest::newRow("another kind") << "*.nef" << QStringList();
    QTest::newRow("the same kind") << "*.JPG" << QStringList({"a.jpg", "b.jpg"});
    QTest::newRow("a narrower one") << "b.*" << QStringList({"b.jpg"});
}

void tst_FileListBox::patternHoldsWhenTheFolderCantBeRead()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, kept);

    ScratchFolder dir;
    QVERIFY(dir.isValid());
    QVERIFY(dir.makeFolder("pics"));
    for (const char *name : {"pics/a.jpg", "pics/b.jpg", "pics/c.nef"})
        QVERIFY(dir.touch(name));
    const QString folder = dir.path() + QStringLiteral("/pics");

    FileListBox box(dir.path());
    box.setPattern(QStringLiteral("*.jpg"));
    box.setPath(folder);
    QVERIFY(::rename(dir.at("pics"), dir.at("away")) == 0);
    try {
        box.setPattern(pattern);
        QFAIL("no FolderError");
    } catch (const FolderError &error) {
        QCOMPARE(error.errorNumber(), ENOENT);
    }
    QCOMPARE(box.Path(), folder);
    QCOMPARE(box.Pattern(), pattern);
    QCOMPARE(listedNames(box), kept);
    QCOMPARE(shownNames(box), kept);
    QCOMPARE(box.ListCount(), int(kept.size()));

    // Once the folder is back, the next reading goes by the new pattern.
    QVERIFY(::rename(dir.at("away"), dir.at("pics")) == 0);
    box.Refresh();
    QCOMPARE(box.Pattern(), pattern);
    QCOMPARE(listedNames(box).size(), pattern == u"*.nef" ? 1 : int(kept.size()));
}

QTEST_MAIN(tst_FileListBox)
#include "tst_FileListBox.moc"
