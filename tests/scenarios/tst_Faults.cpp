// Faults under the main window and the trim: a folder unmounted under the
// lists, a card pulled out half-way through a trim, a trash that can't be
// written, a read-only volume, folders closed to the user. Whatever happens,
// every file is either in the trash with its info file or still where it was,
// the summary's count is true, the run ends and the program goes on.
//
// We run as root, who passes every permission check; the permission cases run
// the main window in a copy of this test started as an unprivileged user
// (see main() and runAsUser() at the end).

#include "files/FileNames.h"
#include "files/VolumeTable.h"
#include "main_window/frmMain.h"
#include "platform/linux/TrashInfo.h"
#include "platform/MessageBox.h"
#include "support/core/ByteFiles.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/UnprivilegedUser.h"
#include "support/widgets/MainWindowFixture.h"
#include "trimming/RecycleFile.h"
#include "trimming/TrimOperation.h"
#include "ui/ComboBox.h"
#include "ui/CommandButton.h"
#include "ui/DirListBox.h"
#include "ui/FileListBox.h"
#include "ui/Screen.h"
#include "ui/TextBox.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <memory>
#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quorvel;
using quorvel::test::entries;
using quorvel::test::errorName;
using quorvel::test::exists;
using quorvel::test::FakeMessageBox;
using quorvel::test::infoPath;
using quorvel::test::readFile;
using quorvel::test::realPath;
using quorvel::test::writeFile;

namespace {

constexpr uid_t nobody = quorvel::test::UnprivilegedUser::id;

// Opens every folder up again, then removes the tree by its bytes, without
// leaving the filesystem it starts on.
void removeTree(const QByteArray &root)
{
    ::nftw(
        root.constData(),
        [](const char *path, const struct stat *st, int type, FTW *) {
            if (type == FTW_D || type == FTW_DNR)
                ::chmod(path, (st->st_mode & 07777) | S_IRWXU);
            return 0;
        },
        16, FTW_PHYS | FTW_MOUNT);
    quorvel::test::removeTree(root);
}

bool chownTree(const QByteArray &root)
{
    return ::nftw(
               root.constData(),
               [](const char *path, const struct stat *, int, FTW *) {
                   return ::lchown(path, nobody, nobody);
               },
               16, FTW_PHYS) == 0;
}

QString failurePrompt(const QByteArray &name, int error)
{
    return QStringLiteral("For some reason the file ") + files::decodeFileName(name) +
           QStringLiteral(" can't be deleted. \n\nReported error no: ") + QString::number(error);
}

} // namespace

class tst_Faults : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_root;
    QByteArrayList m_mounts;
    QList<int> m_heldFds;
    test::MainWindowFixture fixture;
    FakeMessageBox &messages = fixture.messages();

    // Runs once, after the given number of files went to the trash.
    int m_faultAfter = -1;
    std::function<void()> m_fault;
    int m_moved = 0;

    QByteArray homeTrash() const { return m_root + "/data/Trash"; }
    QByteArray uid() const { return QByteArray::number(::geteuid()); }

    QByteArray makeFolder(const QByteArray &relative, mode_t mode = 0755)
    {
        return quorvel::test::makeFolder(m_root, relative, mode);
    }

    // Empty when mounted; otherwise why not, for QSKIP.
    QString mountTmpfs(const QByteArray &where, const char *options)
    {
        return quorvel::test::mountTmpfs(where, options, m_mounts);
    }

    // As "umount -l": the volume leaves the tree at once. A descriptor held on
    // its top keeps it reachable to the test, through /proc, so that the test
    // can still see what became of every file on it.
    QByteArray unmountLazily(const QByteArray &where)
    {
        const int fd = ::open(where.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || ::umount2(where.constData(), MNT_DETACH) != 0)
            return {};
        m_mounts.removeAll(where);
        m_heldFds.append(fd);
        return "/proc/self/fd/" + QByteArray::number(fd);
    }

    main_window::frmMain &start(const QByteArray &folder)
    {
        fixture.onRecycled([this](int result) {
            if (result == 0 && ++m_moved == m_faultAfter && m_fault)
                m_fault();
        });
        return fixture.start(files::decodeFileName(folder));
    }

    // Every RAW name is either still in folder or in trash with an info file
    // that leads back to it (Path= is storedFolder/name), never both and
    // never neither.
    void verifyNothingLost(const QByteArray &folder, const QByteArray &storedFolder,
                           const QByteArray &trash, const QByteArrayList &names,
                           int expectedInTrash)
    {
        int inTrash = 0;
        for (const QByteArray &name : names) {
            const bool inPlace = exists(folder + '/' + name);
            const bool trashed = exists(trash + "/files/" + name);
            const QByteArray info =
                trash + "/info/" + name + platform::trashInfoSuffix.toByteArray();
            QVERIFY2(inPlace != trashed, name.constData());
            if (trashed) {
                ++inTrash;
                QCOMPARE(infoPath(readFile(info)), storedFolder + '/' + name);
                QCOMPARE(readFile(trash + "/files/" + name), "raw " + name);
            } else {
                QVERIFY2(!exists(info), name.constData());
                QCOMPARE(readFile(folder + '/' + name), "raw " + name);
            }
        }
        QCOMPARE(inTrash, expectedInTrash);
        // No info file without its file, nor the other way round.
        QCOMPARE(entries(trash + "/info").size(), entries(trash + "/files").size());
    }

    // The prompts of a trim of fillCard()'s card that moved IMG_0002 and
    // IMG_0003 and then failed on each of the four after them with error,
    // each told, before its summary.
    void verifyFailedAfterTwo(const QStringList &got, int error)
    {
        QStringList expected;
        for (const QByteArray &name :
             QByteArrayList{"IMG_0004.NEF", "IMG_0006.NEF", "IMG_0007.NEF", "IMG_0008.NEF"})
            expected << failurePrompt(name, error);
        QCOMPARE(got.mid(1, 4), expected);
        QVERIFY2(got.value(5).startsWith(QStringLiteral("You have deleted 2 file(s)")),
                 qPrintable(got.value(5)));
    }

    // A card: pictures that keep two RAW files, and six RAW files to go.
    QByteArrayList fillCard(const QByteArray &folder)
    {
        const QByteArrayList raws = {"IMG_0001.NEF", "IMG_0002.NEF", "IMG_0003.NEF",
                                     "IMG_0004.NEF", "IMG_0005.NEF", "IMG_0006.NEF",
                                     "IMG_0007.NEF", "IMG_0008.NEF"};
        for (const QByteArray &name : raws)
            writeFile(folder + '/' + name, "raw " + name);
        writeFile(folder + "/IMG_0001.JPG", "picture");
        writeFile(folder + "/IMG_0005.JPG", "picture");
        return raws;
    }

    // What the copy of this test run as an unprivileged user reports.
    QJsonObject runAsNobody(const QByteArray &dataHome, const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), QFile::decodeName(dataHome));
        environment.insert(QStringLiteral("HOME"), QFile::decodeName(dataHome));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                           QFile::decodeName(dataHome + "/runtime"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QFile::decodeName(m_root));
        test::UnprivilegedUser::start(process, QCoreApplication::applicationFilePath(),
                                      QStringList{QStringLiteral("--as-user")} + arguments);
        const bool finished = process.waitForFinished(300000);
        const QByteArray err = process.readAllStandardError();
        if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            qWarning() << "the unprivileged copy failed:" << process.errorString() << err;
            return {};
        }
        return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    }

    static QStringList prompts(const QJsonObject &report)
    {
        QStringList list;
        for (const QJsonValue &message : report.value("messages").toArray())
            list << message.toObject().value("prompt").toString();
        return list;
    }

    static QStringList prompts(const FakeMessageBox &box)
    {
        QStringList list;
        for (const FakeMessageBox::Message &message : box.messages())
            list << message.prompt;
        return list;
    }

    // A home and trash of the unprivileged user's own.
    QByteArray nobodyHome()
    {
        const QByteArray home = makeFolder("nobody", 0700);
        makeFolder("nobody/runtime", 0700);
        for (const char *folder : {"nobody/Trash", "nobody/Trash/files", "nobody/Trash/info"})
            makeFolder(folder, 0700);
        chownTree(home);
        return home;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_root = realPath(QFile::encodeName(m_dir->path()));
        // Open to the unprivileged user of the permission cases.
        QCOMPARE(::chmod(m_root.constData(), 0755), 0);
        makeFolder("data");
        qputenv("XDG_DATA_HOME", m_root + "/data");
        fixture.reset();
        m_faultAfter = -1;
        m_fault = nullptr;
        m_moved = 0;
    }

    void cleanup()
    {
        fixture.reset();
        while (!m_mounts.isEmpty())
            ::umount2(m_mounts.takeLast().constData(), MNT_DETACH);
        for (const int fd : std::as_const(m_heldFds))
            ::close(fd);
        m_heldFds.clear();
        if (m_dir)
            removeTree(m_root);
        m_dir.reset();
    }

    // The card holding the folder shown is pulled out (unmounted lazily, as
    // "umount -l" does); then the user refreshes, opens a folder, or trims.
    void cardUnmountedUnderTheLists_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("Refresh Lists") << QStringLiteral("refresh");
        QTest::newRow("a subfolder opened") << QStringLiteral("open");
        QTest::newRow("Trim files") << QStringLiteral("trim");
    }
    void cardUnmountedUnderTheLists()
    {
        QFETCH(QString, action);
        const QByteArray card = m_root + "/card";
        if (const QString why = mountTmpfs(card, "size=4m,mode=0755"); !why.isEmpty())
            QSKIP(qPrintable(why));
        QCOMPARE(::mkdir((card + "/DCIM").constData(), 0755), 0);
        QCOMPARE(::mkdir((card + "/DCIM/100NIKON").constData(), 0755), 0);
        const QByteArrayList raws = fillCard(card + "/DCIM");
        makeFolder("photos");
        writeFile(m_root + "/photos/NEW.jpg", "picture");

        main_window::frmMain &w = start(card + "/DCIM");
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("2"));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("8"));
        const QByteArray pulled = unmountLazily(card);
        QVERIFY2(!pulled.isEmpty(), std::strerror(errno));

        const QString shown = files::decodeFileName(card + "/DCIM");
        if (action == u"refresh") {
            QTest::mouseClick(w.cmdRefresh, Qt::LeftButton);
            QCOMPARE(prompts(messages),
                     QStringList{QStringLiteral("The folder %1 can't be read.\n\n%2")
                                     .arg(shown, QString::fromLocal8Bit(std::strerror(ENOENT)))});
            QCOMPARE(messages.last().flags, platform::MB_ICONERROR);
        } else if (action == u"open") {
            const auto items = w.Dir1->findItems(QStringLiteral("100NIKON"), Qt::MatchEndsWith);
            QCOMPARE(items.size(), 1);
            w.Dir1->setCurrentItem(items.first());
            QTest::keyClick(w.Dir1, Qt::Key_Return);
            QCOMPARE(messages.count(), 1);
            QVERIFY(messages.last().prompt.contains(shown + QStringLiteral("/100NIKON")));
            QCOMPARE(w.Dir1->Path(), shown);
        } else {
            messages.answer(platform::IDYES);
            QTest::mouseClick(w.cmdQuorvel, Qt::LeftButton);
            // The folder is gone: said once for it, not once for each of its
            // six files; the count says none went; the refresh after it can't
            // read the folder and says so.
            const QStringList expected{messages.messages().first().prompt,
                                       trimming::TrimOperation::folderFailurePrompt(shown, ENOENT)};
            const QStringList got = prompts(messages);
            QCOMPARE(got.mid(0, 2), expected);
            QVERIFY2(got.value(2).startsWith(QStringLiteral("You have deleted 0 file(s)")),
                     qPrintable(got.value(2)));
            QCOMPARE(got.size(), 4);
            QVERIFY(got.value(3).startsWith(QStringLiteral("The folder ") + shown));
        }
        // The lists keep their last reading, and nothing on the card was touched.
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("8"));
        QCOMPARE(ui::Screen::MousePointer(), ui::Screen::vbDefault);
        verifyNothingLost(pulled + "/DCIM", "DCIM", pulled + "/.Trash-" + uid(), raws, 0);

        // The program goes on: the user opens another folder and refreshes.
        messages.clear();
        w.Dir1->setPath(files::decodeFileName(m_root + "/photos"));
        writeFile(m_root + "/photos/LATER.jpg", "picture");
        QTest::mouseClick(w.cmdRefresh, Qt::LeftButton);
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("2"));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("0"));
        QCOMPARE(messages.count(), 0);
    }

    // A pattern chosen while the folder is away (a card pulled out and put
    // back) must still be the pattern the list goes by: the trim names the
    // pattern in the box, and must not move files of another kind.
    void patternChosenWhileTheFolderIsAway_data()
    {
        QTest::addColumn<bool>("rawSide");
        QTest::newRow("RAW pattern") << true;
        QTest::newRow("picture pattern") << false;
    }
    void patternChosenWhileTheFolderIsAway()
    {
        QFETCH(bool, rawSide);
        const QByteArray folder = makeFolder("card");
        const QByteArray away = m_root + "/away";
        for (const QByteArray &name : QByteArrayList{"A.jpg", "B.tif"})
            writeFile(folder + '/' + name, "picture");
        for (const QByteArray &name : QByteArrayList{"A.NEF", "B.NEF", "C.NEF", "A.CR2", "D.CR2"})
            writeFile(folder + '/' + name, "raw " + name);
        main_window::frmMain &w = start(folder);

        QCOMPARE(::rename(folder.constData(), away.constData()), 0);
        ui::ComboBox *box = rawSide ? w.ComboRaw : w.ComboPicture;
        const QString entry = rawSide ? QStringLiteral("*.cr2 (Canon)") : QStringLiteral("*.tif");
        const int index = box->findText(entry);
        QVERIFY(index >= 0);
        box->setCurrentIndex(index);
        emit box->activated(index);
        QCOMPARE(messages.count(), 1); // the folder can't be read
        QCOMPARE(::rename(away.constData(), folder.constData()), 0);

        messages.answer(platform::IDYES);
        QTest::mouseClick(w.cmdQuorvel, Qt::LeftButton);
        // The list read before could not show what the new pattern selects,
        // so there is nothing the trim may move yet.
        QCOMPARE(messages.last().prompt,
                 QStringLiteral("No files to trim. Change path or file pattern."));
        for (const QByteArray &name : QByteArrayList{"A.NEF", "B.NEF", "C.NEF", "A.CR2", "D.CR2"})
            QCOMPARE(readFile(folder + '/' + name), "raw " + name);

        // Once the folder is read again, the trim goes by the box's pattern.
        messages.clear();
        QTest::mouseClick(w.cmdRefresh, Qt::LeftButton);
        messages.answer(platform::IDYES);
        QTest::mouseClick(w.cmdQuorvel, Qt::LeftButton);
        QVERIFY(messages.messages().first().prompt.contains(w.ComboRaw->Text()));
        QVERIFY(messages.messages().first().prompt.contains(w.ComboPicture->Text()));
        const QByteArrayList gone =
            rawSide ? QByteArrayList{"D.CR2"} : QByteArrayList{"A.NEF", "C.NEF"};
        QCOMPARE(entries(homeTrash() + "/files"), gone);
    }

    // The card is pulled part-way through a trim, after two files went.
    void cardPulledMidTrim_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("the remaining files gone") << QStringLiteral("files gone");
        QTest::newRow("the card unmounted") << QStringLiteral("unmounted");
    }
    void cardPulledMidTrim()
    {
        QFETCH(QString, how);
        const QByteArray card = m_root + "/card";
        if (const QString why = mountTmpfs(card, "size=4m,mode=0755"); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QByteArray folder = card + "/DCIM";
        QCOMPARE(::mkdir(folder.constData(), 0755), 0);
        const QByteArrayList raws = fillCard(folder);
        // Where the "pulled" files go, on the card so that they only move.
        const QByteArray stash = card + "/pulled";
        QCOMPARE(::mkdir(stash.constData(), 0755), 0);
        const QByteArray later = makeFolder("later");
        for (const QByteArray &name : QByteArrayList{"A.NEF", "B.NEF", "C.NEF"})
            writeFile(later + '/' + name, "raw");

        QByteArray pulled;
        m_faultAfter = 2;
        m_fault = [&] {
            if (how == u"files gone") {
                // What the system sees of a card that went: the files it
                // still had are no longer there. Kept aside to be counted.
                for (const QByteArray &name : entries(folder)) {
                    if (name.endsWith(".NEF"))
                        ::rename((folder + '/' + name).constData(),
                                 (stash + '/' + name).constData());
                }
            } else {
                pulled = unmountLazily(card);
            }
        };
        main_window::frmMain &w = start(folder);
        messages.answer(platform::IDYES);
        QTest::mouseClick(w.cmdQuorvel, Qt::LeftButton);

        const QStringList got = prompts(messages);
        QCOMPARE(ui::Screen::MousePointer(), ui::Screen::vbDefault);
        if (how == u"files gone") {
            verifyFailedAfterTwo(got, ENOENT);
            QCOMPARE(got.size(), 6); // the folder is still there: the refresh reads it
            QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("0"));
            // Trashed, or where the "pulled" card took them; nothing else.
            QByteArrayList everywhere =
                entries(stash) + entries(card + "/.Trash-" + uid() + "/files");
            std::sort(everywhere.begin(), everywhere.end());
            QCOMPARE(everywhere, raws);
            verifyNothingLost(folder, "DCIM", card + "/.Trash-" + uid(),
                              {"IMG_0002.NEF", "IMG_0003.NEF"}, 2);
        } else {
            // The trim holds the card's folder and trash open, so a card
            // unmounted meanwhile stays whole until it ends: every file it
            // came for is in the card's own trash, to be restored from there.
            QVERIFY(!pulled.isEmpty());
            QCOMPARE(got.size(), 3);
            QVERIFY2(got.value(1).startsWith(QStringLiteral("You have deleted 6 file(s)")),
                     qPrintable(got.value(1)));
            QVERIFY(got.value(2).startsWith(QStringLiteral("The folder ")));
            verifyNothingLost(pulled + "/DCIM", "DCIM", pulled + "/.Trash-" + uid(), raws, 6);
        }

        // The run is over and the window takes input again.
        messages.clear();
        w.Dir1->setPath(files::decodeFileName(later));
        writeFile(later + "/D.NEF", "raw");
        QTest::mouseClick(w.cmdRefresh, Qt::LeftButton);
        QCOMPARE(messages.count(), 0);
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("4"));
    }

    // The RAW folder becomes unreadable part-way, as a failing card does.
    // Closing a folder means nothing to root, so the window runs as an
    // unprivileged user here.
    void folderUnreadableMidTrim()
    {
        if (const QString why = test::UnprivilegedUser::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QByteArray home = nobodyHome();
        const QByteArray folder = makeFolder("card", 0755);
        const QByteArrayList raws = fillCard(folder);
        QVERIFY(chownTree(folder));

        const QJsonObject report = runAsNobody(
            home, {QFile::decodeName(folder), QStringLiteral("trim"), QStringLiteral("2")});
        QVERIFY(!report.isEmpty());
        ::chmod(folder.constData(), 0755);

        const QStringList got = prompts(report);
        verifyFailedAfterTwo(got, EACCES);
        QCOMPARE(got.size(), 7);
        QVERIFY(got.value(6).startsWith(QStringLiteral("The folder ") + QFile::decodeName(folder)));
        QCOMPARE(report.value("pointer").toInt(), ui::Screen::vbDefault);
        QCOMPARE(report.value("afterwards").toString(), QStringLiteral("running"));
        verifyNothingLost(folder, folder, home + "/Trash", raws, 2);
    }

    // The trash can't take the files: each failure is reported with its
    // number, every file stays where it was, and the count says none went.
    void trashCannotBeWritten_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("error");
        QTest::newRow("no room left") << QStringLiteral("full") << ENOSPC;
        QTest::newRow(".Trash-uid owned by someone else") << QStringLiteral("foreign") << EPERM;
        QTest::newRow(".Trash-uid a symlink") << QStringLiteral("symlink") << ELOOP;
        QTest::newRow("read-only volume") << QStringLiteral("read-only") << EROFS;
        QTest::newRow("read-only info folder") << QStringLiteral("read-only info") << EACCES;
    }
    void trashCannotBeWritten()
    {
        QFETCH(QString, setup);
        QFETCH(int, error);
        const QByteArray toGo[] = {"IMG_0002.NEF", "IMG_0003.NEF", "IMG_0004.NEF",
                                   "IMG_0006.NEF", "IMG_0007.NEF", "IMG_0008.NEF"};
        QByteArray folder;
        QByteArray trash;
        QByteArrayList raws;
        QStringList got;
        QByteArray elsewhere;

        if (setup == u"read-only info") {
            // The home trash of an unprivileged user, its info folder closed.
            if (const QString why = test::UnprivilegedUser::unavailable(); !why.isEmpty())
                QSKIP(qPrintable(why));
            const QByteArray home = nobodyHome();
            folder = makeFolder("photos");
            raws = fillCard(folder);
            QVERIFY(chownTree(folder));
            trash = home + "/Trash";
            QCOMPARE(::chmod((trash + "/info").constData(), 0500), 0);
            const QJsonObject report =
                runAsNobody(home, {QFile::decodeName(folder), QStringLiteral("trim")});
            QVERIFY(!report.isEmpty());
            QCOMPARE(report.value("count2").toString(), QStringLiteral("8"));
            QCOMPARE(report.value("afterwards").toString(), QStringLiteral("running"));
            got = prompts(report);
        } else {
            const QByteArray card = m_root + "/card";
            if (const QString why = mountTmpfs(card, setup == u"full" ? "size=256k,mode=0755"
                                                                      : "size=4m,mode=0755");
                !why.isEmpty())
                QSKIP(qPrintable(why));
            folder = card + "/DCIM";
            QCOMPARE(::mkdir(folder.constData(), 0755), 0);
            raws = fillCard(folder);
            trash = card + "/.Trash-" + uid();
            elsewhere = card + "/elsewhere";
            QCOMPARE(::mkdir(elsewhere.constData(), 0700), 0);
            if (setup == u"full") {
                const int fd =
                    ::open((card + "/filler").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                QVERIFY(fd >= 0);
                const QByteArray block(4096, 'f');
                while (::write(fd, block.constData(), size_t(block.size())) > 0) {
                }
                QCOMPARE(errno, ENOSPC);
                ::close(fd);
            } else if (setup == u"foreign") {
                QCOMPARE(::mkdir(trash.constData(), 0700), 0);
                QCOMPARE(::chown(trash.constData(), nobody, nobody), 0);
            } else if (setup == u"symlink") {
                QCOMPARE(::symlink("elsewhere", trash.constData()), 0);
            } else {
                QCOMPARE(
                    ::mount(nullptr, card.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr),
                    0);
            }
            main_window::frmMain &w = start(folder);
            messages.answer(platform::IDYES);
            QTest::mouseClick(w.cmdQuorvel, Qt::LeftButton);
            got = prompts(messages);
            QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("8"));
            QCOMPARE(ui::Screen::MousePointer(), ui::Screen::vbDefault);
        }

        QStringList expected;
        for (const QByteArray &name : toGo)
            expected << failurePrompt(name, error);
        QCOMPARE(got.mid(1, 6), expected);
        QVERIFY2(got.value(7).startsWith(QStringLiteral("You have deleted 0 file(s)")),
                 qPrintable(got.value(7)));
        QCOMPARE(got.size(), 8);
        for (const QByteArray &name : raws)
            QCOMPARE(readFile(folder + '/' + name), "raw " + name);
        QCOMPARE(entries(trash + "/info"), QByteArrayList());
        QCOMPARE(entries(trash + "/files"), QByteArrayList());
        if (!elsewhere.isEmpty())
            QCOMPARE(entries(elsewhere), QByteArrayList());
        QVERIFY2(!exists(homeTrash() + "/info") || entries(homeTrash() + "/info").isEmpty(),
                 "a file on a card must never go to the home trash");
    }

    // Folders the user may not read, met in the folder list or as the start
    // folder. The user is told which folder and why; the lists stay where
    // they were and the program goes on.
    void folderClosedToTheUser_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("mode");
        QTest::newRow("opened, no access at all") << QStringLiteral("open") << 0700;
        QTest::newRow("opened, may pass but not list") << QStringLiteral("open") << 0711;
        QTest::newRow("started in, may pass but not list") << QStringLiteral("start") << 0711;
    }
    void folderClosedToTheUser()
    {
        QFETCH(QString, action);
        QFETCH(int, mode);
        if (const QString why = test::UnprivilegedUser::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QByteArray home = nobodyHome();
        const QByteArray photos = makeFolder("photos");
        writeFile(photos + "/A.jpg", "picture");
        writeFile(photos + "/A.NEF", "raw A.NEF");
        makeFolder("photos/open");
        writeFile(photos + "/open/B.jpg", "picture");
        // root's folder, with pictures the user is not to see
        const QByteArray closed = makeFolder("photos/closed", 0755);
        fillCard(closed);
        QCOMPARE(::chmod(closed.constData(), mode_t(mode)), 0);

        const QStringList arguments =
            action == u"open" ? QStringList{QFile::decodeName(photos), QStringLiteral("open"),
                                            QStringLiteral("closed")}
                              : QStringList{QFile::decodeName(closed), QStringLiteral("none")};
        const QJsonObject report = runAsNobody(home, arguments);
        QVERIFY(!report.isEmpty());
        const QStringList got = prompts(report);

        // The user is told once, whether the folder was opened or started in.
        QCOMPARE(got.size(), 1);
        QCOMPARE(got.first(), QStringLiteral("The folder %1 can't be read.\n\n%2")
                                  .arg(QFile::decodeName(closed),
                                       QString::fromLocal8Bit(std::strerror(EACCES))));
        QCOMPARE(report.value("flags").toArray().first().toInt(), platform::MB_ICONERROR);
        if (action == u"open") {
            QCOMPARE(report.value("dir1").toString(), QFile::decodeName(photos));
            QCOMPARE(report.value("count1").toString(), QStringLiteral("1"));
            QCOMPARE(report.value("count2").toString(), QStringLiteral("1"));
        } else {
            // The window still opens, with its patterns and empty lists.
            QCOMPARE(report.value("count1").toString(), QStringLiteral("0"));
            QCOMPARE(report.value("count2").toString(), QStringLiteral("0"));
        }
        // Then it opened another folder, which lists by the patterns shown.
        QCOMPARE(report.value("afterwards").toString(), QStringLiteral("running"));
        QCOMPARE(report.value("pattern1").toString(), QStringLiteral("*.jpg"));
        QCOMPARE(report.value("pattern2").toString(), QStringLiteral("*.nef"));
        for (const QByteArray &name : QByteArrayList{"IMG_0002.NEF", "IMG_0003.NEF"})
            QCOMPARE(readFile(closed + '/' + name), "raw " + name);
    }
};

namespace {

// The copy of this test that runs as an unprivileged user: starts the main
// window in a folder, does one thing as the user would, and reports what it
// was told and how the window stands, as JSON on standard output.
//   --as-user <folder> trim [<files after which the folder is closed>]
//   --as-user <folder> open <subfolder>
//   --as-user <folder> none
int runAsUser(const QStringList &arguments)
{
    if (arguments.size() < 2)
        return 2;
    const QString folder = arguments.at(0);
    const QString action = arguments.at(1);

    test::MainWindowFixture fixture;
    FakeMessageBox &messages = fixture.messages();
    int moved = 0;
    const int closeAfter = action == u"trim" && arguments.size() > 2 ? arguments.at(2).toInt() : -1;
    fixture.onRecycled([&](int result) {
        if (result == 0 && ++moved == closeAfter)
            ::chmod(files::encodeFileName(folder).constData(), 0);
    });
    main_window::frmMain &form = fixture.start(folder);
    if (!form.isVisible())
        return 3;

    if (action == u"trim") {
        messages.answer(platform::IDYES);
        QTest::mouseClick(form.cmdQuorvel, Qt::LeftButton);
    } else if (action == u"open") {
        const auto items = form.Dir1->findItems(arguments.value(2), Qt::MatchEndsWith);
        if (items.size() != 1)
            return 4;
        form.Dir1->setCurrentItem(items.first());
        QTest::keyClick(form.Dir1, Qt::Key_Return);
    }

    QJsonObject report;
    QJsonArray prompts;
    QJsonArray flags;
    for (const FakeMessageBox::Message &message : messages.messages()) {
        prompts.append(QJsonObject{{"prompt", message.prompt}});
        flags.append(message.flags);
    }
    report.insert("messages", prompts);
    report.insert("flags", flags);
    report.insert("dir1", form.Dir1->Path());
    report.insert("count1", form.txtNoFiles1->Text());
    report.insert("count2", form.txtNoFiles2->Text());
    report.insert("pointer", ui::Screen::MousePointer());

    // And the program goes on: a readable folder opens and lists, without a word.
    const int before = messages.count();
    const QString home = qEnvironmentVariable("HOME");
    for (const QString &name : {QStringLiteral("later.jpg"), QStringLiteral("notes.txt")}) {
        QFile file(home + u'/' + name);
        file.open(QIODevice::WriteOnly);
    }
    form.Dir1->setPath(home);
    QTest::mouseClick(form.cmdRefresh, Qt::LeftButton);
    const bool running = messages.count() == before && form.txtNoFiles1->Text() == u"1" &&
                         form.txtNoFiles2->Text() == u"0" && form.isVisible();
    report.insert("afterwards", running ? QStringLiteral("running") : QStringLiteral("stuck"));
    report.insert("pattern1", form.fb1->Pattern());
    report.insert("pattern2", form.fb2->Pattern());

    std::fputs(QJsonDocument(report).toJson().constData(), stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--as-user") == 0)
        return runAsUser(application.arguments().mid(2));
    tst_Faults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Faults.moc"
