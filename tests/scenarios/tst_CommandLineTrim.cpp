// "quorvel trim" as a script runs it: the real program, with no display at
// all, on a card of several folders, first as a dry run, then for real, and
// against a trash that can't be made.
#include "support/core/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using quorvel::test::touchFiles;
using quorvel::test::trashedNames;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// No display and no Qt platform to fall back on: were a window made, the
// program would end with a platform error instead of trimming.
Run runTrim(const QStringList &arguments, const QString &dataHome, const QString &home)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    env.insert(QStringLiteral("HOME"), home);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QUORVEL_BINARY), QStringList{QStringLiteral("trim")} + arguments);
    if (!process.waitForFinished(60000))
        return {};
    Run run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
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
        touchFiles(second, {"DSC_3.JPG", "DSC_3.NEF", "DSC_4.NEF", "DSC_1.NEF"});
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
            "would go: " + second + "/DSC_1.NEF",
            "would go: " + second + "/DSC_4.NEF",
            "4 file(s) would go to the trash, and 1 sidecar file(s) with them",
        };
        QCOMPARE(run.out.split(u'\n', Qt::SkipEmptyParts), wouldGo);
        QVERIFY2(run.err.contains("skipped " + noPictures + ": no pictures (*.jpg)"),
                 qPrintable(run.err));
        QVERIFY(trashedNames(data).isEmpty());
        QVERIFY(QFile::exists(first + "/DSC_2.NEF"));

        run = runTrim(arguments, data, temp.path());
        QCOMPARE(run.exitCode, 0);
        QStringList trashedLines = wouldGo;
        trashedLines.replaceInStrings(QStringLiteral("would go: "), QStringLiteral("trashed: "));
        trashedLines.last() = "4 file(s) moved to the trash, and 1 sidecar file(s) with them";
        QCOMPARE(run.out.split(u'\n', Qt::SkipEmptyParts), trashedLines);

        // Two DSC_1.NEF from two folders, the second under a name of its own.
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
                                    first + "/DSC_\n6.NEF", second + "/DSC_1.NEF",
                                    second + "/DSC_4.NEF"};
        expectedOrigins.sort();
        QCOMPARE(origins, expectedOrigins);
        for (const QString &kept : {first + "/DSC_1.NEF", second + "/DSC_3.NEF",
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
};

QTEST_GUILESS_MAIN(tst_CommandLineTrim)
#include "tst_CommandLineTrim.moc"
