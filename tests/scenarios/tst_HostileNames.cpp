// Hostile content in a folder, end to end through the main window and the
// trim: names with line breaks, "%", bytes that are not UTF-8, 255 bytes;
// FIFOs, sockets and device nodes; symbolic links of every kind; folders
// named like pictures. Every such name is listed and shown, trimmed under its
// exact bytes, and restorable to the same bytes; special files are never
// opened and never hold the program up; a folder is never taken for a file.

#include "files/FileNames.h"
#include "files/VolumeTable.h"
#include "main_window/frmMain.h"
#include "platform/linux/TrashInfo.h"
#include "platform/MessageBox.h"
#include "support/core/ByteFiles.h"
#include "support/core/FakeMessageBox.h"
#include "support/widgets/ListedNames.h"
#include "support/widgets/MainWindowFixture.h"
#include "trimming/RecycleFile.h"
#include "ui/CommandButton.h"
#include "ui/DirListBox.h"
#include "ui/FileListBox.h"
#include "ui/TextBox.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace quorvel;
using quorvel::test::entries;
using quorvel::test::FakeMessageBox;
using quorvel::test::infoPath;
using quorvel::test::realPath;
using quorvel::test::removeTree;
using quorvel::test::writeFile;

namespace {

// Non-blocking, so that a FIFO met by mistake is read as empty rather than
// waiting for a writer that never comes.
QByteArray readFile(const QByteArray &path)
{
    return quorvel::test::readFile(path, O_NONBLOCK);
}

mode_t typeOf(const QByteArray &path)
{
    return quorvel::test::statOf(path).st_mode & S_IFMT;
}

QByteArray linkTarget(const QByteArray &path)
{
    char target[PATH_MAX];
    const ssize_t size = ::readlink(path.constData(), target, sizeof target);
    return size < 0 ? QByteArray() : QByteArray(target, size);
}

QStringList decoded(const QByteArrayList &names)
{
    QStringList list;
    for (const QByteArray &name : names)
        list << files::decodeFileName(name);
    return list;
}

// What a list shows, row by row.
QStringList shownNames(const ui::FileListBox *list)
{
    QStringList shown;
    for (int row = 0; row < list->model()->rowCount(); ++row)
        shown << list->model()->index(row, 0).data(Qt::DisplayRole).toString();
    return shown;
}

// Watches FIFOs from another thread. A FIFO opened for reading blocks until
// a writer comes; the watcher is that writer, so a program that opened one
// would go on (and is caught) rather than hang the test.
class FifoWatcher
{
public:
    explicit FifoWatcher(QByteArrayList fifos)
        : m_fifos(std::move(fifos)), m_thread([this] { watch(); })
    {}
    ~FifoWatcher()
    {
        m_stop = true;
        m_thread.join();
    }
    int opened() const { return m_opened; }

private:
    void watch()
    {
        while (!m_stop) {
            for (const QByteArray &fifo : m_fifos) {
                // Succeeds only while someone has the FIFO open for reading.
                const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    ++m_opened;
                    ::close(fd);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    QByteArrayList m_fifos;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_opened{0};
    std::thread m_thread;
};

} // namespace

class tst_HostileNames : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_root;
    QByteArray m_photos;
    test::MainWindowFixture fixture;
    FakeMessageBox &messages = fixture.messages();

    QByteArray trash() const { return m_root + "/data/Trash"; }

    main_window::frmMain &start(const QByteArray &folder)
    {
        return fixture.start(files::decodeFileName(folder));
    }

    void trim(main_window::frmMain &w)
    {
        messages.answer(platform::IDYES);
        QTest::mouseClick(w.cmdQuorvel, Qt::LeftButton);
    }

    QString summary() const
    {
        for (const FakeMessageBox::Message &message : messages.messages()) {
            if (message.title == u"Thanks using Quorvel ")
                return message.prompt.section(QStringLiteral("\n"), 0, 0);
        }
        return QStringLiteral("<no summary>");
    }

    // The info file in the trash whose Path= names original, or nothing.
    QByteArray infoFor(const QByteArray &original) const
    {
        for (const QByteArray &name : entries(trash() + "/info")) {
            if (infoPath(readFile(trash() + "/info/" + name)) == original)
                return name;
        }
        return {};
    }

    QByteArray runTrashCli(const QString &command, const QStringList &arguments,
                           const QByteArray &workingFolder, const QByteArray &input, int &exitCode)
    {
        return quorvel::test::runTrashCli(m_root, command, arguments, workingFolder, input,
                                          exitCode);
    }

    static bool isUtf8(const QByteArray &bytes)
    {
        return QString::fromUtf8(bytes).toUtf8() == bytes;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_root = realPath(QFile::encodeName(m_dir->path()));
        for (const char *folder : {"/data", "/home", "/photos", "/elsewhere"})
            QCOMPARE(::mkdir((m_root + folder).constData(), 0755), 0);
        m_photos = m_root + "/photos";
        qputenv("XDG_DATA_HOME", m_root + "/data");
        fixture.reset();
    }

    void cleanup()
    {
        fixture.reset();
        if (m_dir)
            removeTree(m_root);
        m_dir.reset();
    }

    // One awkward RAW name without a picture, which the trim moves, beside
    // an awkward RAW name and picture that keep each other.
    void awkwardNames_data()
    {
        QTest::addColumn<QByteArray>("gone");
        QTest::addColumn<QByteArray>("keptRaw");
        QTest::addColumn<QByteArray>("keptPicture");

        QTest::newRow("line breaks") << QByteArray("new\nline.NEF") << QByteArray("keep\r\nme.NEF")
                                     << QByteArray("keep\r\nme.JPG");
        QTest::newRow("percent") << QByteArray("100% %41 crop.NEF") << QByteArray("50%%.NEF")
                                 << QByteArray("50%%.JPG");
        QTest::newRow("not UTF-8") << QByteArray("caf\xe9 \xff\xfe.NEF")
                                   << QByteArray("\xe9t\xe9.NEF") << QByteArray("\xe9t\xe9.JPG");
        // Two names that a lossy decoder would both turn into "x\uFFFD".
        QTest::newRow("invalid bytes told apart")
            << QByteArray("x\xe9.NEF") << QByteArray("x\xe8.NEF") << QByteArray("x\xe8.JPG");
        QTest::newRow("255 bytes") << QByteArray(251, 'b') + ".NEF" << QByteArray(251, 'k') + ".NEF"
                                   << QByteArray(251, 'k') + ".JPG";
        QTest::newRow("255 bytes, not UTF-8")
            << QByteArray(250, 'c') + "\xff.NEF" << QByteArray("\xc3\xa9").repeated(125) + "x.NEF"
            << QByteArray("\xc3\xa9").repeated(125) + "x.JPG";
    }
    void awkwardNames()
    {
        QFETCH(QByteArray, gone);
        QFETCH(QByteArray, keptRaw);
        QFETCH(QByteArray, keptPicture);
        for (const QByteArray &name : {gone, keptRaw, keptPicture})
            QVERIFY2(writeFile(m_photos + '/' + name, "content of " + name), name.constData());

        // Listed and shown, under names that lead back to the same bytes.
        main_window::frmMain &w = start(m_photos);
        QCOMPARE(test::listedNames(*w.fb1), decoded({keptPicture}));
        QStringList raws = decoded({gone, keptRaw});
        QStringList listed = test::listedNames(*w.fb2);
        std::sort(raws.begin(), raws.end());
        std::sort(listed.begin(), listed.end());
        QCOMPARE(listed, raws);
        QCOMPARE(shownNames(w.fb2), test::listedNames(*w.fb2));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("2"));
        QVERIFY(!w.fb2->grab().isNull());
        for (const QString &name : test::listedNames(*w.fb2))
            QVERIFY(files::encodeFileName(name) == gone || files::encodeFileName(name) == keptRaw);

        // Trimmed: exactly the unmatched file goes, under its exact bytes.
        trim(w);
        QCOMPARE(summary(), QStringLiteral("You have deleted 1 file(s)"));
        QCOMPARE(typeOf(m_photos + '/' + gone), mode_t(0));
        QCOMPARE(readFile(m_photos + '/' + keptRaw), "content of " + keptRaw);
        QCOMPARE(readFile(m_photos + '/' + keptPicture), "content of " + keptPicture);
        const QByteArray info = infoFor(m_photos + '/' + gone);
        QVERIFY2(!info.isEmpty(), "no info file leads back to the trimmed file");
        const QByteArray inTrash = info.chopped(platform::trashInfoSuffix.size());
        QCOMPARE(readFile(trash() + "/files/" + inTrash), "content of " + gone);
        QCOMPARE(test::listedNames(*w.fb2), decoded({keptRaw}));

        // Restorable to the same bytes.
        const QString restore = QStandardPaths::findExecutable(QStringLiteral("trash-restore"));
        const QString list = QStandardPaths::findExecutable(QStringLiteral("trash-list"));
        if (isUtf8(gone) && !restore.isEmpty() && !list.isEmpty()) {
            int exitCode = -1;
            const QByteArray trashList = runTrashCli(list, {}, m_root, {}, exitCode);
            QCOMPARE(exitCode, 0);
            QVERIFY2(trashList.contains(' ' + m_photos + '/' + gone + '\n'), trashList.constData());
            runTrashCli(restore, {QFile::decodeName(m_photos + '/' + gone)}, m_photos, "0\n",
                        exitCode);
            QCOMPARE(exitCode, 0);
        } else {
            // trash-cli reads Path= as UTF-8 and puts a file whose name is not
            // back under a name with U+FFFD in it. Any reader that decodes
            // Path= to bytes, as the trash's rules say, gets the exact name:
            // Python's own URI decoder stands in for one here.
            if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
                QSKIP("python3 is needed to restore a name that is not UTF-8");
            QProcess python;
            python.start(
                QStringLiteral("python3"),
                {QStringLiteral("-c"),
                 QStringLiteral(
                     "import os, sys, urllib.parse\n"
                     "trash = bytes.fromhex(sys.argv[1]); name = bytes.fromhex(sys.argv[2])\n"
                     "info = open(trash + b'/info/' + name + b'.trashinfo', 'rb').read()\n"
                     "path = [l[5:] for l in info.split(b'\\n') if l.startswith(b'Path=')][0]\n"
                     "os.rename(trash + b'/files/' + name, urllib.parse.unquote_to_bytes(path))\n"
                     "os.remove(trash + b'/info/' + name + b'.trashinfo')\n"),
                 QString::fromLatin1(trash().toHex()), QString::fromLatin1(inTrash.toHex())});
            QVERIFY(python.waitForFinished(60000));
            QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
        }
        QCOMPARE(readFile(m_photos + '/' + gone), "content of " + gone);
        QCOMPARE(entries(trash() + "/files"), QByteArrayList());
        QCOMPARE(entries(trash() + "/info"), QByteArrayList());
    }

    // A folder with an awkward name is opened in the folder list, and the
    // trim there moves its file under the exact path.
    void awkwardFolderName()
    {
        const QByteArray folder = m_photos + "/day\n1 caf\xe9 %41";
        QCOMPARE(::mkdir(folder.constData(), 0755), 0);
        QVERIFY(writeFile(folder + "/IMG_0001.NEF", "raw"));
        QVERIFY(writeFile(folder + "/IMG_0002.NEF", "raw"));
        QVERIFY(writeFile(folder + "/IMG_0002.JPG", "picture"));

        main_window::frmMain &w = start(m_photos);
        const QString shown = files::decodeFileName(folder);
        QListWidgetItem *entry = nullptr;
        for (int row = 0; row < w.Dir1->count(); ++row) {
            if (w.Dir1->item(row)->text().trimmed() ==
                files::decodeFileName(QByteArray("day\n1 caf\xe9 %41")))
                entry = w.Dir1->item(row);
        }
        QVERIFY2(entry, "the folder is not in the folder list");
        w.Dir1->setCurrentItem(entry);
        QTest::keyClick(w.Dir1, Qt::Key_Return);
        QCOMPARE(w.Dir1->Path(), shown);
        QCOMPARE(w.fb2->Path(), shown);
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("2"));

        trim(w);
        QCOMPARE(summary(), QStringLiteral("You have deleted 1 file(s)"));
        QVERIFY(!infoFor(folder + "/IMG_0001.NEF").isEmpty());
        QCOMPARE(typeOf(folder + "/IMG_0001.NEF"), mode_t(0));
        QCOMPARE(readFile(folder + "/IMG_0002.NEF"), QByteArray("raw"));
    }

    // FIFOs, sockets and device nodes are neither pictures nor RAW files:
    // never listed, never opened, never moved, and they hold nothing up.
    void specialFiles()
    {
        QVERIFY(writeFile(m_photos + "/IMG_0001.JPG", "picture"));
        QVERIFY(writeFile(m_photos + "/IMG_0001.NEF", "raw"));
        QVERIFY(writeFile(m_photos + "/IMG_0002.NEF", "raw"));
        const QByteArrayList fifos = {m_photos + "/IMG_0003.NEF", m_photos + "/IMG_0004.JPG",
                                      m_photos + "/IMG_0002.JPG"};
        for (const QByteArray &fifo : fifos)
            QCOMPARE(::mkfifo(fifo.constData(), 0644), 0);
        QCOMPARE(::symlink("IMG_0003.NEF", (m_photos + "/IMG_0005.NEF").constData()), 0);

        const int sock = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QVERIFY(sock >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray socketPath = m_photos + "/IMG_0006.NEF";
        QVERIFY(size_t(socketPath.size()) < sizeof address.sun_path);
        std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
        QCOMPARE(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        QCOMPARE(::listen(sock, 1), 0);

        QByteArrayList special = {"IMG_0002.JPG", "IMG_0003.NEF", "IMG_0004.JPG", "IMG_0005.NEF",
                                  "IMG_0006.NEF"};
        const bool haveDevice =
            ::mknod((m_photos + "/IMG_0007.NEF").constData(), S_IFCHR | 0644, makedev(1, 3)) == 0;
        if (haveDevice)
            special << "IMG_0007.NEF";
        else
            qInfo("no device node: mknod is not permitted here (%s)", std::strerror(errno));

        {
            const FifoWatcher watcher(fifos);
            main_window::frmMain &w = start(m_photos);
            QCOMPARE(test::listedNames(*w.fb1), QStringList{"IMG_0001.JPG"});
            QCOMPARE(test::listedNames(*w.fb2), (QStringList{"IMG_0001.NEF", "IMG_0002.NEF"}));
            QTest::mouseClick(w.cmdRefresh, Qt::LeftButton);
            trim(w);
            QCOMPARE(summary(), QStringLiteral("You have deleted 1 file(s)"));
            QCOMPARE(test::listedNames(*w.fb2), QStringList{"IMG_0001.NEF"});
            QCOMPARE(watcher.opened(), 0);
        }
        ::close(sock);

        QCOMPARE(entries(trash() + "/files"), QByteArrayList{"IMG_0002.NEF"});
        for (const QByteArray &fifo : fifos)
            QCOMPARE(typeOf(fifo), mode_t(S_IFIFO));
        QCOMPARE(typeOf(m_photos + "/IMG_0005.NEF"), mode_t(S_IFLNK));
        QCOMPARE(typeOf(socketPath), mode_t(S_IFSOCK));
        if (haveDevice)
            QCOMPARE(typeOf(m_photos + "/IMG_0007.NEF"), mode_t(S_IFCHR));
    }

    // Links count as what they lead to; links that lead nowhere, or round in
    // a circle, count as nothing; a folder is never a picture nor a RAW
    // file, whatever its name. A link that goes is the link itself, never
    // the file it leads to.
    void linksAndFolders()
    {
        const QByteArray elsewhere = m_root + "/elsewhere";
        QVERIFY(writeFile(elsewhere + "/real.NEF", "the real RAW file"));
        QVERIFY(writeFile(elsewhere + "/pic.JPG", "picture"));
        QCOMPARE(::mkdir((elsewhere + "/folder").constData(), 0755), 0);

        QVERIFY(writeFile(m_photos + "/IMG_0001.JPG", "picture"));
        QVERIFY(writeFile(m_photos + "/IMG_0001.NEF", "raw"));
        const struct
        {
            const char *name;
            const char *target;
        } links[] = {
            {"tofile.NEF", "../elsewhere/real.NEF"},
            {"linkedpic.JPG", "../elsewhere/pic.JPG"},
            {"tofolder.NEF", "../elsewhere/folder"},
            {"dangling.NEF", "../elsewhere/none.NEF"},
            {"loop.NEF", "loop.NEF"},
            {"loopA.NEF", "loopB.NEF"},
            {"loopB.NEF", "loopA.NEF"},
            {"tofolder.JPG", "../elsewhere/folder"},
        };
        for (const auto &link : links)
            QCOMPARE(::symlink(link.target, (m_photos + '/' + link.name).constData()), 0);
        QVERIFY(writeFile(m_photos + "/linkedpic.NEF", "raw"));
        QCOMPARE(::mkdir((m_photos + "/x.JPG").constData(), 0755), 0);
        QVERIFY(writeFile(m_photos + "/x.NEF", "raw"));
        QCOMPARE(::mkdir((m_photos + "/y.NEF").constData(), 0755), 0);
        QVERIFY(writeFile(m_photos + "/y.NEF/IMG_0009.NEF", "raw"));

        main_window::frmMain &w = start(m_photos);
        QCOMPARE(test::listedNames(*w.fb1), (QStringList{"IMG_0001.JPG", "linkedpic.JPG"}));
        QCOMPARE(test::listedNames(*w.fb2),
                 (QStringList{"IMG_0001.NEF", "linkedpic.NEF", "tofile.NEF", "x.NEF"}));
        QStringList folders;
        for (int row = 0; row < w.Dir1->count(); ++row)
            folders << w.Dir1->item(row)->text().trimmed();
        for (const char *folder : {"tofolder.JPG", "tofolder.NEF", "x.JPG", "y.NEF"})
            QVERIFY2(folders.contains(QString::fromLatin1(folder)), folder);

        trim(w);
        QCOMPARE(summary(), QStringLiteral("You have deleted 2 file(s)"));
        QCOMPARE(entries(trash() + "/files"), (QByteArrayList{"tofile.NEF", "x.NEF"}));
        QCOMPARE(linkTarget(trash() + "/files/tofile.NEF"), QByteArray("../elsewhere/real.NEF"));
        QCOMPARE(readFile(elsewhere + "/real.NEF"), QByteArray("the real RAW file"));
        for (const auto &link : links) {
            if (qstrcmp(link.name, "tofile.NEF") != 0)
                QCOMPARE(linkTarget(m_photos + '/' + link.name), QByteArray(link.target));
        }
        QCOMPARE(typeOf(m_photos + "/x.JPG"), mode_t(S_IFDIR));
        QCOMPARE(readFile(m_photos + "/y.NEF/IMG_0009.NEF"), QByteArray("raw"));
        QCOMPARE(readFile(m_photos + "/linkedpic.NEF"), QByteArray("raw"));

        // The link comes back from the trash as the link it was.
        const QString restore = QStandardPaths::findExecutable(QStringLiteral("trash-restore"));
        if (restore.isEmpty())
            QSKIP("trash-cli (trash-restore) is not installed");
        int exitCode = -1;
        runTrashCli(restore, {QFile::decodeName(m_photos + "/tofile.NEF")}, m_photos, "0\n",
                    exitCode);
        QCOMPARE(exitCode, 0);
        QCOMPARE(linkTarget(m_photos + "/tofile.NEF"), QByteArray("../elsewhere/real.NEF"));
    }
};

QTEST_MAIN(tst_HostileNames)
#include "tst_HostileNames.moc"
