#include "files/FileNames.h"
#include "files/FolderError.h"
#include "files/FolderListing.h"
#include "files/FolderSnapshot.h"
#include "files/WildcardPattern.h"
#include "support/core/ScratchFolder.h"
#include "support/core/UnprivilegedUser.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <string>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using quorvel::files::decodeFileName;
using quorvel::files::encodeFileName;
using quorvel::files::FolderError;
using quorvel::files::WildcardPattern;
using quorvel::test::ScratchFolder;
namespace FolderListing = quorvel::files::FolderListing;

namespace {

const char childSwitch[] = "--list-unreadable-as-child";

QList<QByteArray> encodedAll(const QStringList &names)
{
    QList<QByteArray> out;
    for (const QString &name : names)
        out.append(encodeFileName(name));
    return out;
}

// Runs a listing on a thread of its own, so that a listing stuck in open() on
// a FIFO fails the test instead of hanging it; the FIFOs are then opened for
// writing, which lets the stuck reader go.
template <typename Listing> bool finishesInTime(Listing listing, const QList<QByteArray> &fifos)
{
    std::packaged_task<void()> task(std::move(listing));
    std::future<void> done = task.get_future();
    std::thread worker(std::move(task));
    const bool inTime = done.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    if (!inTime) {
        for (const QByteArray &fifo : fifos) {
            const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
    }
    worker.join();
    done.get();
    return inTime;
}

// Names of the entries of a watched folder that something opened meanwhile.
QList<QByteArray> openedEntries(int inotifyFd)
{
    QList<QByteArray> names;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(inotifyFd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (char *at = buffer; at < buffer + got;) {
            const auto *event = reinterpret_cast<const inotify_event *>(at);
            if (event->len > 0)
                names.append(QByteArray(event->name));
            at += sizeof(inotify_event) + event->len;
        }
    }
    return names;
}

// Child side of unreadableFolderFails: runs as an unprivileged user and
// reports through its exit code what reading the folder gave.
int listUnreadableAsChild(const char *folder)
{
    int result = 0;
    for (int kind = 0; kind < 2; ++kind) {
        try {
            if (kind == 0)
                FolderListing::files(decodeFileName(folder), WildcardPattern(u"*"));
            else
                FolderListing::subfolders(decodeFileName(folder));
            std::fprintf(stderr, "listing %d read an unreadable folder\n", kind);
            result = 3;
        } catch (const FolderError &error) {
            if (error.errorNumber() != EACCES || error.folder() != decodeFileName(folder)) {
                std::fprintf(stderr, "listing %d failed with %s\n", kind, error.what());
                result = 4;
            }
        }
    }
    return result;
}

} // namespace

class tst_FolderListing : public QObject
{
    Q_OBJECT

private slots:
    void order_data();
    void order();
    void orderIsCaseBlindThenExact();
    void listingFollowsTheOrder();
    void patternFilters();
    void twoPatternsInOnePass();
    void onlyFilesAreListed();
    void subfoldersLeaveOutHiddenOnes();
    void hostileNamesAreListed_data();
    void hostileNamesAreListed();
    void vanishedFolderFails();
    void fileIsNotAFolder();
    void unreadableFolderFails();
};

void tst_FolderListing::order_data()
{
    QTest::addColumn<QList<QByteArray>>("created");
    QTest::addColumn<QList<QByteArray>>("expected");

    QTest::newRow("case only breaks ties")
        << QList<QByteArray>{"b.jpg", "B.jpg", "a.jpg", "A.JPG", "A.jpg"}
        << QList<QByteArray>{"A.JPG", "A.jpg", "a.jpg", "B.jpg", "b.jpg"};
    QTest::newRow("digits by code, not by value")
        << QList<QByteArray>{"IMG_10.jpg", "IMG_2.jpg", "IMG_1.jpg", "img_100.jpg"}
        << QList<QByteArray>{"IMG_1.jpg", "IMG_10.jpg", "img_100.jpg", "IMG_2.jpg"};
    QTest::newRow("punctuation against letters")
        << QList<QByteArray>{"ab.jpg", "a_b.jpg", "aB.jpg", "a-b.jpg", "a~b.jpg"}
        << QList<QByteArray>{"a-b.jpg", "a_b.jpg", "aB.jpg", "ab.jpg", "a~b.jpg"};
    QTest::newRow("prefix first") << QList<QByteArray>{"a.jpg.jpg", "a", "a.jpg", "A"}
                                  << QList<QByteArray>{"A", "a", "a.jpg", "a.jpg.jpg"};
    // Non-ASCII names sort by UTF-16 code unit: a raw byte's escape (U+DCxx)
    // after an emoji's surrogates, and both before the high BMP.
    QTest::newRow("non-ASCII by code unit") << QList<QByteArray>{"\xEF\xBD\x86.jpg",
                                                                 "\xFF.jpg",
                                                                 "\xF0\x9F\x98\x80.jpg",
                                                                 "\xE5\x86\x99.jpg",
                                                                 "\xC3\xA9.jpg",
                                                                 "Z2.jpg",
                                                                 "z.jpg"}
                                            << QList<QByteArray>{"z.jpg",
                                                                 "Z2.jpg",
                                                                 "\xC3\xA9.jpg",
                                                                 "\xE5\x86\x99.jpg",
                                                                 "\xF0\x9F\x98\x80.jpg",
                                                                 "\xFF.jpg",
                                                                 "\xEF\xBD\x86.jpg"};
    // Far more name bytes than a reading keeps in one piece, with names of
    // every length up to the longest, so some end just short of a boundary.
    QList<QByteArray> many;
    for (int i = 0; i < 1200; ++i)
        many.append(QByteArray::number(1000 + i) + QByteArray(i % 252, 'x'));
    QList<QByteArray> reversed(many.rbegin(), many.rend());
    QTest::newRow("long names, many of them") << reversed << many;
}

void tst_FolderListing::order()
{
    QFETCH(QList<QByteArray>, created);
    QFETCH(QList<QByteArray>, expected);
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    for (const QByteArray &name : created)
        QVERIFY(dir.touch(name));
    QCOMPARE(encodedAll(FolderListing::files(dir.path(), WildcardPattern(u"*"))), expected);
}

// The order both listings use is ASCII letters without case, by UTF-16 code
// unit, with the exact names breaking ties; checked against a plain reference
// over many random names.
void tst_FolderListing::orderIsCaseBlindThenExact()
{
    const std::u16string alphabet = u"aAbBzZ_-.09~\u00e9\u00c9\xff46\U0001F600\xdcff";
    QRandomGenerator random(8301);
    const auto randomName = [&] {
        std::u16string name;
        const int length = int(random.bounded(6));
        for (int i = 0; i < length; ++i)
            name += alphabet[random.bounded(int(alphabet.size()))];
        return name;
    };
    const auto key = [](std::u16string name) {
        std::u16string folded = name;
        for (char16_t &c : folded) {
            if (c >= u'A' && c <= u'Z')
                c = char16_t(c + 32);
        }
        return std::make_pair(folded, name);
    };
    for (int round = 0; round < 50000; ++round) {
        const std::u16string a = randomName();
        const std::u16string b = randomName();
        const QString qa = QString::fromStdU16String(a);
        const QString qb = QString::fromStdU16String(b);
        if (FolderListing::lessThan(qa, qb) != (key(a) < key(b)))
            QFAIL(qPrintable(QStringLiteral("wrong order for \"%1\" and \"%2\"").arg(qa, qb)));
    }
}

// The listing sorts its own way for speed; whatever it does, it must give the
// order lessThan() defines, for ASCII and non-ASCII names alike.
void tst_FolderListing::listingFollowsTheOrder()
{
    const QList<QByteArray> pieces = {"a",
                                      "A",
                                      "b",
                                      "B",
                                      "z",
                                      "Z",
                                      "_",
                                      "-",
                                      ".",
                                      "0",
                                      "9",
                                      "~",
                                      " ",
                                      "\xC3\xA9",
                                      "\xC3\x89",
                                      "\xEF\xBD\x86",
                                      "\xF0\x9F\x98\x80",
                                      "\xFF",
                                      "\xE5\x86\x99"};
    QRandomGenerator random(1212);
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    QSet<QByteArray> created;
    while (created.size() < 3000) {
        QByteArray name;
        // Short names, and long ones sharing a start of 16 characters or more.
        const int length = int(random.bounded(1, 9));
        if (random.bounded(2) == 0)
            name = QByteArray("DSC_0000000000").left(int(random.bounded(10, 15))) +
                   (random.bounded(2) ? "0" : "O");
        for (int i = 0; i < length; ++i)
            name += pieces.at(random.bounded(pieces.size()));
        if (name.startsWith('.') || created.contains(name))
            continue;
        QVERIFY(dir.touch(name));
        created.insert(name);
    }
    QStringList expected;
    for (const QByteArray &name : created)
        expected.append(decodeFileName(name));
    std::sort(expected.begin(), expected.end(), FolderListing::lessThan);
    const QStringList listed = FolderListing::files(dir.path(), WildcardPattern(u"*"));
    // The same names as read, put in order afterwards, the way a trim
    // orders only what it prints.
    const quorvel::files::NameList asRead =
        FolderListing::fileNames(quorvel::files::FolderSnapshot(dir.path()), WildcardPattern(u"*"),
                                 FolderListing::Order::AsRead);
    QStringList ordered;
    for (const qsizetype i : FolderListing::ascendingOrder(asRead))
        ordered.append(asRead.at(i));
    QCOMPARE(listed.size(), expected.size());
    QCOMPARE(ordered.size(), expected.size());
    for (qsizetype i = 0; i < listed.size(); ++i) {
        if (listed.at(i) != expected.at(i) || ordered.at(i) != expected.at(i))
            QFAIL(qPrintable(QStringLiteral("at %1: %2 and %3 instead of %4")
                                 .arg(i)
                                 .arg(listed.at(i), ordered.at(i), expected.at(i))));
    }
}

void tst_FolderListing::patternFilters()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    for (const char *name : {"DSC_0001.NEF", "DSC_0001.JPG", "dsc_0002.nef", "DSC_0003.nef.xmp",
                             "scan.tif", "scan.tiff", "scan.ti", "-----"}) {
        QVERIFY(dir.touch(name));
    }
    QCOMPARE(FolderListing::files(dir.path(), WildcardPattern(u"*.nef")),
             QStringList({"DSC_0001.NEF", "dsc_0002.nef"}));
    QCOMPARE(FolderListing::files(dir.path(), WildcardPattern(u"*.tif")),
             QStringList({"scan.tif", "scan.tiff"}));
    QCOMPARE(FolderListing::files(dir.path(), WildcardPattern(u"-----")), QStringList({"-----"}));
    QCOMPARE(FolderListing::files(dir.path(), WildcardPattern(u"*.cr2")), QStringList());
}

// One pass for two patterns lists what two listings list, a name that both
// take in both lists, and each list in the order asked for.
void tst_FolderListing::twoPatternsInOnePass()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    for (const char *name : {"DSC_2.NEF", "DSC_1.JPG", "dsc_3.nef", "DSC_3.jpg", "DSC_1.NEF",
                             "\xC3\xA9t\xC3\xA9.jpg", "\xFF.nef", "nef.jpg", "notes.txt"}) {
        QVERIFY(dir.touch(name));
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub.nef")));
    const quorvel::files::FolderSnapshot reading(dir.path());
    const WildcardPattern raws(u"*.nef");
    const WildcardPattern named(u"*nef*");
    const auto [ascending, alsoAscending] = FolderListing::fileNames(
        reading, raws, FolderListing::Order::Ascending, named, FolderListing::Order::Ascending);
    QCOMPARE(ascending, FolderListing::fileNames(reading, raws));
    QCOMPARE(alsoAscending, FolderListing::fileNames(reading, named));
    QCOMPARE(alsoAscending.toStringList(), QStringList({"DSC_1.NEF", "DSC_2.NEF", "dsc_3.nef",
                                                        "nef.jpg", decodeFileName("\xFF.nef")}));
    const auto [sorted, asRead] = FolderListing::fileNames(
        reading, raws, FolderListing::Order::Ascending, named, FolderListing::Order::AsRead);
    QCOMPARE(sorted, ascending);
    QCOMPARE(asRead, FolderListing::fileNames(reading, named, FolderListing::Order::AsRead));
    QStringList asReadSorted = asRead.toStringList();
    std::sort(asReadSorted.begin(), asReadSorted.end(), FolderListing::lessThan);
    QCOMPARE(asReadSorted, alsoAscending.toStringList());
}

// Only regular files and links to them are listed. Special files are never
// opened: a FIFO would block the listing, a device could do anything.
void tst_FolderListing::onlyFilesAreListed()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    const auto at = [&](const char *name) { return dir.at(name); };

    QVERIFY(dir.touch("plain.jpg"));
    QVERIFY(dir.touch(".hidden.jpg"));
    QVERIFY(::chmod(at("plain.jpg"), 0444) == 0); // read-only files are listed
    QVERIFY(dir.makeFolder("folder"));
    QVERIFY(dir.makeFolder("x.jpg"));
    QVERIFY(::mkfifo(at("fifo.jpg"), 0644) == 0);
    QVERIFY(::mknod(at("device.jpg"), S_IFCHR | 0644, makedev(1, 3)) == 0);

    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(sock >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray sockPath = at("socket.jpg");
    QVERIFY(size_t(sockPath.size()) < sizeof address.sun_path);
    std::copy(sockPath.begin(), sockPath.end(), address.sun_path);
    QVERIFY(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);

    QVERIFY(::symlink("plain.jpg", at("link-to-file.jpg")) == 0);
    QVERIFY(::symlink(".hidden.jpg", at("link-to-hidden.jpg")) == 0);
    QVERIFY(::symlink("folder", at("link-to-folder.jpg")) == 0);
    QVERIFY(::symlink("fifo.jpg", at("link-to-fifo.jpg")) == 0);
    QVERIFY(::symlink("device.jpg", at("link-to-device.jpg")) == 0);
    QVERIFY(::symlink("nowhere.jpg", at("dangling.jpg")) == 0);
    QVERIFY(::symlink("loop.jpg", at("loop.jpg")) == 0);
    QVERIFY(::symlink("ping.jpg", at("pong.jpg")) == 0);
    QVERIFY(::symlink("pong.jpg", at("ping.jpg")) == 0);

    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watch >= 0);
    QVERIFY(::inotify_add_watch(watch, encodeFileName(dir.path()).constData(), IN_OPEN) >= 0);

    QStringList files;
    QStringList allFiles;
    QStringList subfolders;
    const bool inTime = finishesInTime(
        [&] {
            files = FolderListing::files(dir.path(), WildcardPattern(u"*.jpg"));
            allFiles = FolderListing::files(dir.path(), WildcardPattern(u"*"));
            subfolders = FolderListing::subfolders(dir.path());
        },
        {at("fifo.jpg")});
    const QList<QByteArray> opened = openedEntries(watch);
    ::close(watch);
    ::close(sock);

    QVERIFY2(inTime, "the listing blocked on a special file");
    QVERIFY2(opened.isEmpty(), opened.join(", ").constData());
    const QStringList expected = {"link-to-file.jpg", "link-to-hidden.jpg", "plain.jpg"};
    QCOMPARE(files, expected);
    QCOMPARE(allFiles, expected);
    QCOMPARE(subfolders, QStringList({"folder", "link-to-folder.jpg", "x.jpg"}));
}

void tst_FolderListing::subfoldersLeaveOutHiddenOnes()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    for (const char *name : {"B", "a", ".git", ".thumbnails", "c d"})
        QVERIFY(dir.makeFolder(name));
    QVERIFY(::symlink(".git", dir.at("visible-link")) == 0);
    QVERIFY(::symlink("a", dir.at(".hidden-link")) == 0);
    QVERIFY(dir.touch("file"));
    QCOMPARE(FolderListing::subfolders(dir.path()), QStringList({"a", "B", "c d", "visible-link"}));
}

void tst_FolderListing::hostileNamesAreListed_data()
{
    QTest::addColumn<QByteArray>("name");

    QTest::newRow("newline") << QByteArray("line\nbreak.jpg");
    QTest::newRow("carriage return") << QByteArray("cr\r.jpg");
    QTest::newRow("percent") << QByteArray("100% %s %n %1.jpg");
    QTest::newRow("backslash") << QByteArray("C:\\DCIM\\a.jpg");
    QTest::newRow("leading space") << QByteArray(" a.jpg");
    QTest::newRow("trailing space") << QByteArray("a.jpg ");
    QTest::newRow("latin-1") << QByteArray("caf\xE9.jpg");
    QTest::newRow("invalid bytes") << QByteArray("\xFF\xFE\x80.jpg");
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80.jpg");
    QTest::newRow("overlong") << QByteArray("\xC0\xAF.jpg");
    QTest::newRow("emoji") << QByteArray("\xF0\x9F\x93\xB7.jpg");
    QTest::newRow("255 bytes") << QByteArray(251, 'a') + ".jpg";
    QTest::newRow("255 invalid bytes") << QByteArray(251, '\xFF') + ".jpg";
    QTest::newRow("255 bytes of two-byte chars") << QByteArray("\xC3\xA9").repeated(125) + "x.jpg";
}

// Whatever a name holds, the list shows it and gives back its exact bytes, so
// that the file can be found again under that name.
void tst_FolderListing::hostileNamesAreListed()
{
    QFETCH(QByteArray, name);
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    QVERIFY(dir.touch(name));
    QVERIFY(dir.touch("other.jpg"));

    const QStringList listed = FolderListing::files(dir.path(), WildcardPattern(u"*.jpg*"));
    QCOMPARE(listed.size(), 2);
    const qsizetype at = encodedAll(listed).indexOf(name);
    QVERIFY2(at >= 0, qPrintable(listed.join(u" | ")));
    struct stat st
    {
    };
    QCOMPARE(::stat(encodeFileName(quorvel::files::joinPath(dir.path(), listed.at(at))).constData(),
                    &st),
             0);
    QVERIFY(S_ISREG(st.st_mode));

    // The list a window keeps holds the very bytes, in the same order.
    const quorvel::files::NameList kept =
        FolderListing::fileNames(dir.path(), WildcardPattern(u"*.jpg*"));
    QCOMPARE(kept.size(), 2);
    QCOMPARE(kept.bytes(at), QByteArrayView(name));
    QCOMPARE(kept.toStringList(), listed);
}

void tst_FolderListing::vanishedFolderFails()
{
    QString folder;
    {
        ScratchFolder dir;
        QVERIFY(dir.isValid());
        folder = dir.path();
    }
    for (int kind = 0; kind < 2; ++kind) {
        try {
            if (kind == 0)
                FolderListing::files(folder, WildcardPattern(u"*"));
            else
                FolderListing::subfolders(folder);
            QFAIL("a vanished folder was listed");
        } catch (const FolderError &error) {
            QCOMPARE(error.errorNumber(), ENOENT);
            QCOMPARE(error.folder(), folder);
            QVERIFY(!error.reason().isEmpty());
        }
    }
}

void tst_FolderListing::fileIsNotAFolder()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    QVERIFY(::mkfifo(dir.at("fifo"), 0644) == 0);
    QVERIFY(dir.touch("file"));
    for (const char *name : {"file", "fifo"}) {
        try {
            FolderListing::files(decodeFileName(dir.at(name)), WildcardPattern(u"*"));
            QFAIL("a non-folder was listed");
        } catch (const FolderError &error) {
            QCOMPARE(error.errorNumber(), ENOTDIR);
        }
    }
}

// Root reads every folder, so the listing runs as "nobody" in a child process:
// this same program, copied where nobody may run it.
void tst_FolderListing::unreadableFolderFails()
{
    ScratchFolder dir;
    QVERIFY(dir.isValid());
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther));
    const QString locked = dir.path() + QStringLiteral("/locked");
    QVERIFY(dir.makeFolder("locked"));
    QVERIFY(dir.touch("locked/inside.jpg"));
    QVERIFY(dir.makeFolder("locked/sub"));
    QVERIFY(::chmod(dir.at("locked"), 0311) == 0); // enter, but not read

    if (::geteuid() != 0) {
        QCOMPARE(listUnreadableAsChild(encodeFileName(locked).constData()), 0);
        return;
    }
    if (const QString why = quorvel::test::UnprivilegedUser::unavailable(); !why.isEmpty())
        QSKIP(qPrintable(why));
    const QString program = dir.path() + QStringLiteral("/lister");
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    QVERIFY(QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadOther | QFileDevice::ExeOther));
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    quorvel::test::UnprivilegedUser::start(child, program,
                                           {QString::fromLatin1(childSwitch), locked});
    QVERIFY2(child.waitForFinished(60000), qPrintable(child.errorString()));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
}

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], childSwitch) == 0)
        return listUnreadableAsChild(argv[2]);
    QCoreApplication app(argc, argv);
    tst_FolderListing test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_FolderListing.moc"
