#include "files/Volume.h"
#include "files/VolumeTable.h"
#include "support/core/ScratchFolder.h"
#include "ui/DirListBox.h"
#include "ui/DriveListBox.h"

#include <QSignalSpy>
#include <QTest>

using quorvel::files::Volume;
using quorvel::files::VolumeTable;
using quorvel::test::ScratchFolder;
using quorvel::ui::DirListBox;
using quorvel::ui::DriveListBox;

class tst_DriveListBox : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listsTheVolumesOnTheCurrentOne();
    void writingADriveRaisesChange();
    void userChoiceRaisesChange();
    void driveMovesFolderListToItsFolder();

private:
    ScratchFolder *m_cardA = nullptr;
    ScratchFolder *m_cardB = nullptr;
    Volume m_root;
    Volume m_a;
    Volume m_b;
};

void tst_DriveListBox::init()
{
    m_cardA = new ScratchFolder;
    m_cardB = new ScratchFolder;
    QVERIFY(m_cardA->makeFolder("DCIM"));
    QVERIFY(m_cardB->makeFolder("DCIM"));
    m_root = {QStringLiteral("/"), {}};
    m_a = {m_cardA->path(), QStringLiteral("CARD A")};
    m_b = {m_cardB->path(), {}};
}

void tst_DriveListBox::cleanup()
{
    delete m_cardA;
    delete m_cardB;
}

void tst_DriveListBox::listsTheVolumesOnTheCurrentOne()
{
    // The list starts on the volume of the folder it starts in.
    VolumeTable volumes({m_root, m_a, m_b});
    DriveListBox drives(volumes, m_cardB->path() + QStringLiteral("/DCIM"));

    QCOMPARE(drives.count(), 3);
    QCOMPARE(drives.itemText(0), QStringLiteral("/"));
    QVERIFY(drives.itemText(1).contains(m_a.mountPoint));
    QVERIFY(drives.itemText(1).contains(QStringLiteral("CARD A")));
    QCOMPARE(drives.itemText(2), m_b.mountPoint);
    QCOMPARE(drives.Drive().mountPoint, m_b.mountPoint);

    DriveListBox onA(volumes, m_cardA->path());
    QCOMPARE(onA.Drive().mountPoint, m_a.mountPoint);
    QCOMPARE(onA.Drive().label, QStringLiteral("CARD A"));
}

void tst_DriveListBox::writingADriveRaisesChange()
{
    VolumeTable volumes({m_root, m_a, m_b});
    DriveListBox drives(volumes, m_cardA->path());
    QList<QString> driveAtChange;
    connect(&drives, &DriveListBox::Change, this,
            [&] { driveAtChange.append(drives.Drive().mountPoint); });

    drives.setDrive(m_b);
    QCOMPARE(driveAtChange, QList<QString>({m_b.mountPoint}));
    QCOMPARE(drives.Drive().mountPoint, m_b.mountPoint);

    // The same drive again, or one that is not listed, is no change.
    drives.setDrive(m_b);
    drives.setDrive(Volume{QStringLiteral("/media/nothing"), {}});
    QCOMPARE(driveAtChange.size(), 1);
    QCOMPARE(drives.Drive().mountPoint, m_b.mountPoint);

    drives.setDrive(m_root);
    QCOMPARE(driveAtChange, QList<QString>({m_b.mountPoint, QStringLiteral("/")}));
}

void tst_DriveListBox::userChoiceRaisesChange()
{
    VolumeTable volumes({m_root, m_a, m_b});
    DriveListBox drives(volumes, m_cardA->path());
    drives.show();
    QVERIFY(QTest::qWaitForWindowExposed(&drives));
    QSignalSpy changes(&drives, &DriveListBox::Change);

    drives.setFocus();
    QTest::keyClick(&drives, Qt::Key_Down);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(drives.Drive().mountPoint, m_b.mountPoint);
    QTest::keyClick(&drives, Qt::Key_Home);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(drives.Drive().mountPoint, QStringLiteral("/"));
}

// What the main window does on a drive change: writing the drive to a folder
// list moves it to that drive's current folder, nested inside the write.
void tst_DriveListBox::driveMovesFolderListToItsFolder()
{
    VolumeTable volumes({m_root, m_a, m_b});
    DriveListBox drives(volumes, m_cardA->path());
    DirListBox folders(volumes, m_cardA->path());
    QCOMPARE(folders.Path(), m_cardA->path());

    QStringList steps;
    connect(&drives, &DriveListBox::Change, this, [&] {
        steps.append(QStringLiteral("drive"));
        folders.setPath(drives.Drive());
        steps.append(QStringLiteral("drive done"));
    });
    connect(&folders, &DirListBox::Change, this,
            [&] { steps.append(QStringLiteral("folder ") + folders.Path()); });

    folders.setPath(m_cardA->path() + QStringLiteral("/DCIM"));
    steps.clear();

    // A drive not visited yet: its root.
    drives.setDrive(m_b);
    QCOMPARE(steps, QStringList({"drive", "folder " + m_cardB->path(), "drive done"}));
    folders.setPath(m_cardB->path() + QStringLiteral("/DCIM"));

    // Back to the first drive: the folder last visited on it.
    steps.clear();
    drives.setDrive(m_a);
    QCOMPARE(steps, QStringList({"drive", "folder " + m_cardA->path() + "/DCIM", "drive done"}));
    QCOMPARE(folders.Path(), m_cardA->path() + QStringLiteral("/DCIM"));

    drives.setDrive(m_b);
    QCOMPARE(folders.Path(), m_cardB->path() + QStringLiteral("/DCIM"));
}

QTEST_MAIN(tst_DriveListBox)
#include "tst_DriveListBox.moc"
