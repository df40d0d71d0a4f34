#include "files/FileNames.h"
#include "platform/linux/TrashInfo.h"
#include "platform/Trash.h"
#include "support/core/ByteFiles.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/OpenGate.h"
#include "support/core/UnprivilegedUser.h"
#include "trimming/RecycleFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <QDateTime>
#include <QDir>
#include <QMap>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quorvel;
using quorvel::test::entries;
using quorvel::test::errorName;
using quorvel::test::exists;
using quorvel::test::infoValue;
using quorvel::test::readFile;
using quorvel::test::realPath;
using quorvel::test::removeTree;
using quorvel::test::statOf;
using quorvel::test::writeFile;

namespace {

constexpr uid_t nobody = quorvel::test::UnprivilegedUser::id;

int recycle(const QByteArray &path, platform::TrashedFile *where = nullptr)
{
    test::FakeMessageBox messages;
    const int result = trimming::RecycleFile(files::decodeFileName(path), false, messages, where);
    if (messages.count() != 0)
        qWarning("RecycleFile showed a message without being asked to confirm");
    return result;
}

// Every entry of a trash's files/ and info/ with its bytes, a symlink with
// where it leads: what a refused restore must leave exactly as it found.
QMap<QByteArray, QByteArray> trashContents(const QByteArray &trash)
{
    QMap<QByteArray, QByteArray> contents;
    for (const QByteArray folder : {"/files/", "/info/"}) {
        for (const QByteArray &name : entries(trash + folder)) {
            const QByteArray path = trash + folder + name;
            char target[PATH_MAX];
            const ssize_t length = ::readlink(path.constData(), target, sizeof target);
            contents.insert(folder + name,
                            length >= 0 ? "-> " + QByteArray(target, length) : readFile(path));
        }
    }
    return contents;
}

// Hears every entry made, removed, renamed or written in folders, so that a
// test can tell that nothing moved there even for a moment and came back. A
// folder that is not there is not watched.
int watchEntries(const QByteArrayList &folders)
{
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    for (const QByteArray &folder : folders) {
        if (fd >= 0)
            ::inotify_add_watch(fd, folder.constData(),
                                IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY);
    }
    return fd;
}

// What watchEntries heard since, in bytes of events: 0 when nothing.
ssize_t heardEntries(int fd)
{
    alignas(inotify_event) char events[4096];
    const ssize_t got = ::read(fd, events, sizeof events);
    return got < 0 && errno == EAGAIN ? 0 : got;
}

} // namespace

#define QCOMPARE_ERRNO(actual, expected) QCOMPARE(errorName(actual), errorName(expected))

class tst_RecycleFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void trashesFileIntoHomeTrash();
    void awkwardNames_data();
    void awkwardNames();
    void collisionsKeepExtension();
    void neverReplacesWhatIsInTheTrash();
    void relativePathIsStoredAbsolute();
    void trashesSymlinkItself_data();
    void trashesSymlinkItself();
    void failsWithoutTrace_data();
    void failsWithoutTrace();
    void asksFirstWhenToldTo_data();
    void asksFirstWhenToldTo();
    void fileVanishesWhileAsking();
    void movesOnlyTheFileSeen_data();
    void movesOnlyTheFileSeen();
    void batchFollowsChangesBetweenFiles_data();
    void batchFollowsChangesBetweenFiles();

    void permissionFailures_data();
    void permissionFailures();

    void otherVolumeUsesItsOwnTrash_data();
    void otherVolumeUsesItsOwnTrash();
    void symlinkedFolderLeadsToTheVolume();
    void restoresWhatItTrashed_data();
    void restoresWhatItTrashed();
    void bindMountUsesItsOwnTrash();
    void refusesUnsafeVolumeTrash_data();
    void refusesUnsafeVolumeTrash();
    void readOnlyVolume();
    void fullVolume();

    void trashCliListsAndRestores_data();
    void trashCliListsAndRestores();

private:
    QByteArray homeTrash() const { return m_root + "/data/Trash"; }
    QByteArray makeFolder(const QByteArray &relative, mode_t mode = 0755);
    QString mountTmpfs(const QByteArray &where, const char *options);
    int runAsNobody(const QByteArray &path, const QByteArray &dataHome);
    // Trashes path in the helper process, as the unprivileged user or as we
    // are, started in workingFolder when one is given.
    int recycleInChild(const QByteArray &path, const QByteArray &dataHome,
                       const QByteArray &workingFolder, bool unprivileged);
    QByteArray runTrashCli(const QString &command, const QStringList &arguments,
                           const QByteArray &workingFolder, const QByteArray &input, int &exitCode);

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_root;
    QByteArrayList m_mounts;
    QByteArray m_uid;
};

void tst_RecycleFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = realPath(QFile::encodeName(m_dir->path()));
    // Open to the unprivileged user of the permission tests.
    QCOMPARE(::chmod(m_root.constData(), 0755), 0);
    qputenv("XDG_DATA_HOME", m_root + "/data");
    m_uid = QByteArray::number(::geteuid());
}

void tst_RecycleFile::cleanup()
{
    while (!m_mounts.isEmpty())
        ::umount2(m_mounts.takeLast().constData(), MNT_DETACH);
    if (m_dir)
        removeTree(m_root);
    m_dir.reset();
}

QByteArray tst_RecycleFile::makeFolder(const QByteArray &relative, mode_t mode)
{
    return quorvel::test::makeFolder(m_root, relative, mode);
}

// Returns why the volume could not be had, or nothing when it is mounted.
QString tst_RecycleFile::mountTmpfs(const QByteArray &where, const char *options)
{
    return quorvel::test::mountTmpfs(where, options, m_mounts);
}

int tst_RecycleFile::runAsNobody(const QByteArray &path, const QByteArray &dataHome)
{
    return recycleInChild(path, dataHome, QByteArray(), true);
}

int tst_RecycleFile::recycleInChild(const QByteArray &path, const QByteArray &dataHome,
                                    const QByteArray &workingFolder, bool unprivileged)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), QFile::decodeName(dataHome));
    environment.insert(QStringLiteral("HOME"), QFile::decodeName(dataHome));
    process.setProcessEnvironment(environment);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(QFile::decodeName(workingFolder));
    const QStringList helper = {QStringLiteral(QUORVEL_TRASH_AS_USER), QFile::decodeName(path)};
    if (unprivileged) {
        test::UnprivilegedUser::start(process, helper.first(), helper.mid(1));
    } else {
        process.start(helper.first(), helper.mid(1));
    }
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning() << "helper failed:" << process.errorString() << process.readAllStandardError();
        return -1;
    }
    const QByteArray err = process.readAllStandardError();
    if (!err.isEmpty())
        qWarning() << "helper said:" << err;
    bool ok = false;
    const int result = process.readAllStandardOutput().trimmed().toInt(&ok);
    return ok ? result : -1;
}

QByteArray tst_RecycleFile::runTrashCli(const QString &command, const QStringList &arguments,
                                        const QByteArray &workingFolder, const QByteArray &input,
                                        int &exitCode)
{
    return quorvel::test::runTrashCli(m_root, command, arguments, workingFolder, input, exitCode);
}

void tst_RecycleFile::trashesFileIntoHomeTrash()
{
    const QByteArray file = makeFolder("DCIM") + "/IMG_0001.NEF";
    QVERIFY(writeFile(file, "raw picture"));
    const ino_t inode = statOf(file).st_ino;
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1000);

    QCOMPARE(recycle(file), 0);

    const QDateTime after = QDateTime::currentDateTime();
    QVERIFY(!exists(file));
    const QByteArray trashed = homeTrash() + "/files/IMG_0001.NEF";
    QCOMPARE(readFile(trashed), QByteArray("raw picture"));
    QCOMPARE(statOf(trashed).st_ino, inode);

    const QByteArray info = readFile(homeTrash() + "/info/IMG_0001.NEF.trashinfo");
    const QByteArrayList lines = info.split('\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QByteArray("[Trash Info]"));
    QCOMPARE(lines[1], "Path=" + file);
    QVERIFY(lines[2].startsWith("DeletionDate="));
    QCOMPARE(lines[3], QByteArray());
    const QDateTime deleted =
        QDateTime::fromString(QString::fromLatin1(infoValue(info, "DeletionDate")),
                              QStringLiteral("yyyy-MM-dd'T'hh:mm:ss"));
    QVERIFY2(deleted.isValid(), info.constData());
    QVERIFY(deleted >= before && deleted <= after);

    // The trash is the user's alone.
    QCOMPARE(statOf(homeTrash()).st_mode & 07777, mode_t(0700));
    QCOMPARE(statOf(homeTrash() + "/files").st_mode & 07777, mode_t(0700));
    QCOMPARE(statOf(homeTrash() + "/info").st_mode & 07777, mode_t(0700));
    QCOMPARE(statOf(homeTrash() + "/info/IMG_0001.NEF.trashinfo").st_mode & 0777, mode_t(0600));
}

void tst_RecycleFile::awkwardNames_data()
{
    QTest::addColumn<QByteArray>("name");
    // Moved by its name from the folder held open, as a trim moves it.
    QTest::addColumn<bool>("byFolder");

    QTest::newRow("space") << QByteArray("IMG 0001.NEF") << false;
    QTest::newRow("percent") << QByteArray("100% crop %41.NEF") << false;
    QTest::newRow("newline") << QByteArray("first\nsecond.NEF") << false;
    QTest::newRow("not utf-8") << QByteArray("caf\xe9 \xff\xfe.NEF") << false;
    QTest::newRow("utf-8") << QByteArray("\xc3\xa9t\xc3\xa9 \xe2\x82\xac.NEF") << false;
    QTest::newRow("250 bytes") << QByteArray(246, 'a') + ".NEF" << false;
    QTest::newRow("255 bytes") << QByteArray(251, 'b') + ".NEF" << false;
    QTest::newRow("255 bytes of 2-byte characters")
        << QByteArray("\xc3\xa9").repeated(125) + "x.NEF" << false;
    QTest::newRow("not utf-8, from a folder held open")
        << QByteArray("caf\xe9 \xff\xfe.NEF") << true;
    QTest::newRow("newline, from a folder held open") << QByteArray("first\nsecond.NEF") << true;
    QTest::newRow("255 bytes, from a folder held open") << QByteArray(251, 'b') + ".NEF" << true;
}

void tst_RecycleFile::awkwardNames()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, byFolder);
    const QByteArray folder = makeFolder("DCIM");
    const QByteArray file = folder + '/' + name;
    QVERIFY(writeFile(file, name));
    const ino_t inode = statOf(file).st_ino;

    platform::TrashedFile where;
    if (byFolder) {
        const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QVERIFY(folderFd >= 0);
        const auto closeFolder = qScopeGuard([folderFd] { ::close(folderFd); });
        QCOMPARE(platform::TrashSession().moveToTrash(folderFd, folder, name, where), 0);
    } else {
        QCOMPARE(recycle(file, &where), 0);
    }

    QVERIFY(!exists(file));
    const QByteArrayList files = entries(homeTrash() + "/files");
    QCOMPARE(files.size(), 1);
    const QByteArray inTrash = files.first();
    QCOMPARE(entries(homeTrash() + "/info"), QByteArrayList{inTrash + ".trashinfo"});
    QVERIFY(inTrash.endsWith(".NEF"));
    QVERIFY(inTrash.size() + 10 <= 255);
    if (name.size() + 10 <= 255)
        QCOMPARE(inTrash, name);
    QCOMPARE(readFile(homeTrash() + "/files/" + inTrash), name);

    // Shortened or not inside the trash, the file goes back under its own name.
    const QByteArray info = readFile(homeTrash() + "/info/" + inTrash + ".trashinfo");
    QCOMPARE(info.count('\n'), 3);
    QCOMPARE(platform::percentDecodePath(infoValue(info, "Path")), file);
    QCOMPARE(where.originalPath, file);

    // And it comes back under those bytes, the same file.
    QCOMPARE(platform::restoreFromTrash(where), 0);
    QCOMPARE(entries(folder), QByteArrayList{name});
    QCOMPARE(statOf(file).st_ino, inode);
    QCOMPARE(readFile(file), name);
    QCOMPARE(entries(homeTrash() + "/files"), QByteArrayList());
    QCOMPARE(entries(homeTrash() + "/info"), QByteArrayList());
}

void tst_RecycleFile::collisionsKeepExtension()
{
    const QByteArray file = makeFolder("DCIM") + "/IMG_0001.NEF";
    for (const char *content : {"first", "second", "third"}) {
        QVERIFY(writeFile(file, content));
        QCOMPARE(recycle(file), 0);
        QVERIFY(!exists(file));
    }

    QCOMPARE(entries(homeTrash() + "/files"),
             (QByteArrayList{"IMG_0001.2.NEF", "IMG_0001.3.NEF", "IMG_0001.NEF"}));
    QCOMPARE(readFile(homeTrash() + "/files/IMG_0001.NEF"), QByteArray("first"));
    QCOMPARE(readFile(homeTrash() + "/files/IMG_0001.2.NEF"), QByteArray("second"));
    QCOMPARE(readFile(homeTrash() + "/files/IMG_0001.3.NEF"), QByteArray("third"));
    for (const char *name : {"IMG_0001.NEF", "IMG_0001.2.NEF", "IMG_0001.3.NEF"}) {
        const QByteArray info = readFile(homeTrash() + "/info/" + name + ".trashinfo");
        QCOMPARE(infoValue(info, "Path"), file);
    }
}

void tst_RecycleFile::neverReplacesWhatIsInTheTrash()
{
    // A file in files/ without its info file, as a crash or another program
    // can leave it: still someone's file, and it must survive.
    makeFolder("data");
    makeFolder("data/Trash", 0700);
    makeFolder("data/Trash/files", 0700);
    makeFolder("data/Trash/info", 0700);
    QVERIFY(writeFile(homeTrash() + "/files/IMG_0002.NEF", "orphan"));
    const QByteArray file = makeFolder("DCIM") + "/IMG_0002.NEF";
    QVERIFY(writeFile(file, "new"));

    QCOMPARE(recycle(file), 0);

    QCOMPARE(readFile(homeTrash() + "/files/IMG_0002.NEF"), QByteArray("orphan"));
    QCOMPARE(readFile(homeTrash() + "/files/IMG_0002.2.NEF"), QByteArray("new"));
    QCOMPARE(entries(homeTrash() + "/info"), QByteArrayList{"IMG_0002.2.NEF.trashinfo"});
}

void tst_RecycleFile::relativePathIsStoredAbsolute()
{
    const QByteArray file = makeFolder("DCIM") + "/IMG_0003.NEF";
    QVERIFY(writeFile(file, "x"));
    // A relative path is relative to the working folder, which only a process
    // of its own may have elsewhere: the helper trashes it, started in m_root.
    const int result = recycleInChild("DCIM/../DCIM/IMG_0003.NEF", m_root + "/data", m_root, false);

    QCOMPARE(result, 0);
    const QByteArray info = readFile(homeTrash() + "/info/IMG_0003.NEF.trashinfo");
    QCOMPARE(infoValue(info, "Path"), file);
}

void tst_RecycleFile::trashesSymlinkItself_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<bool>("targetIsFolder");

    QTest::newRow("link to a file") << QByteArray("../originals/IMG_0004.NEF") << false;
    QTest::newRow("dangling link") << QByteArray("../originals/gone.NEF") << false;
    QTest::newRow("link to a folder") << QByteArray("../originals") << true;
}

void tst_RecycleFile::trashesSymlinkItself()
{
    QFETCH(QByteArray, target);
    QFETCH(bool, targetIsFolder);
    const QByteArray originals = makeFolder("originals");
    const QByteArray original = originals + "/IMG_0004.NEF";
    QVERIFY(writeFile(original, "the real picture"));
    const QByteArray link = makeFolder("DCIM") + "/IMG_0004.NEF";
    QCOMPARE(::symlink(target.constData(), link.constData()), 0);

    QCOMPARE(recycle(link), 0);

    QVERIFY(!exists(link));
    const QByteArray trashed = homeTrash() + "/files/IMG_0004.NEF";
    QVERIFY(S_ISLNK(statOf(trashed).st_mode));
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(trashed.constData(), buffer, sizeof buffer);
    QCOMPARE(QByteArray(buffer, qMax<ssize_t>(length, 0)), target);
    QCOMPARE(readFile(original), QByteArray("the real picture"));
    if (targetIsFolder)
        QCOMPARE(entries(originals), QByteArrayList{"IMG_0004.NEF"});
}

void tst_RecycleFile::failsWithoutTrace_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("error");
    // By name from the folder DCIM held open, which path then names as the
    // caller gives it: "{root}" stands for the test's folder.
    QTest::addColumn<bool>("byFolder");
    QTest::addColumn<QByteArray>("name");

    const auto row = [](const char *what, const char *path, int error) {
        QTest::newRow(what) << QByteArray(path) << error << false << QByteArray();
    };
    row("file gone", "DCIM/IMG_0009.NEF", ENOENT);
    row("folder gone", "gone/IMG_0001.NEF", ENOENT);
    row("through a file", "DCIM/IMG_0001.NEF/x", ENOTDIR);
    row("empty path", nullptr, ENOENT);
    row("file named as a folder", "DCIM/IMG_0001.NEF/", ENOTDIR);
    row("a folder", "DCIM", EISDIR);
    row("a folder named as one", "DCIM/", EISDIR);

    const auto held = [](const char *what, const char *folder, const char *name, int error) {
        QTest::newRow(what) << QByteArray(folder) << error << true << QByteArray(name);
    };
    held("held folder, empty name", "{root}/DCIM", "", EINVAL);
    held("held folder, name .", "{root}/DCIM", ".", EINVAL);
    held("held folder, name ..", "{root}/DCIM", "..", EINVAL);
    held("held folder, name through a folder", "{root}/DCIM", "a/b", EINVAL);
    held("held folder given by a relative path", "DCIM", "IMG_0001.NEF", EINVAL);
    held("held folder, file gone", "{root}/DCIM", "IMG_0009.NEF", ENOENT);
    held("held folder, a folder", "{root}/DCIM", "a", EISDIR);
}

void tst_RecycleFile::failsWithoutTrace()
{
    QFETCH(QByteArray, path);
    QFETCH(int, error);
    QFETCH(bool, byFolder);
    QFETCH(QByteArray, name);
    const QByteArray present = makeFolder("DCIM") + "/IMG_0001.NEF";
    QVERIFY(writeFile(present, "x"));
    const QByteArray below = makeFolder("DCIM/a") + "/b";
    QVERIFY(writeFile(below, "below"));
    // The trash exists already, so that a stray info file would show.
    QVERIFY(writeFile(makeFolder("DCIM") + "/warm-up", "x"));
    QCOMPARE(recycle(m_root + "/DCIM/warm-up"), 0);

    if (byFolder) {
        const int folderFd = ::open((m_root + "/DCIM").constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(folderFd >= 0);
        const auto closeFolder = qScopeGuard([folderFd] { ::close(folderFd); });
        platform::TrashedFile where;
        QCOMPARE_ERRNO(platform::TrashSession().moveToTrash(
                           folderFd, QByteArray(path).replace("{root}", m_root), name, where),
                       error);
    } else {
        QCOMPARE_ERRNO(recycle(path.isEmpty() ? path : m_root + '/' + path), error);
    }

    QCOMPARE(entries(m_root + "/DCIM"), (QByteArrayList{"IMG_0001.NEF", "a"}));
    QCOMPARE(entries(m_root + "/DCIM/a"), QByteArrayList{"b"});
    QCOMPARE(readFile(below), QByteArray("below"));
    QCOMPARE(readFile(present), QByteArray("x"));
    QCOMPARE(entries(homeTrash() + "/info"), QByteArrayList{"warm-up.trashinfo"});
    QCOMPARE(entries(homeTrash() + "/files"), QByteArrayList{"warm-up"});
}

void tst_RecycleFile::asksFirstWhenToldTo_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("result");

    QTest::newRow("no confirmation") << false << 0 << 0;
    QTest::newRow("answered Yes") << true << platform::IDYES << 0;
    QTest::newRow("answered No") << true << platform::IDNO << ECANCELED;
    QTest::newRow("box closed") << true << 0 << ECANCELED;
}

void tst_RecycleFile::asksFirstWhenToldTo()
{
    QFETCH(bool, confirm);
    QFETCH(int, answer);
    QFETCH(int, result);
    const QByteArray file = makeFolder("DCIM") + "/IMG_0005.NEF";
    QVERIFY(writeFile(file, "x"));
    test::FakeMessageBox messages;
    if (answer != 0)
        messages.answer(answer);

    QCOMPARE_ERRNO(trimming::RecycleFile(files::decodeFileName(file), confirm, messages), result);

    QCOMPARE(exists(file), result != 0);
    QCOMPARE(exists(homeTrash() + "/files/IMG_0005.NEF"), result == 0);
    QCOMPARE(messages.count(), confirm ? 1 : 0);
    if (confirm) {
        QCOMPARE(messages.last().flags,
                 platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2);
        QVERIFY(messages.last().prompt.contains(files::decodeFileName(file)));
        QVERIFY(messages.last().title.isEmpty());
    }
}

void tst_RecycleFile::movesOnlyTheFileSeen_data()
{
    QTest::addColumn<QByteArray>("meanwhile");
    QTest::addColumn<bool>("fromOpenFolder");
    QTest::addColumn<int>("result");

    for (const bool fromOpenFolder : {false, true}) {
        const QByteArray how = fromOpenFolder ? ", from its open folder" : "";
        QTest::newRow("still the file seen" + how) << QByteArray() << fromOpenFolder << 0;
        QTest::newRow("another renamed over it" + how)
            << QByteArray("renamed over") << fromOpenFolder << ESTALE;
        QTest::newRow("gone" + how) << QByteArray("gone") << fromOpenFolder << ENOENT;
    }
}

// What the user looked at is the file that goes, or nothing does: a file put
// in its place under the same name since is left where it is.
void tst_RecycleFile::movesOnlyTheFileSeen()
{
    QFETCH(QByteArray, meanwhile);
    QFETCH(bool, fromOpenFolder);
    QFETCH(int, result);

    const QByteArray folder = makeFolder("DCIM");
    const QByteArray file = folder + "/DSC_0007.JPG";
    QVERIFY(writeFile(file, "seen"));
    trimming::RecycleTarget target = trimming::RecycleTarget::ofPath(files::decodeFileName(file));
    target.seen = files::FileIdentity::of(files::decodeFileName(file));
    QVERIFY(target.seen.isKnown());
    if (meanwhile == "renamed over") {
        QVERIFY(writeFile(folder + "/newcomer", "newcomer"));
        QCOMPARE(::rename((folder + "/newcomer").constData(), file.constData()), 0);
    } else if (meanwhile == "gone") {
        QCOMPARE(::unlink(file.constData()), 0);
    }
    const int folderFd = fromOpenFolder ? ::open(folder.constData(), O_RDONLY | O_DIRECTORY) : -1;
    const auto closed = qScopeGuard([folderFd] {
        if (folderFd >= 0)
            ::close(folderFd);
    });
    target.folderFd = folderFd;
    platform::TrashSession batch;

    QCOMPARE_ERRNO(trimming::recycleTarget(target, nullptr, fromOpenFolder ? &batch : nullptr),
                   result);

    QCOMPARE(entries(homeTrash() + "/files").size(), result == 0 ? 1 : 0);
    if (meanwhile == "renamed over")
        QCOMPARE(readFile(file), QByteArray("newcomer"));
}

void tst_RecycleFile::fileVanishesWhileAsking()
{
    const QByteArray file = makeFolder("DCIM") + "/IMG_0006.NEF";
    QVERIFY(writeFile(file, "x"));
    test::FakeMessageBox messages;
    messages.answer(platform::IDYES);
    messages.onNextShow([&file] { ::unlink(file.constData()); });

    QCOMPARE_ERRNO(trimming::RecycleFile(files::decodeFileName(file), true, messages), ENOENT);

    QCOMPARE(entries(homeTrash() + "/info"), QByteArrayList());
    QCOMPARE(entries(homeTrash() + "/files"), QByteArrayList());
}

void tst_RecycleFile::batchFollowsChangesBetweenFiles_data()
{
    QTest::addColumn<QByteArray>("change");
    QTest::addColumn<int>("result");
    // Where the second file's info file says it was, below the test's root.
    QTest::addColumn<QByteArray>("recordedPath");
    // Each file moved by its name from the folder the caller opened before
    // the first, as a trim moves them.
    QTest::addColumn<bool>("byFolder");
    for (const bool byFolder : {false, true}) {
        const auto row = [byFolder](const char *what, const char *change, int result,
                                    const char *recorded) {
            QTest::addRow("%s%s", byFolder ? "held folder, " : "", what)
                << QByteArray(change) << result << QByteArray(recorded) << byFolder;
        };
        row("nothing", "none", 0, "DCIM/IMG_0002.NEF");
        row("trash deleted whole", "trash", 0, "DCIM/IMG_0002.NEF");
        if (!byFolder)
            row("next file in another folder", "other folder", 0, "other/IMG_0002.NEF");
        // The batch holds on to the folder it found: the files still go, saying
        // where they were when it began.
        row("folder renamed", "rename", 0, "DCIM/IMG_0002.NEF");
        row("a folder in the file's place", "folder", EISDIR, nullptr);
    }
    // The file of the folder the caller opened and checked goes, never the
    // one of the same name in a folder put in its place since.
    QTest::newRow("held folder renamed, another made in its place")
        << QByteArray("replace") << 0 << QByteArray("DCIM/IMG_0002.NEF") << true;
}

void tst_RecycleFile::batchFollowsChangesBetweenFiles()
{
    QFETCH(QByteArray, change);
    QFETCH(int, result);
    QFETCH(QByteArray, recordedPath);
    QFETCH(bool, byFolder);
    const QByteArray folder = makeFolder("DCIM");
    QVERIFY(writeFile(folder + "/IMG_0001.NEF", "first"));
    QByteArray second = folder + "/IMG_0002.NEF";
    QVERIFY(writeFile(second, "second"));
    test::FakeMessageBox messages;
    platform::TrashSession batch;
    platform::TrashedFile where;
    const int folderFd = byFolder ? ::open(folder.constData(), O_RDONLY | O_DIRECTORY) : -1;
    const auto closeFolder = qScopeGuard([folderFd] { ::close(folderFd); });
    const auto recycleInBatch = [&](const QByteArray &path) {
        if (byFolder)
            return batch.moveToTrash(folderFd, folder,
                                     QByteArrayView(path).sliced(folder.size() + 1), where);
        return trimming::RecycleFile(files::decodeFileName(path), false, messages, &where, &batch);
    };
    QCOMPARE(recycleInBatch(folder + "/IMG_0001.NEF"), 0);

    if (change == "trash") {
        removeTree(homeTrash());
    } else if (change == "other folder") {
        second = makeFolder("other") + "/IMG_0002.NEF";
        QVERIFY(writeFile(second, "second"));
    } else if (change == "rename" || change == "replace") {
        QCOMPARE(::rename(folder.constData(), (m_root + "/DCIM renamed").constData()), 0);
    }
    if (change == "replace") {
        makeFolder("DCIM");
        QVERIFY(writeFile(second, "the new folder's"));
    } else if (change == "folder") {
        QCOMPARE(::unlink(second.constData()), 0);
        makeFolder("DCIM/IMG_0002.NEF");
        makeFolder("DCIM/IMG_0002.NEF/inside");
    }
    QCOMPARE_ERRNO(recycleInBatch(second), result);

    const QByteArray info = readFile(homeTrash() + "/info/IMG_0002.NEF.trashinfo");
    if (result != 0) {
        QVERIFY(exists(second + "/inside"));
        QVERIFY(!exists(homeTrash() + "/files/IMG_0002.NEF"));
        QCOMPARE(info, QByteArray("<missing>"));
        return;
    }
    QCOMPARE(readFile(homeTrash() + "/files/IMG_0002.NEF"), QByteArray("second"));
    QCOMPARE(infoValue(info, "Path"), m_root + '/' + recordedPath);
    QCOMPARE(where.infoPath, homeTrash() + "/info/IMG_0002.NEF.trashinfo");
    QCOMPARE(where.originalPath, m_root + '/' + recordedPath);
    if (change == "replace") {
        QCOMPARE(entries(folder), QByteArrayList{"IMG_0002.NEF"});
        QCOMPARE(readFile(second), QByteArray("the new folder's"));
        QCOMPARE(entries(m_root + "/DCIM renamed"), QByteArrayList());
    }
}

void tst_RecycleFile::permissionFailures_data()
{
    QTest::addColumn<QString>("setup");

    QTest::newRow("folder not writable") << QStringLiteral("locked folder");
    QTest::newRow("info folder read-only") << QStringLiteral("read-only info");
    QTest::newRow("files folder read-only") << QStringLiteral("read-only files");
}

void tst_RecycleFile::permissionFailures()
{
    QFETCH(QString, setup);
    if (const QString why = test::UnprivilegedUser::unavailable(); !why.isEmpty())
        QSKIP(qPrintable(why));

    // The unprivileged user's own data folder and trash.
    const QByteArray dataHome = makeFolder("nobody", 0700);
    QCOMPARE(::chown(dataHome.constData(), nobody, nobody), 0);
    const QByteArray trash = dataHome + "/Trash";
    for (const QByteArray &folder : {trash, trash + "/files", trash + "/info"}) {
        QCOMPARE(::mkdir(folder.constData(), 0700), 0);
        QCOMPARE(::chown(folder.constData(), nobody, nobody), 0);
    }

    QByteArray file;
    if (setup == u"locked folder") {
        file = makeFolder("locked", 0755) + "/IMG_0007.NEF"; // root's folder
    } else {
        const QByteArray folder = makeFolder("mine", 0755);
        QCOMPARE(::chown(folder.constData(), nobody, nobody), 0);
        file = folder + "/IMG_0007.NEF";
        const QByteArray readOnly = trash + (setup == u"read-only info" ? "/info" : "/files");
        QCOMPARE(::chmod(readOnly.constData(), 0500), 0);
    }
    QVERIFY(writeFile(file, "x"));

    QCOMPARE_ERRNO(runAsNobody(file, dataHome), EACCES);

    QCOMPARE(readFile(file), QByteArray("x"));
    QCOMPARE(entries(trash + "/info"), QByteArrayList());
    QCOMPARE(entries(trash + "/files"), QByteArrayList());
}

void tst_RecycleFile::otherVolumeUsesItsOwnTrash_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QByteArray>("trash");

    const QByteArray uid = QByteArray::number(::geteuid());
    QTest::newRow("no shared trash") << QStringLiteral("none") << ".Trash-" + uid;
    QTest::newRow("shared trash with sticky bit") << QStringLiteral("sticky") << ".Trash/" + uid;
    QTest::newRow("shared trash, someone else's subfolder")
        << QStringLiteral("sticky, foreign subfolder") << ".Trash-" + uid;
    QTest::newRow("shared trash without sticky bit")
        << QStringLiteral("not sticky") << ".Trash-" + uid;
    QTest::newRow("shared trash is a symlink") << QStringLiteral("symlink") << ".Trash-" + uid;
    QTest::newRow("own trash already there") << QStringLiteral("own") << ".Trash-" + uid;
}

void tst_RecycleFile::otherVolumeUsesItsOwnTrash()
{
    QFETCH(QString, setup);
    QFETCH(QByteArray, trash);
    const QByteArray volume = m_root + "/volume";
    if (const QString why = mountTmpfs(volume, "size=4m,mode=0755"); !why.isEmpty())
        QSKIP(qPrintable(why));

    const QByteArray shared = volume + "/.Trash";
    const QByteArray elsewhere = volume + "/elsewhere";
    if (setup == u"sticky" || setup == u"sticky, foreign subfolder" || setup == u"not sticky") {
        QCOMPARE(::mkdir(shared.constData(), 0777), 0);
        QCOMPARE(::chmod(shared.constData(), setup == u"not sticky" ? 0777 : 01777), 0);
    }
    if (setup == u"sticky, foreign subfolder") {
        const QByteArray foreign = shared + '/' + m_uid;
        QCOMPARE(::mkdir(foreign.constData(), 0777), 0);
        QCOMPARE(::chown(foreign.constData(), nobody, nobody), 0);
    }
    if (setup == u"symlink") {
        QCOMPARE(::mkdir(elsewhere.constData(), 0777), 0);
        QCOMPARE(::chmod(elsewhere.constData(), 01777), 0);
        QCOMPARE(::symlink("elsewhere", shared.constData()), 0);
    }
    if (setup == u"own")
        QCOMPARE(::mkdir((volume + "/.Trash-" + m_uid).constData(), 0700), 0);

    QCOMPARE(::mkdir((volume + "/DCIM").constData(), 0755), 0);
    const QByteArray file = volume + "/DCIM/IMG_0001.NEF";
    QVERIFY(writeFile(file, "raw"));
    const struct stat before = statOf(file);

    QCOMPARE(recycle(file), 0);

    QVERIFY(!exists(file));
    const QByteArray trashed = volume + '/' + trash + "/files/IMG_0001.NEF";
    const struct stat after = statOf(trashed);
    // Renamed on its own volume, not copied.
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_dev, before.st_dev);
    const QByteArray info = readFile(volume + '/' + trash + "/info/IMG_0001.NEF.trashinfo");
    QCOMPARE(infoValue(info, "Path"), QByteArray("DCIM/IMG_0001.NEF"));
    QCOMPARE(statOf(volume + '/' + trash).st_mode & 0777, mode_t(0700));
    QVERIFY2(!exists(homeTrash()), "a file on another volume must not create the home trash");
    if (setup == u"symlink")
        QCOMPARE(entries(elsewhere), QByteArrayList());
}

void tst_RecycleFile::restoresWhatItTrashed_data()
{
    QTest::addColumn<bool>("otherVolume");
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<int>("expected");
    // Put back by a session that has already put a file back from that trash
    // into that folder, and so holds them open while things change.
    QTest::addColumn<bool>("inBatch");

    for (const bool inBatch : {false, true}) {
        for (const bool otherVolume : {false, true}) {
            const char *volume = otherVolume ? "card" : "home";
            const auto row = [&](const char *what, const char *meanwhile, int expected,
                                 int expectedInBatch) {
                QTest::addRow("%s%s, %s", inBatch ? "batch, " : "", volume, what)
                    << otherVolume << QString::fromLatin1(meanwhile)
                    << (inBatch ? expectedInBatch : expected) << inBatch;
            };
            const auto same = [&](const char *what, const char *meanwhile, int expected) {
                row(what, meanwhile, expected, expected);
            };
            same("untouched", "", 0);
            same("name taken", "taken", EEXIST);
            same("gone from the trash", "gone", ENOENT);
            same("folder gone", "folder gone", ENOENT);
            same("trash emptied", "emptied", ENOENT);
            same("trash emptied, then another file of that name trashed", "emptied, refilled",
                 ESTALE);
            same("another file of that name and size in its place", "replaced", ESTALE);
            same("its size changed in the trash", "resized", ESTALE);
            same("record rewritten by another program", "record rewritten", ESTALE);
            same("record gone", "record gone", ENOENT);
            same("record made a symlink to a copy of itself", "record a symlink", ESTALE);
            same("another file swapped in between the look and the rename", "swapped", ESTALE);
            same("nothing recorded", "nothing recorded", EINVAL);
            same("trash deleted whole", "trash deleted", ENOENT);
            same("trash deleted whole, then another file of that name trashed",
                 "trash deleted, refilled", ESTALE);
            same("folder removed and made again", "folder made again", 0);
            same("after files of many other folders", "many folders", 0);
            // A batch holds on to the folder it found, as the trim's does: the
            // file goes back beside the files that came back before it.
            row("folder renamed", "folder renamed", ENOENT, 0);
        }
    }
}

void tst_RecycleFile::restoresWhatItTrashed()
{
    QFETCH(bool, otherVolume);
    QFETCH(QString, meanwhile);
    QFETCH(int, expected);
    QFETCH(bool, inBatch);
    QByteArray top = m_root;
    if (otherVolume) {
        top = m_root + "/volume";
        if (const QString why = mountTmpfs(top, "size=4m,mode=0755"); !why.isEmpty())
            QSKIP(qPrintable(why));
    }
    QCOMPARE(::mkdir((top + "/DCIM").constData(), 0755), 0);
    const QByteArray name = "first\nline %41.NEF";
    const QByteArray file = top + "/DCIM/" + name;
    QVERIFY(writeFile(file, "raw picture"));
    const ino_t inode = statOf(file).st_ino;

    platform::TrashedFile where;
    QCOMPARE(platform::moveToTrash(file, where), 0);
    QCOMPARE(where.originalPath, file);
    QCOMPARE(statOf(where.trashedPath).st_ino, inode);
    QVERIFY(where.trashedPath.startsWith(otherVolume ? top + "/.Trash-" + m_uid : homeTrash()));
    QVERIFY(exists(where.infoPath));
    QCOMPARE(where.inode, quint64(inode));
    QCOMPARE(where.device, quint64(statOf(where.trashedPath).st_dev));
    QCOMPARE(where.size, qint64(11));
    QCOMPARE(where.info, readFile(where.infoPath));
    const QByteArray trash = where.trashedPath.left(where.trashedPath.lastIndexOf("/files/"));
    platform::RestoreSession batch;
    const QByteArray warmUp = top + "/DCIM/warm-up.NEF";
    if (inBatch) {
        QVERIFY(writeFile(warmUp, "warm-up"));
        platform::TrashedFile warm;
        QCOMPARE(platform::moveToTrash(warmUp, warm), 0);
        QVERIFY(warm.trashedPath.startsWith(trash + "/files/"));
        QCOMPARE(batch.restoreFromTrash(warm), 0);
        QCOMPARE(readFile(warmUp), QByteArray("warm-up"));
    }

    // Another card's file of the same name and size, for the trash to mix up.
    const QByteArray other =
        makeFolder(top == m_root ? "elsewhere" : "volume/elsewhere") + '/' + name;
    QVERIFY(writeFile(other, "raw PICTURE"));
    std::unique_ptr<test::OpenGate> gate;
    if (meanwhile == u"taken")
        QVERIFY(writeFile(file, "a new file"));
    if (meanwhile == u"gone")
        QCOMPARE(::unlink(where.trashedPath.constData()), 0);
    if (meanwhile == u"folder gone" || meanwhile == u"folder made again") {
        if (inBatch)
            QCOMPARE(::unlink(warmUp.constData()), 0);
        QCOMPARE(::rmdir((top + "/DCIM").constData()), 0);
    }
    if (meanwhile == u"folder made again")
        QCOMPARE(::mkdir((top + "/DCIM").constData(), 0755), 0);
    if (meanwhile == u"folder renamed")
        QCOMPARE(::rename((top + "/DCIM").constData(), (top + "/DCIM renamed").constData()), 0);
    if (meanwhile.startsWith(u"trash deleted"))
        removeTree(trash);
    // More folders than a batch holds at once.
    for (int i = 0; meanwhile == u"many folders" && i < 40; ++i) {
        const QByteArray each =
            makeFolder((otherVolume ? "volume/" : "") + QByteArray::number(i)) + "/IMG_0001.NEF";
        QVERIFY(writeFile(each, "x"));
        platform::TrashedFile trashed;
        QCOMPARE(platform::moveToTrash(each, trashed), 0);
        QCOMPARE(inBatch ? batch.restoreFromTrash(trashed) : platform::restoreFromTrash(trashed),
                 0);
        QCOMPARE(readFile(each), QByteArray("x"));
    }
    if (meanwhile.startsWith(u"emptied")) {
        QCOMPARE(::unlink(where.trashedPath.constData()), 0);
        QCOMPARE(::unlink(where.infoPath.constData()), 0);
    }
    if (meanwhile.endsWith(u"refilled")) {
        platform::TrashedFile second;
        QCOMPARE(platform::moveToTrash(other, second), 0);
        QCOMPARE(second.trashedPath, where.trashedPath);
        QCOMPARE(second.infoPath, where.infoPath);
    }
    if (meanwhile == u"replaced")
        QCOMPARE(::rename(other.constData(), where.trashedPath.constData()), 0);
    if (meanwhile == u"resized")
        QVERIFY(writeFile(where.trashedPath, "raw picture, edited"));
    if (meanwhile == u"record rewritten") {
        const QByteArray rewritten = QByteArray(where.info).replace("DCIM/", "elsewhere/");
        QVERIFY(rewritten != where.info);
        QVERIFY(writeFile(where.infoPath, rewritten));
    }
    if (meanwhile == u"record gone")
        QCOMPARE(::unlink(where.infoPath.constData()), 0);
    if (meanwhile == u"record a symlink") {
        QVERIFY(writeFile(trash + "/info/copy", where.info));
        QCOMPARE(::unlink(where.infoPath.constData()), 0);
        QCOMPARE(::symlink("copy", where.infoPath.constData()), 0);
    }
    if (meanwhile == u"nothing recorded")
        where.size = -1;
    QMap<QByteArray, QByteArray> trashBefore = trashContents(trash);
    if (meanwhile == u"swapped") {
        // While the record is read, after the file was looked at: ours leaves
        // the trash, and the other file takes its name there.
        const QByteArray aside = top + "/aside";
        gate = std::make_unique<test::OpenGate>(where.infoPath, [&where, &other, aside] {
            return ::rename(where.trashedPath.constData(), aside.constData()) == 0 &&
                   ::rename(other.constData(), where.trashedPath.constData()) == 0;
        });
    }
    if (gate && !gate->unavailable().isEmpty())
        QSKIP(qPrintable(gate->unavailable()));
    const int watch = watchEntries({top + "/DCIM", trash + "/files", trash + "/info"});
    QVERIFY(watch >= 0);
    const auto closeWatch = qScopeGuard([watch] { ::close(watch); });

    QCOMPARE_ERRNO(inBatch ? batch.restoreFromTrash(where) : platform::restoreFromTrash(where),
                   expected);

    if (expected == 0) {
        const QByteArray back =
            meanwhile == u"folder renamed" ? top + "/DCIM renamed/" + name : file;
        QCOMPARE(statOf(back).st_ino, inode);
        QCOMPARE(readFile(back), QByteArray("raw picture"));
        QVERIFY(!exists(where.trashedPath));
        QVERIFY(!exists(where.infoPath));
        return;
    }
    // Nothing is replaced, nothing arrives, and the trash is as it was found:
    // each file there keeps its record.
    if (gate) {
        QVERIFY(gate->stepped());
        trashBefore.insert("/files/" + name, "raw PICTURE");
    }
    QCOMPARE(trashContents(trash), trashBefore);
    // Not even for a moment, except for the swapped file, which came along
    // and had to be sent back.
    if (!gate)
        QCOMPARE(heardEntries(watch), ssize_t(0));
    QByteArrayList inFolder;
    if (meanwhile == u"taken")
        inFolder << name;
    if (inBatch && exists(top + "/DCIM") && meanwhile != u"folder made again")
        inFolder << "warm-up.NEF";
    QCOMPARE(entries(top + "/DCIM"), inFolder);
    if (meanwhile == u"folder renamed")
        QCOMPARE(entries(top + "/DCIM renamed"), QByteArrayList());
    if (meanwhile == u"taken")
        QCOMPARE(readFile(file), QByteArray("a new file"));
}

void tst_RecycleFile::symlinkedFolderLeadsToTheVolume()
{
    const QByteArray volume = m_root + "/volume";
    if (const QString why = mountTmpfs(volume, "size=4m,mode=0755"); !why.isEmpty())
        QSKIP(qPrintable(why));
    QCOMPARE(::mkdir((volume + "/DCIM").constData(), 0755), 0);
    QVERIFY(writeFile(volume + "/DCIM/IMG_0002.NEF", "raw"));
    QCOMPARE(::symlink("volume/DCIM", (m_root + "/card").constData()), 0);

    QCOMPARE(recycle(m_root + "/card/IMG_0002.NEF"), 0);

    const QByteArray trash = volume + "/.Trash-" + m_uid;
    QCOMPARE(readFile(trash + "/files/IMG_0002.NEF"), QByteArray("raw"));
    QCOMPARE(infoValue(readFile(trash + "/info/IMG_0002.NEF.trashinfo"), "Path"),
             QByteArray("DCIM/IMG_0002.NEF"));
}

void tst_RecycleFile::bindMountUsesItsOwnTrash()
{
    // Same filesystem as the home trash, but another mount of it, which
    // rename(2) refuses to cross just as it refuses another device.
    const QByteArray source = makeFolder("source");
    const QByteArray bound = makeFolder("bound");
    if (::mount(source.constData(), bound.constData(), nullptr, MS_BIND, nullptr) != 0)
        QSKIP(qPrintable(QStringLiteral("cannot bind-mount here: %1").arg(errorName(errno))));
    m_mounts.append(bound);
    QVERIFY(writeFile(bound + "/IMG_0003.NEF", "raw"));

    QCOMPARE_ERRNO(recycle(bound + "/IMG_0003.NEF"), 0);

    QCOMPARE(readFile(bound + "/.Trash-" + m_uid + "/files/IMG_0003.NEF"), QByteArray("raw"));
    QCOMPARE(
        infoValue(readFile(bound + "/.Trash-" + m_uid + "/info/IMG_0003.NEF.trashinfo"), "Path"),
        QByteArray("IMG_0003.NEF"));
    QCOMPARE(entries(homeTrash() + "/info"), QByteArrayList());
}

void tst_RecycleFile::refusesUnsafeVolumeTrash_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("error");

    QTest::newRow("owned by someone else") << QStringLiteral("foreign") << EPERM;
    QTest::newRow("a symlink") << QStringLiteral("symlink") << ELOOP;
    QTest::newRow("a file") << QStringLiteral("file") << ENOTDIR;
    QTest::newRow("info folder is a symlink") << QStringLiteral("info symlink") << ELOOP;
}

void tst_RecycleFile::refusesUnsafeVolumeTrash()
{
    QFETCH(QString, setup);
    QFETCH(int, error);
    const QByteArray volume = m_root + "/volume";
    if (const QString why = mountTmpfs(volume, "size=4m,mode=0755"); !why.isEmpty())
        QSKIP(qPrintable(why));
    const QByteArray trash = volume + "/.Trash-" + m_uid;
    const QByteArray elsewhere = volume + "/elsewhere";
    QCOMPARE(::mkdir(elsewhere.constData(), 0700), 0);
    if (setup == u"foreign") {
        QCOMPARE(::mkdir(trash.constData(), 0700), 0);
        QCOMPARE(::chown(trash.constData(), nobody, nobody), 0);
    } else if (setup == u"symlink") {
        QCOMPARE(::symlink("elsewhere", trash.constData()), 0);
    } else if (setup == u"file") {
        QVERIFY(writeFile(trash, ""));
    } else {
        QCOMPARE(::mkdir(trash.constData(), 0700), 0);
        QCOMPARE(::symlink("../elsewhere", (trash + "/info").constData()), 0);
    }
    const QByteArray file = volume + "/IMG_0001.NEF";
    QVERIFY(writeFile(file, "raw"));

    QCOMPARE_ERRNO(recycle(file), error);

    QCOMPARE(readFile(file), QByteArray("raw"));
    QCOMPARE(entries(elsewhere), QByteArrayList());
    if (setup == u"foreign")
        QCOMPARE(entries(trash), QByteArrayList());
    QVERIFY(!exists(homeTrash()));
}

void tst_RecycleFile::readOnlyVolume()
{
    const QByteArray volume = m_root + "/volume";
    if (const QString why = mountTmpfs(volume, "size=4m,mode=0755"); !why.isEmpty())
        QSKIP(qPrintable(why));
    const QByteArray file = volume + "/IMG_0001.NEF";
    QVERIFY(writeFile(file, "raw"));
    QCOMPARE(::mount(nullptr, volume.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);

    QCOMPARE_ERRNO(recycle(file), EROFS);

    QCOMPARE(readFile(file), QByteArray("raw"));
    QCOMPARE(entries(volume), QByteArrayList{"IMG_0001.NEF"});
}

void tst_RecycleFile::fullVolume()
{
    const QByteArray volume = m_root + "/volume";
    if (const QString why = mountTmpfs(volume, "size=256k,mode=0755"); !why.isEmpty())
        QSKIP(qPrintable(why));
    const QByteArray file = volume + "/IMG_0001.NEF";
    QVERIFY(writeFile(file, "raw"));
    // The trash is there already; what no longer fits is the info file.
    QVERIFY(writeFile(volume + "/warm-up", "x"));
    QCOMPARE(recycle(volume + "/warm-up"), 0);
    const int fd = ::open((volume + "/filler").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    QVERIFY(fd >= 0);
    const QByteArray block(4096, 'f');
    while (::write(fd, block.constData(), size_t(block.size())) > 0) {
    }
    QCOMPARE(errno, ENOSPC);
    ::close(fd);

    QCOMPARE_ERRNO(recycle(file), ENOSPC);

    QCOMPARE(readFile(file), QByteArray("raw"));
    const QByteArray trash = volume + "/.Trash-" + m_uid;
    QCOMPARE(entries(trash + "/info"), QByteArrayList{"warm-up.trashinfo"});
    QCOMPARE(entries(trash + "/files"), QByteArrayList{"warm-up"});
}

void tst_RecycleFile::trashCliListsAndRestores_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("onOtherVolume");

    QTest::newRow("plain") << QByteArray("IMG_0001.NEF") << false;
    QTest::newRow("space") << QByteArray("IMG 0001.NEF") << false;
    QTest::newRow("percent") << QByteArray("100% crop %41.NEF") << false;
    QTest::newRow("utf-8") << QByteArray("\xc3\xa9t\xc3\xa9.NEF") << false;
    QTest::newRow("newline") << QByteArray("first\nsecond.NEF") << false;
    QTest::newRow("255 bytes") << QByteArray(251, 'c') + ".NEF" << false;
    QTest::newRow("other volume, space and percent") << QByteArray("IMG 1%.NEF") << true;
    // Not here: names that are not valid UTF-8. trash-cli decodes Path= as
    // UTF-8 with replacement characters, so it lists such a file under a name
    // that does not exist and cannot put it back; the round trip of such names
    // is covered by awkwardNames and the TrashInfo tests.
}

void tst_RecycleFile::trashCliListsAndRestores()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, onOtherVolume);
    const QString list = QStandardPaths::findExecutable(QStringLiteral("trash-list"));
    const QString restore = QStandardPaths::findExecutable(QStringLiteral("trash-restore"));
    if (list.isEmpty() || restore.isEmpty())
        QSKIP("trash-cli (trash-list, trash-restore) is not installed");
    makeFolder("home");

    QByteArray folder = makeFolder("photos");
    if (onOtherVolume) {
        const QByteArray volume = m_root + "/volume";
        if (const QString why = mountTmpfs(volume, "size=4m,mode=0755"); !why.isEmpty())
            QSKIP(qPrintable(why));
        folder = volume + "/DCIM";
        QCOMPARE(::mkdir(folder.constData(), 0755), 0);
    }
    const QByteArray file = folder + '/' + name;
    QVERIFY(writeFile(file, "picture " + name));
    QCOMPARE(recycle(file), 0);
    QVERIFY(!exists(file));

    int exitCode = -1;
    const QByteArray listed = runTrashCli(list, {}, m_root, {}, exitCode);
    QCOMPARE(exitCode, 0);
    QVERIFY2(listed.contains(' ' + file + '\n'), listed.constData());

    const QByteArray answered =
        runTrashCli(restore, {QFile::decodeName(folder + '/')}, folder, "0\n", exitCode);
    QCOMPARE(exitCode, 0);
    QVERIFY2(answered.contains(file), answered.constData());
    QCOMPARE(readFile(file), "picture " + name);
    const QByteArray trash = onOtherVolume ? m_root + "/volume/.Trash-" + m_uid : homeTrash();
    QCOMPARE(entries(trash + "/info"), QByteArrayList());
    QCOMPARE(entries(trash + "/files"), QByteArrayList());
}

QTEST_GUILESS_MAIN(tst_RecycleFile)
#include "tst_RecycleFile.moc"
