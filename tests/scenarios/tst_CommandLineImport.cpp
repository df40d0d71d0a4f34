// "quorvel import" as a script runs it: the real program, with no display,
// bringing in a card with two slots (RAW files on one, JPEGs on the other,
// one file on both) to a destination and a backup, one slot after the
// other; then "quorvel trim --subfolders --dry-run" on the copy names the
// RAW files whose pictures are not there. And its exit statuses.
#include "support/core/ByteFiles.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runProgram(const QStringList &arguments, const QString &home)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QUORVEL_BINARY), arguments);
    if (!process.waitForFinished(60000))
        return {};
    Run run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void makeFiles(const QString &folder, const QStringList &names)
{
    QDir().mkpath(folder);
    for (const QString &name : names)
        quorvel::test::writeFile(QFile::encodeName(folder + u'/' + name),
                                 name.toUtf8().repeated(1000));
}

QStringList filesBelow(const QString &folder)
{
    QStringList found;
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir()) {
            for (const QString &below : filesBelow(entry.filePath()))
                found.append(entry.fileName() + u'/' + below);
        } else {
            found.append(entry.fileName());
        }
    }
    return found;
}

} // namespace

class tst_CommandLineImport : public QObject
{
    Q_OBJECT

private slots:
    void twoSlotsToTwoDestinationsThenTrim()
    {
        QTemporaryDir temp;
        const QString slot1 = temp.filePath(QStringLiteral("slot1"));
        const QString slot2 = temp.filePath(QStringLiteral("slot2"));
        makeFiles(slot1 + QStringLiteral("/DCIM/100NIKON"),
                  {"DSC_1.NEF", "DSC_2.NEF", "DSC_3.NEF", "DSC_4.NEF"});
        makeFiles(slot1 + QStringLiteral("/DCIM/101NIKON"), {"DSC_5.NEF"});
        makeFiles(slot1 + QStringLiteral("/.Trashes/501"), {"DSC_0.NEF"});
        makeFiles(slot2 + QStringLiteral("/DCIM/100NIKON"),
                  {"DSC_1.JPG", "DSC_3.JPG", "DSC_1.NEF"});
        makeFiles(slot2 + QStringLiteral("/DCIM/101NIKON"), {"DSC_5.JPG"});
        const QString copy = temp.filePath(QStringLiteral("copy"));
        const QString backup = temp.filePath(QStringLiteral("backup"));
        QVERIFY(QDir().mkpath(copy) && QDir().mkpath(backup));

        Run run = runProgram({"import", "--dry-run", "--backup", backup, slot1, copy}, temp.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.startsWith(QLatin1String("would copy 5 files, 45.0 kB, in 2 folders "
                                                  "(0 already there)\n")),
                 qPrintable(run.out));
        QVERIFY(filesBelow(copy).isEmpty());

        run = runProgram({"import", "--backup", backup, slot1, copy}, temp.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("5 files copied and verified (0 skipped, already there). "
                                         "The card can be formatted.\n"));
        QCOMPARE(run.err, QString());
        run = runProgram({"import", "--backup", backup, slot2, copy}, temp.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("3 files copied and verified (1 skipped, already there). "
                                         "The card can be formatted.\n"));

        const QStringList expected{"DCIM/100NIKON/DSC_1.JPG", "DCIM/100NIKON/DSC_1.NEF",
                                   "DCIM/100NIKON/DSC_2.NEF", "DCIM/100NIKON/DSC_3.JPG",
                                   "DCIM/100NIKON/DSC_3.NEF", "DCIM/100NIKON/DSC_4.NEF",
                                   "DCIM/101NIKON/DSC_5.JPG", "DCIM/101NIKON/DSC_5.NEF"};
        QCOMPARE(filesBelow(copy), expected);
        QCOMPARE(filesBelow(backup), expected);
        QCOMPARE(quorvel::test::readFile(QFile::encodeName(backup + "/DCIM/100NIKON/DSC_3.NEF")),
                 QByteArray("DSC_3.NEF").repeated(1000));

        run = runProgram({"trim", "--subfolders", "--dry-run", copy}, temp.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("would go: %1/DCIM/100NIKON/DSC_2.NEF\n"
                                         "would go: %1/DCIM/100NIKON/DSC_4.NEF\n"
                                         "2 file(s) would go to the trash\n")
                              .arg(copy));
    }

    void exitStatuses_data()
    {
        QTest::addColumn<QStringList>("arguments"); // CARD and COPY stand for the folders
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");

        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: quorvel import [--dry-run]";
        QTest::newRow("no destination")
            << QStringList{"CARD"} << 2 << "a card folder and a destination";
        QTest::newRow("unknown option")
            << QStringList{"--move", "CARD", "COPY"} << 2 << "unknown option";
        QTest::newRow("card missing") << QStringList{"CARD/gone", "COPY"} << 2 << "can't be read";
        QTest::newRow("copy inside the card")
            << QStringList{"CARD", "CARD/DCIM"} << 2 << "one within the other";
        QTest::newRow("a new day's folder is made")
            << QStringList{"CARD", "COPY/2026-12-08"} << 0 << "2 files copied and verified";
        QTest::newRow("not two folders deep")
            << QStringList{"CARD", "COPY/2026/12-08"} << 2 << "can't be read";
        // A file where the copy's folder must go.
        QTest::newRow("a file failed")
            << QStringList{"CARD", "COPY"} << 1
            << "failed: DCIM/100NIKON/caf\\xe9\\n.NEF: can't open the folder";
    }

    void exitStatuses()
    {
        QFETCH(QStringList, arguments);
        QTemporaryDir temp;
        const QString card = temp.filePath(QStringLiteral("card"));
        const QString copy = temp.filePath(QStringLiteral("copy"));
        makeFiles(card + QStringLiteral("/DCIM/100NIKON"), {"DSC_1.NEF"});
        // A Latin-1 name with a line break: printed as trim prints it.
        QVERIFY(quorvel::test::writeFile(QFile::encodeName(card) + "/DCIM/100NIKON/caf\xe9\n.NEF",
                                         "x"));
        makeFiles(copy + QStringLiteral("/DCIM"), {"100NIKON"});
        arguments.replaceInStrings(QStringLiteral("CARD"), card);
        arguments.replaceInStrings(QStringLiteral("COPY"), copy);
        const Run run = runProgram(QStringList{"import"} + arguments, temp.path());
        QTEST(run.exitCode, "exitCode");
        QFETCH(QString, says);
        QVERIFY2((run.out + run.err).contains(says), qPrintable(run.out + run.err));
        QVERIFY(QFile::exists(card + QStringLiteral("/DCIM/100NIKON/DSC_1.NEF")));
    }
};

QTEST_GUILESS_MAIN(tst_CommandLineImport)
#include "tst_CommandLineImport.moc"
