// "quorvel trim" as a script runs it: the real program, with no display at
// all, on a card of several folders, first as a dry run, then for real, and
// against a trash that can't be made.
#include "QuorvelVersion.h"
#include "support/core/ByteFiles.h"
#include "support/core/TestFiles.h"
#include "support/core/UnprivilegedUser.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using quorvel::test::touchFiles;
using quorvel::test::trashedNames;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
    QByteArray outBytes;
};

enum class As { Root, UnprivilegedUser, FromDeletedFolder };

// No display and no Qt platform to fall back on: were a window made, the
// program would end with a platform error instead of trimming. With
// trim false, the arguments are the program's own.
Run runProgram(const QStringList &arguments, const QString &dataHome, const QString &home,
               As as = As::Root, const QString &workingFolder = {}, bool trim = true,
               bool xcb = true)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    if (xcb)
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    env.insert(QStringLiteral("HOME"), home);
    process.setProcessEnvironment(env);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    const QString program = QStringLiteral(QUORVEL_BINARY);
    const QStringList all =
        (trim ? QStringList{QStringLiteral("trim")} : QStringList{}) + arguments;
    if (as == As::UnprivilegedUser) {
        quorvel::test::UnprivilegedUser::start(process, program, all);
    } else if (as == As::FromDeletedFolder) {
        // The shell's folder removed under it, as when a card's folder is
        // deleted in a file manager while a terminal is in it.
        process.start(QStringLiteral("/bin/sh"),
                      QStringList{QStringLiteral("-c"),
                                  QStringLiteral("mkdir gone && cd gone && rmdir ../gone && "
                                                 "exec \"$0\" \"$@\""),
                                  program} +
                          all);
    } else {
        process.start(program, all);
    }
    if (!process.waitForFinished(60000))
        return {};
    Run run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.outBytes = process.readAllStandardOutput();
    run.out = QString::fromUtf8(run.outBytes);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

Run runTrim(const QStringList &arguments, const QString &dataHome, const QString &home)
{
    return runProgram(arguments, dataHome, home);
}

// A folder ends in "/", "link->target" is a symbolic link, anything else is
// an empty file; each under root, by its bytes.
bool makeTree(const QByteArray &root, const QByteArrayList &entries)
{
    for (const QByteArray &entry : entries) {
        const qsizetype arrow = entry.indexOf("->");
        const QByteArray path = root + '/' + (arrow < 0 ? entry : entry.first(arrow));
        const QByteArray folder = path.first(path.lastIndexOf('/'));
        if (!QDir().mkpath(QString::fromUtf8(folder)))
            return false;
        if (entry.endsWith('/'))
            continue;
        const bool made = arrow < 0 ? quorvel::test::writeFile(path, {})
                                    : ::symlink(entry.mid(arrow + 2).constData(), path) == 0;
        if (!made)
            return false;
    }
    return true;
}

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class tst_CommandLineTrim : public QObject
{
    Q_OBJECT

private slots:
    void wholeCardDryRunThenForReal()
    {
        // The card and the data home on one volume, so that the home trash
        // is the one used, and it is the test's own.
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString data = temp.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(data));
        const QString card = temp.filePath(QStringLiteral("card"));
        const QString first = card + QStringLiteral("/DCIM/100NIKON");
        const QString second = card + QStringLiteral("/DCIM/101NIKON");
        const QString noPictures = card + QStringLiteral("/DCIM/102NIKON");
        touchFiles(first, {"DSC_1.jpg", "DSC_1.NEF", "DSC_2.NEF", "DSC_2.NEF.xmp", "DSC_\n6.NEF"});
        // DSC_1.NEF is kept by DSC_1.jpg in the first folder; DSC_2.NEF goes
        // from both.
        touchFiles(second, {"DSC_3.JPG", "DSC_3.NEF", "DSC_4.NEF", "DSC_1.NEF", "DSC_2.NEF"});
        touchFiles(noPictures, {"DSC_5.NEF"});
        touchFiles(card + QStringLiteral("/.Trash-1000/files"), {"DSC_9.NEF"});

        const QStringList arguments{"--subfolders", "--sidecars", "--raw", "*.nef (Nikon)", card};
        Run run = runTrim(QStringList{"--dry-run"} + arguments, data, temp.path());
        QCOMPARE(run.exitCode, 0);
        const QStringList wouldGo{
            // In list order: a line break sorts before any digit.
            "would go: " + first + "/DSC_\\n6.NEF",
            "would go: " + first + "/DSC_2.NEF",
            "would go: " + first + "/DSC_2.NEF.xmp (sidecar)",
            "would go: " + second + "/DSC_2.NEF",
            "would go: " + second + "/DSC_4.NEF",
            "4 file(s) would go to the trash, and 1 sidecar file(s) with them",
        };
        QCOMPARE(run.out.split(u'\n', Qt::SkipEmptyParts), wouldGo);
        QVERIFY2(run.err.contains("skipped " + noPictures + ": no pictures (*.jpg)"),
                 qPrintable(run.err));
        QVERIFY2(run.err.contains("kept " + second + "/DSC_1.NEF: its picture is in DCIM/100NIKON"),
                 qPrintable(run.err));
        QVERIFY(trashedNames(data).isEmpty());
        QVERIFY(QFile::exists(first + "/DSC_2.NEF"));

        run = runTrim(arguments, data, temp.path());
        QCOMPARE(run.exitCode, 0);
        QStringList trashedLines = wouldGo;
        trashedLines.replaceInStrings(QStringLiteral("would go: "), QStringLiteral("trashed: "));
        trashedLines.last() = "4 file(s) moved to the trash, and 1 sidecar file(s) with them";
        QCOMPARE(run.out.split(u'\n', Qt::SkipEmptyParts), trashedLines);

        // Two DSC_2.NEF from two folders, the second under a name of its own.
        const QStringList trashed = trashedNames(data);
        QCOMPARE(trashed.size(), 6 - 1);
        for (const QString &name :
             QStringList{"DSC_2.NEF", "DSC_2.NEF.xmp", "DSC_\n6.NEF", "DSC_4.NEF"})
            QVERIFY2(trashed.contains(name), qPrintable(trashed.join(", ")));
        const QDir info(data + QStringLiteral("/Trash/info"));
        QStringList origins;
        for (const QString &record : info.entryList(QDir::Files, QDir::Name)) {
            const QString text = readAll(info.filePath(record));
            const QRegularExpressionMatch path =
                QRegularExpression(QStringLiteral("^Path=(.*)$"),
                                   QRegularExpression::MultilineOption)
                    .match(text);
            QVERIFY2(path.hasMatch() && text.startsWith("[Trash Info]"), qPrintable(text));
            origins.append(
                QString::fromUtf8(QByteArray::fromPercentEncoding(path.captured(1).toUtf8())));
        }
        origins.sort();
        QStringList expectedOrigins{first + "/DSC_2.NEF", first + "/DSC_2.NEF.xmp",
                                    first + "/DSC_\n6.NEF", second + "/DSC_2.NEF",
                                    second + "/DSC_4.NEF"};
        expectedOrigins.sort();
        QCOMPARE(origins, expectedOrigins);
        for (const QString &kept :
             {first + "/DSC_1.NEF", second + "/DSC_3.NEF", second + "/DSC_1.NEF",
              noPictures + "/DSC_5.NEF", first + "/DSC_1.jpg"})
            QVERIFY2(QFile::exists(kept), qPrintable(kept));
        QVERIFY(QFile::exists(card + "/.Trash-1000/files/DSC_9.NEF"));

        // Again: what went is not taken twice.
        run = runTrim(arguments, data, temp.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("0 file(s) moved to the trash, and 0 sidecar file(s) "
                                         "with them\n"));
        QCOMPARE(trashedNames(data).size(), 5);
    }

    void aFileTheTrashCannotTake()
    {
        // The home trash can't be made where a file has its name: root
        // can't get past that as it gets past permissions.
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString data = temp.filePath(QStringLiteral("data"));
        touchFiles(data, {"Trash"});
        const QString folder = temp.filePath(QStringLiteral("card"));
        touchFiles(folder, {"DSC_1.jpg", "DSC_1.NEF", "DSC_2.NEF"});

        const Run run = runTrim({folder}, data, temp.path());
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(QRegularExpression("^failed: " + QRegularExpression::escape(folder) +
                                    "/DSC_2.NEF: [A-Za-z ]+ \\(error [0-9]+\\)\n$")
                     .match(run.err)
                     .hasMatch(),
                 qPrintable(run.err));
        QCOMPARE(run.out, QStringLiteral("0 file(s) moved to the trash; 1 could not be moved\n"));
        QVERIFY(QFile::exists(folder + "/DSC_2.NEF"));
    }

    void wrongUsageAndUnreadableFolders_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("no folder") << QStringList{} << 2 << "no picture folder given";
        QTest::newRow("three folders") << QStringList{"a", "b", "c"} << 2 << "more than two";
        QTest::newRow("unknown option") << QStringList{"--recursive", "a"} << 2 << "unknown option";
        QTest::newRow("pattern missing") << QStringList{"a", "--raw"} << 2 << "--raw needs";
        QTest::newRow("a folder that isn't there")
            << QStringList{"/nonexistent/quorvel"} << 2 << "No such file or directory";
        QTest::newRow("help") << QStringList{"--help"} << 0 << "PICTURE_FOLDER [RAW_FOLDER]";
        // Not the working folder, which an empty argument was taken for.
        QTest::newRow("an empty folder") << QStringList{"--dry-run", ""} << 2 << "is empty";
        QTest::newRow("an empty RAW folder")
            << QStringList{"--dry-run", "/nonexistent", ""} << 2 << "is empty";
        // Patterns are never cut short to what was understood of them.
        QTest::newRow("two patterns with a space")
            << QStringList{"--pictures", "*.jpg *.heic", "/nonexistent"} << 2
            << "'*.heic' after '*.jpg'";
        QTest::newRow("a note without parentheses")
            << QStringList{"--raw", "*.nef Nikon", "/nonexistent"} << 2 << "'Nikon' after '*.nef'";
        QTest::newRow("an empty pattern between two")
            << QStringList{"--pictures", "*.jpg;;*.heic", "/nonexistent"} << 2
            << "a pattern is empty";
        QTest::newRow("a pattern without extension")
            << QStringList{"--raw", "DSC_*", "/nonexistent"} << 2 << "'DSC_*' has no extension";
        QTest::newRow("a wildcard not known")
            << QStringList{"--raw", "DSC_[0-9]*.nef", "/nonexistent"} << 2
            << "'[' in 'DSC_[0-9]*.nef'";
        QTest::newRow("a pattern with a path")
            << QStringList{"--raw", "DCIM/*.nef", "/nonexistent"} << 2 << "'/' in 'DCIM/*.nef'";
    }
    void wrongUsageAndUnreadableFolders()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QTemporaryDir temp;
        const Run run = runTrim(arguments, temp.filePath("data"), temp.path());
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
        QVERIFY(trashedNames(temp.filePath("data")).isEmpty());
    }

    // Each row a small tree under a folder of its own ("@" in the arguments
    // and what is printed), the program run in it as a dry run.
    void whatWouldGo_data()
    {
        QTest::addColumn<QByteArrayList>("tree");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("as");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QString>("said");

        const int root = int(As::Root);
        QTest::newRow("a HEIF picture keeps its RAW file")
            << QByteArrayList{"card/A.jpg", "card/A.nef", "card/B.HEIC", "card/B.nef", "card/C.nef"}
            << QStringList{"--dry-run", "--pictures", "*.jpg;*.heic", "card"} << root << 0
            << QByteArray("would go: @/card/C.nef\n1 file(s) would go to the trash\n") << QString();
        QTest::newRow("a window's entry, cut as there")
            << QByteArrayList{"card/A.tiff", "card/A.nef", "card/B.nef"}
            << QStringList{"--dry-run", "--pictures", "*.tiff", "--raw", "*.nef (Nikon)", "card"}
            << root << 0 << QByteArray("would go: @/card/B.nef\n1 file(s) would go to the trash\n")
            << QString();
        // ls x/link/.. lists x/real, where the link leads up from; as text
        // the path would be x itself.
        QTest::newRow("up from where a link leads")
            << QByteArrayList{"x/real/sub/", "x/real/R.nef", "x/real/R2.jpg",   "x/real/R2.nef",
                              "x/S.nef",     "x/S2.jpg",     "x/link->real/sub"}
            << QStringList{"--dry-run", "x/link/.."} << root << 0
            << QByteArray("would go: @/x/real/R.nef\n1 file(s) would go to the trash\n")
            << QString();
        QTest::newRow("up from a folder that isn't there")
            << QByteArrayList{"A.jpg", "B.nef"} << QStringList{"--dry-run", "no-such/.."} << root
            << 2 << QByteArray() << "@/no-such/.. can't be read: No such file or directory";
        QTest::newRow("a RAW folder within that isn't there")
            << QByteArrayList{"card/A.jpg", "card/B.nef"}
            << QStringList{"--dry-run", "card", "card/RAW"} << root << 2 << QByteArray()
            << "@/card/RAW can't be read: No such file or directory";
        QTest::newRow("with --subfolders, a RAW folder within that isn't there")
            << QByteArrayList{"card/A.jpg", "card/B.nef"}
            << QStringList{"--dry-run", "--subfolders", "card", "card/RAW"} << root << 2
            << QByteArray() << "@/card/RAW can't be read: No such file or directory";
        QTest::newRow("a RAW folder that is a file")
            << QByteArrayList{"card/A.jpg", "card/B.nef"}
            << QStringList{"--dry-run", "card", "card/B.nef"} << root << 2 << QByteArray()
            << "@/card/B.nef can't be read: Not a directory";

        // Not UTF-8 (Latin-1 from an old camera), a backslash, a line break,
        // a control character beyond ASCII and the byte of its code: each
        // name printed as no other is.
        const QByteArrayList names{"card/caf\xe9.jpg",      "card/caf\xe9.nef",
                                   "card/caf\xff.nef",      "card/caf\\xff.nef",
                                   "card/back\\nslash.nef", "card/line\nbreak.nef",
                                   "card/nel\xc2\x85.nef",  "card/nel\x85.nef"};
        static constexpr char nullEnded[] = "@/card/back\\nslash.nef\0@/card/caf\\xff.nef\0"
                                            "@/card/caf\xff.nef\0@/card/line\nbreak.nef\0"
                                            "@/card/nel\xc2\x85.nef\0@/card/nel\x85.nef\0";
        QTest::newRow("names that must not read alike")
            << names << QStringList{"--dry-run", "card"} << root << 0
            << QByteArray("would go: @/card/back\\\\nslash.nef\n"
                          "would go: @/card/caf\\\\xff.nef\n"
                          "would go: @/card/caf\\xff.nef\n"
                          "would go: @/card/line\\nbreak.nef\n"
                          "would go: @/card/nel\\u0085.nef\n"
                          "would go: @/card/nel\\x85.nef\n"
                          "6 file(s) would go to the trash\n")
            << QString();
        QTest::newRow("--null: the paths' bytes and nothing else")
            << names << QStringList{"--dry-run", "--null", "card"} << root << 0
            << QByteArray(nullEnded, sizeof nullEnded - 1) << "6 file(s) would go to the trash\n";

        // A card formatted ext4 has a lost+found only root may read.
        QTest::newRow("an unreadable folder below")
            << QByteArrayList{"card/DCIM/A.jpg", "card/DCIM/A.nef", "card/DCIM/B.nef",
                              "card/lost+found/X.nef"}
            << QStringList{"--dry-run", "--subfolders", "card"} << int(As::UnprivilegedUser) << 0
            << QByteArray("would go: @/card/DCIM/B.nef\n1 file(s) would go to the trash\n")
            << "skipped @/card/lost+found: @/card/lost+found can't be read: Permission denied";
        QTest::newRow("an unreadable folder given")
            << QByteArrayList{"card/DCIM/A.jpg", "card/lost+found/X.nef"}
            << QStringList{"--dry-run", "card/lost+found"} << int(As::UnprivilegedUser) << 2
            << QByteArray() << "@/card/lost+found can't be read: Permission denied";

        // From a folder deleted under the shell "." is nowhere: it was "/",
        // and the whole system was walked.
        QTest::newRow("from a deleted working folder")
            << QByteArrayList{"card/A.jpg", "card/B.nef"}
            << QStringList{"--dry-run", "--subfolders", "."} << int(As::FromDeletedFolder) << 2
            << QByteArray() << "the working folder can't be found";
        QTest::newRow("from a deleted working folder, a folder from /")
            << QByteArrayList{"card/A.jpg", "card/B.nef"} << QStringList{"--dry-run", "@/card"}
            << int(As::FromDeletedFolder) << 0
            << QByteArray("would go: @/card/B.nef\n1 file(s) would go to the trash\n") << QString();
    }
    void whatWouldGo()
    {
        QFETCH(QByteArrayList, tree);
        QFETCH(QStringList, arguments);
        QFETCH(int, as);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QString, said);
        if (As(as) == As::UnprivilegedUser) {
            if (const QString why = quorvel::test::UnprivilegedUser::unavailable(); !why.isEmpty())
                QSKIP(qPrintable(why));
        }
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        // As the program names it, with any link on the way resolved.
        const QByteArray top = quorvel::test::realPath(QFile::encodeName(temp.path()));
        const QByteArray root = top + "/work";
        QVERIFY(makeTree(root, tree));
        // Open to the unprivileged user, but for lost+found.
        QVERIFY(::chmod(top.constData(), 0755) == 0);
        if (QFile::exists(QString::fromUtf8(root + "/card/lost+found")))
            QVERIFY(::chmod((root + "/card/lost+found").constData(), 0700) == 0);
        const QString rootText = QString::fromUtf8(root);
        arguments.replaceInStrings(QStringLiteral("@"), rootText);

        const Run run = runProgram(arguments, temp.filePath("data"), temp.path(), As(as), rootText);
        QVERIFY2(run.exitCode == exitCode, qPrintable(run.err));
        QCOMPARE(run.outBytes, out.replace('@', root));
        QVERIFY2(run.err.contains(said.replace(u'@', rootText)), qPrintable(run.err));
        // Refused before any folder was read.
        if (run.exitCode == 2)
            QVERIFY2(!run.err.contains(QStringLiteral("skipped ")), qPrintable(run.err));
        QVERIFY(trashedNames(temp.filePath("data")).isEmpty());
        for (const QByteArray &entry : tree)
            QVERIFY2(quorvel::test::exists(root + '/' + entry.split('-').first()), entry);
        // By the names' bytes, which QTemporaryDir would miss.
        quorvel::test::removeTree(root);
    }

    // Answered with no display at all, not even a platform to try.
    void versionAndHelp_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("printed");
        QTest::addColumn<bool>("whole");
        const QString version = QStringLiteral("Quorvel %1.%2.%3\n")
                                    .arg(quorvel::version::major)
                                    .arg(quorvel::version::minor)
                                    .arg(quorvel::version::revision);
        QTest::newRow("quorvel --version") << QStringList{"--version"} << version << true;
        QTest::newRow("quorvel trim --version")
            << QStringList{"trim", "--version"} << version << true;
        QTest::newRow("quorvel --help") << QStringList{"--help"} << "Usage: quorvel\n" << false;
        QTest::newRow("quorvel -h") << QStringList{"-h"} << "quorvel trim --help" << false;
        QTest::newRow("quorvel trim --help")
            << QStringList{"trim", "--help"} << "Usage: quorvel trim [--dry-run]" << false;
    }
    void versionAndHelp()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, printed);
        QFETCH(bool, whole);
        QTemporaryDir temp;
        const Run run =
            runProgram(arguments, temp.filePath("data"), temp.path(), As::Root, {}, false, false);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY2(whole ? run.out == printed : run.out.contains(printed), qPrintable(run.out));
        QCOMPARE(run.err, QString());
    }
};

QTEST_GUILESS_MAIN(tst_CommandLineTrim)
#include "tst_CommandLineTrim.moc"
