#include "files/FileNames.h"
#include "files/FolderError.h"
#include "files/FolderList.h"
#include "support/core/ScratchFolder.h"
#include "support/core/UnprivilegedUser.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using quorvel::files::FolderError;
using quorvel::files::FolderIdentity;
using quorvel::files::FolderList;
using quorvel::test::ScratchFolder;

namespace {

constexpr char childSwitch[] = "--unreadable-as-child";

FolderIdentity identityOf(const QByteArray &folder)
{
    struct stat status = {};
    if (::stat(folder.constData(), &status) != 0)
        return {};
    return {quint64(status.st_dev), quint64(status.st_ino)};
}

// As the unprivileged user: lists folder (which the user owns) with "*.jpg",
// takes its own right to read a folder away, and makes the change named,
// which must fail and leave the list as its row says. Exit status 0 when it
// did.
int unreadableAsChild(const QString &change, const QString &folder)
{
    FolderList list(folder);
    list.setPattern(QStringLiteral("*.jpg"));
    const QStringList before = list.names().toStringList();
    const FolderIdentity identity = list.folderIdentity();
    if (before != QStringList{"a.jpg", "b.jpg"})
        return 10;
    // The folder listed, or the one it is to move into, may be entered but
    // not read.
    const QString locked = change == u"path" ? folder + QStringLiteral("/sub") : folder;
    if (::chmod(QFile::encodeName(locked).constData(), 0311) != 0)
        return 11;
    QStringList expected = before;
    try {
        if (change == u"refresh") {
            list.refresh();
        } else if (change == u"pattern") {
            expected = QStringList{"a.jpg"};
            list.setPattern(QStringLiteral("a*"));
        } else {
            list.setPath(folder + QStringLiteral("/sub"));
        }
        return 1; // read all the same
    } catch (const FolderError &) {
    }
    if (list.names().toStringList() != expected)
        return 2;
    if (list.path() != folder || list.folderIdentity() != identity)
        return 3;
    return 0;
}

} // namespace

class tst_FolderList : public QObject
{
    Q_OBJECT

private slots:
    void reading_data();
    void reading();
    void unreadableAsUnprivilegedUser_data();
    void unreadableAsUnprivilegedUser();
};

void tst_FolderList::reading_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("fails");
    // The folder read when the change is done: the one first read, or
    // another one now at its path.
    QTest::addColumn<bool>("sameFolder");
    QTest::addColumn<int>("resets");
    QTest::addColumn<int>("removedRow");
    const QStringList listed{"a.jpg", "b.JPG", "c.jpg"};

    QTest::newRow("read again") << "refresh" << listed << false << true << 1 << -1;
    QTest::newRow("a file added") << "add" << listed + QStringList{"d.jpg"} << false << true << 1
                                  << -1;
    QTest::newRow("pattern changes")
        << "pattern *.nef" << QStringList{"a.nef"} << false << true << 1 << -1;
    QTest::newRow("folder replaced")
        << "replace" << QStringList{"x.jpg"} << false << false << 1 << -1;
    QTest::newRow("folder gone") << "remove folder" << listed << true << true << 0 << -1;
    QTest::newRow("pattern changes, folder gone")
        << "remove folder, pattern b*" << QStringList{"b.JPG"} << true << true << 1 << -1;
    QTest::newRow("pattern changes, folder gone, all kept")
        << "remove folder, pattern *.jpg" << listed << true << true << 0 << -1;
    QTest::newRow("a row removed")
        << "remove row 1" << QStringList{"a.jpg", "c.jpg"} << false << true << 0 << 1;
    QTest::newRow("the last row removed")
        << "remove row 2" << QStringList{"a.jpg", "b.JPG"} << false << true << 0 << 2;
    QTest::newRow("a row outside") << "remove row 3" << listed << false << true << 0 << -1;
    QTest::newRow("another folder")
        << "path sub" << QStringList{"in-sub.jpg"} << false << false << 1 << -1;
}

void tst_FolderList::reading()
{
    QFETCH(QString, change);
    QFETCH(QStringList, names);
    QFETCH(bool, fails);
    QFETCH(bool, sameFolder);
    QFETCH(int, resets);
    QFETCH(int, removedRow);

    ScratchFolder scratch;
    QVERIFY(scratch.makeFolder("card"));
    for (const QByteArray name : {"card/a.jpg", "card/b.JPG", "card/c.jpg", "card/a.nef"})
        QVERIFY(scratch.touch(name));
    QVERIFY(scratch.makeFolder("card/sub"));
    QVERIFY(scratch.touch("card/sub/in-sub.jpg"));
    const QString card = scratch.path() + QStringLiteral("/card");
    FolderList list(scratch.path());
    list.setPath(QStringLiteral("card"));
    list.setPattern(QStringLiteral("*.jpg"));
    QCOMPARE(list.path(), card);
    QCOMPARE(list.folderIdentity(), identityOf(scratch.at("card")));
    const FolderIdentity first = list.folderIdentity();
    list.setMarkedRows({0, 2}, {{2, QStringLiteral("+ c.xmp")}});

    QSignalSpy reset(&list, &FolderList::modelReset);
    QSignalSpy removed(&list, &FolderList::rowsRemoved);
    bool failed = false;
    try {
        if (change == u"refresh") {
            list.refresh();
        } else if (change == u"add") {
            QVERIFY(scratch.touch("card/d.jpg"));
            list.refresh();
        } else if (change.startsWith(u"pattern ")) {
            list.setPattern(change.section(u' ', 1));
        } else if (change == u"replace") {
            QVERIFY(QFile::rename(card, scratch.path() + QStringLiteral("/old")));
            QVERIFY(scratch.makeFolder("card"));
            QVERIFY(scratch.touch("card/x.jpg"));
            list.refresh();
        } else if (change.startsWith(u"remove folder")) {
            QVERIFY(QFile::rename(card, scratch.path() + QStringLiteral("/gone")));
            if (change.contains(u"pattern"))
                list.setPattern(change.section(u' ', -1));
            else
                list.refresh();
        } else if (change.startsWith(u"remove row ")) {
            list.removeName(change.section(u' ', -1).toInt());
        } else if (change == u"path sub") {
            list.setPath(QStringLiteral("sub"));
        }
    } catch (const FolderError &) {
        failed = true;
    }
    QCOMPARE(failed, fails);
    QCOMPARE(list.names().toStringList(), names);
    QCOMPARE(list.count(), names.size());
    QCOMPARE(list.rowCount(), names.size());
    for (int row = 0; row < names.size(); ++row)
        QCOMPARE(list.data(list.index(row)).toString(), names[row]);
    QCOMPARE(reset.count(), resets);
    QCOMPARE(removed.count(), removedRow < 0 ? 0 : 1);
    if (removedRow >= 0) {
        QCOMPARE(removed.first().at(1).toInt(), removedRow);
        QCOMPARE(removed.first().at(2).toInt(), removedRow);
        // The marks move with their names.
        std::vector<int> marked;
        for (int row : {0, 2}) {
            if (row != removedRow)
                marked.push_back(row > removedRow ? row - 1 : row);
        }
        QCOMPARE(list.markedRows(), marked);
        const int noted = removedRow < 2 ? 1 : -1;
        for (int row = 0; row < list.count(); ++row)
            QCOMPARE(list.markNote(row), row == noted ? QStringLiteral("+ c.xmp") : QString());
        if (noted >= 0)
            QCOMPARE(list.data(list.index(noted), FolderList::markRole).toString(),
                     QStringLiteral("+ c.xmp"));
    }
    if (sameFolder) {
        QCOMPARE(list.folderIdentity(), first);
    } else {
        QVERIFY(list.folderIdentity() != first);
        QCOMPARE(list.folderIdentity(), identityOf(QFile::encodeName(list.path())));
    }
    QCOMPARE(list.path(), change == u"path sub" ? card + QStringLiteral("/sub") : card);
}

void tst_FolderList::unreadableAsUnprivilegedUser_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("read again") << "refresh";
    QTest::newRow("pattern changes: names it does not take dropped") << "pattern";
    QTest::newRow("a folder inside") << "path";
}

// Root reads every folder: the list runs as the unprivileged user in a copy
// of this program, on a folder of that user's.
void tst_FolderList::unreadableAsUnprivilegedUser()
{
    QFETCH(QString, change);
    if (const QString why = quorvel::test::UnprivilegedUser::unavailable(); !why.isEmpty())
        QSKIP(qPrintable(why));
    ScratchFolder scratch;
    QVERIFY(::chmod(QFile::encodeName(scratch.path()).constData(), 0755) == 0);
    QVERIFY(scratch.makeFolder("card"));
    QVERIFY(scratch.makeFolder("card/sub"));
    for (const QByteArray name : {"card/a.jpg", "card/b.jpg", "card/c.nef", "card/sub/s.jpg"})
        QVERIFY(scratch.touch(name));
    for (const QByteArray name : {"card", "card/sub"}) {
        QVERIFY(::chown(scratch.at(name).constData(), quorvel::test::UnprivilegedUser::id,
                        quorvel::test::UnprivilegedUser::group) == 0);
    }
    const QString program = scratch.path() + QStringLiteral("/lister");
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    QVERIFY(QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadOther | QFileDevice::ExeOther));
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    quorvel::test::UnprivilegedUser::start(
        child, program,
        {QString::fromLatin1(childSwitch), change, scratch.path() + QStringLiteral("/card")});
    QVERIFY2(child.waitForFinished(60000), qPrintable(child.errorString()));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
}

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], childSwitch) == 0) {
        QCoreApplication app(argc, argv);
        return unreadableAsChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QCoreApplication app(argc, argv);
    tst_FolderList test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_FolderList.moc"
