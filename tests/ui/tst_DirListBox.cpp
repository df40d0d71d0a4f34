#include "files/FolderError.h"
#include "files/Volume.h"
#include "files/VolumeTable.h"
#include "support/core/ScratchFolder.h"
#include "ui/DirListBox.h"

#include <cerrno>
#include <QDir>
#include <QSignalSpy>
#include <QTest>

using quorvel::files::FolderError;
using quorvel::files::Volume;
using quorvel::files::VolumeTable;
using quorvel::test::ScratchFolder;
using quorvel::ui::DirListBox;

namespace {

QStringList shownNames(const DirListBox &box)
{
    QStringList names;
    for (int row = 0; row < box.count(); ++row)
        names.append(box.item(row)->text().trimmed());
    return names;
}

int rowOf(const DirListBox &box, const QString &name)
{
    return int(shownNames(box).indexOf(name));
}

// The names along path from the root: "/", then each folder.
QStringList chainOf(const QString &path)
{
    QStringList chain = path.split(u'/', Qt::SkipEmptyParts);
    chain.prepend(QStringLiteral("/"));
    return chain;
}

} // namespace

class tst_DirListBox : public QObject
{
    Q_OBJECT

private slots:
    void showsAncestorsThenVisibleSubfolders();
    void changeIsRaisedInsideTheWrite();
    void nestedChangesRunInOrder();
    void openingAnEntryMovesThere();
    void failureLeavesListWhereItWas_data();
    void failureLeavesListWhereItWas();
    void volumesRememberTheirFolders();
};

void tst_DirListBox::showsAncestorsThenVisibleSubfolders()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    for (const char *name :
         {"pics", "pics/B", "pics/a", "pics/.git", "pics/.thumbnails", "pics/c d", "pics/x.jpg"}) {
        QVERIFY(dir.makeFolder(name));
    }
    QVERIFY(dir.touch("pics/photo.jpg"));
    QVERIFY(dir.touch("pics/.hidden"));

    VolumeTable volumes({{QStringLiteral("/"), {}}});
    DirListBox box(volumes, dir.path());
    const QString pics = dir.path() + QStringLiteral("/pics");
    box.setPath(pics);

    QCOMPARE(box.Path(), pics);
    const QStringList ancestors = chainOf(pics);
    QCOMPARE(shownNames(box), ancestors + QStringList({"a", "B", "c d", "x.jpg"}));
    QCOMPARE(box.currentRow(), ancestors.size() - 1);
    // Each level sits deeper than the one above it; subfolders deeper still.
    const auto indent = [&](int row) {
        const QString text = box.item(row)->text();
        return text.size() - text.trimmed().size();
    };
    for (int row = 1; row < ancestors.size(); ++row)
        QVERIFY(indent(row) > indent(row - 1));
    QVERIFY(indent(int(ancestors.size())) > indent(int(ancestors.size()) - 1));

    box.setPath(QStringLiteral("/"));
    QCOMPARE(box.Path(), QStringLiteral("/"));
    QCOMPARE(box.item(0)->text().trimmed(), QStringLiteral("/"));
}

void tst_DirListBox::changeIsRaisedInsideTheWrite()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    QVERIFY(dir.makeFolder("pics"));
    QVERIFY(dir.makeFolder("pics/day1"));
    const QString pics = dir.path() + QStringLiteral("/pics");

    VolumeTable volumes({{QStringLiteral("/"), {}}});
    DirListBox box(volumes, dir.path());
    box.setPath(pics);

    bool writing = false;
    QList<QPair<bool, QString>> changes;
    connect(&box, &DirListBox::Change, this, [&] { changes.append({writing, box.Path()}); });

    writing = true;
    box.setPath(pics + QStringLiteral("/day1"));
    writing = false;
    QCOMPARE(changes, (QList<QPair<bool, QString>>{{true, pics + QStringLiteral("/day1")}}));

    // The same folder, however written, is no change.
    changes.clear();
    box.setPath(pics + QStringLiteral("/day1"));
    box.setPath(pics + QStringLiteral("/day1/."));
    box.setPath(pics + QStringLiteral("/day1/../day1/"));
    QVERIFY(changes.isEmpty());

    // A relative path is taken from the current folder.
    writing = true;
    box.setPath(QStringLiteral(".."));
    writing = false;
    QCOMPARE(changes, (QList<QPair<bool, QString>>{{true, pics}}));
}

// Writing one list's Path inside another's Change runs the inner Change
// before the outer handler goes on.
void tst_DirListBox::nestedChangesRunInOrder()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    QVERIFY(dir.makeFolder("one"));
    QVERIFY(dir.makeFolder("two"));

    VolumeTable volumes({{QStringLiteral("/"), {}}});
    DirListBox first(volumes, dir.path());
    DirListBox second(volumes, dir.path());
    first.setPath(dir.path());
    second.setPath(dir.path());

    QStringList steps;
    connect(&first, &DirListBox::Change, this, [&] {
        steps.append(QStringLiteral("first begins"));
        second.setPath(first.Path());
        steps.append(QStringLiteral("first ends"));
    });
    connect(&second, &DirListBox::Change, this,
            [&] { steps.append(QStringLiteral("second: ") + second.Path()); });

    first.setPath(dir.path() + QStringLiteral("/one"));
    steps.append(QStringLiteral("write returned"));
    QCOMPARE(steps, QStringList({"first begins", "second: " + dir.path() + "/one", "first ends",
                                 "write returned"}));
}

void tst_DirListBox::openingAnEntryMovesThere()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    QVERIFY(dir.makeFolder("pics"));
    QVERIFY(dir.makeFolder("pics/day1"));
    QVERIFY(dir.makeFolder("pics/day2"));
    const QString pics = dir.path() + QStringLiteral("/pics");

    VolumeTable volumes({{QStringLiteral("/"), {}}});
    DirListBox box(volumes, dir.path());
    box.setPath(pics);
    box.resize(300, 600);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy changes(&box, &DirListBox::Change);

    // Moving the selection alone changes nothing.
    box.setFocus();
    box.setCurrentRow(rowOf(box, QStringLiteral("day2")));
    QTest::keyClick(&box, Qt::Key_Up);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(box.Path(), pics);

    box.setCurrentRow(rowOf(box, QStringLiteral("day2")));
    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(box.Path(), pics + QStringLiteral("/day2"));

    // Back up to an ancestor by double-clicking it.
    const int picsRow = rowOf(box, QStringLiteral("pics"));
    QVERIFY(picsRow > 0);
    const QPoint onPics = box.visualItemRect(box.item(picsRow)).center();
    QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, onPics);
    QCOMPARE(changes.count(), 1); // a single click only selects
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, {}, onPics);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(box.Path(), pics);

    box.setCurrentRow(rowOf(box, QStringLiteral("day1")));
    QTest::keyClick(&box, Qt::Key_Enter);
    QCOMPARE(changes.count(), 3);
    QCOMPARE(box.Path(), pics + QStringLiteral("/day1"));

    // Opening the folder it is on is no change.
    box.setCurrentRow(rowOf(box, QStringLiteral("day1")));
    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(changes.count(), 3);
}

void tst_DirListBox::failureLeavesListWhereItWas_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<int>("errorNumber");

    QTest::newRow("missing folder") << QByteArray("gone") << ENOENT;
    QTest::newRow("a file") << QByteArray("file.jpg") << ENOTDIR;
    QTest::newRow("dangling link") << QByteArray("dangling") << ENOENT;
}

void tst_DirListBox::failureLeavesListWhereItWas()
{
    QFETCH(QByteArray, target);
    QFETCH(int, errorNumber);

    ScratchFolder dir;
    QVERIFY(dir.isValid());
    QVERIFY(dir.makeFolder("pics"));
    QVERIFY(dir.makeFolder("pics/day1"));
    QVERIFY(dir.touch("file.jpg"));
    QVERIFY(::symlink("nowhere", dir.at("dangling")) == 0);
    const QString pics = dir.path() + QStringLiteral("/pics");

    VolumeTable volumes({{QStringLiteral("/"), {}}});
    DirListBox box(volumes, dir.path());
    box.setPath(pics);
    const QStringList before = shownNames(box);
    QSignalSpy changes(&box, &DirListBox::Change);

    try {
        box.setPath(dir.path() + u'/' + QString::fromLatin1(target));
        QFAIL("no FolderError");
    } catch (const FolderError &error) {
        QCOMPARE(error.errorNumber(), errorNumber);
    }
    QCOMPARE(box.Path(), pics);
    QCOMPARE(shownNames(box), before);
    QCOMPARE(changes.count(), 0);
    QCOMPARE(volumes.currentFolder(volumes.volumeOf(pics)), pics);
}

// Each volume keeps the last folder a list visited on it; writing a volume
// goes back there, or to its root when none was visited yet.
void tst_DirListBox::volumesRememberTheirFolders()
{
    ScratchFolder cardA;
    ScratchFolder cardB;
    QVERIFY(cardA.isValid() && cardB.isValid());
    QVERIFY(cardA.makeFolder("DCIM"));
    QVERIFY(cardA.makeFolder("DCIM/100NIKON"));
    QVERIFY(cardB.makeFolder("pictures"));
    const Volume root{QStringLiteral("/"), {}};
    const Volume a{cardA.path(), QStringLiteral("CARD A")};
    const Volume b{cardB.path(), QStringLiteral("CARD B")};
    VolumeTable volumes({root, a, b});

    // Both open on the root volume, which is neither card.
    DirListBox box(volumes, QDir::rootPath());
    DirListBox other(volumes, QDir::rootPath());
    QSignalSpy changes(&box, &DirListBox::Change);

    box.setPath(b);
    QCOMPARE(box.Path(), cardB.path());
    QCOMPARE(changes.count(), 1);

    box.setPath(cardA.path() + QStringLiteral("/DCIM/100NIKON"));
    QCOMPARE(volumes.currentFolder(a), cardA.path() + QStringLiteral("/DCIM/100NIKON"));
    QCOMPARE(volumes.currentFolder(b), cardB.path());

    box.setPath(cardB.path() + QStringLiteral("/pictures"));
    QCOMPARE(volumes.currentFolder(b), cardB.path() + QStringLiteral("/pictures"));
    QCOMPARE(volumes.currentFolder(a), cardA.path() + QStringLiteral("/DCIM/100NIKON"));

    changes.clear();
    box.setPath(a);
    QCOMPARE(box.Path(), cardA.path() + QStringLiteral("/DCIM/100NIKON"));
    QCOMPARE(changes.count(), 1);

    // The other list shares the volumes' folders.
    other.setPath(b);
    QCOMPARE(other.Path(), cardB.path() + QStringLiteral("/pictures"));

    // Writing the volume the list is on, at its current folder, is no change.
    changes.clear();
    box.setPath(a);
    QCOMPARE(changes.count(), 0);
}

QTEST_MAIN(tst_DirListBox)
#include "tst_DirListBox.moc"
