// One file copied and proved, on real files: a copy that reads back wrong
// (made so by the test's hook) is made again once, then reported; a file
// that grows on the card while it is read; a file in the way; the same
// file already there; times kept; never a temporary file left.
#include "import/VerifiedCopy.h"
#include "support/core/ByteFiles.h"

#include <fcntl.h>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using quorvel::import::ImportPlan;
using quorvel::import::VerifiedCopy;
using quorvel::test::readFile;
using quorvel::test::writeFile;

Q_DECLARE_METATYPE(VerifiedCopy::Outcome)

namespace {

ImportPlan::File planned(const QByteArray &path)
{
    const struct stat status = quorvel::test::statOf(path);
    ImportPlan::File file;
    file.name = path.mid(path.lastIndexOf('/') + 1);
    file.size = status.st_size;
    file.modifiedSeconds = status.st_mtim.tv_sec;
    file.modifiedNanoseconds = qint32(status.st_mtim.tv_nsec);
    file.device = status.st_dev;
    file.inode = status.st_ino;
    return file;
}

// Every file below folder whose name says it is a copy in progress.
QStringList temporaries(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileName().startsWith(QLatin1String(".quorvel-import-")))
            found.append(path);
    }
    return found;
}

} // namespace

class tst_VerifiedCopy : public QObject
{
    Q_OBJECT

private slots:
    void copy_data()
    {
        QTest::addColumn<int>("corruptedReadBacks"); // of the two attempts
        QTest::addColumn<QByteArray>("inTheWay");    // "" for nothing there
        QTest::addColumn<bool>("grows");
        QTest::addColumn<bool>("swapped"); // for a file alike but for its inode
        QTest::addColumn<int>("destinations");
        QTest::addColumn<VerifiedCopy::Outcome>("outcome");
        QTest::addColumn<QByteArray>("name");

        const auto copied = VerifiedCopy::Outcome::Copied;
        // Three pieces and a bit: the hooks see the file in the middle.
        QTest::newRow("copied") << 0 << QByteArray() << false << false << 1 << copied
                                << QByteArray("DSC_1.NEF");
        QTest::newRow("to a backup too")
            << 0 << QByteArray() << false << false << 2 << copied << QByteArray("DSC_1.NEF");
        QTest::newRow("read back wrong, then right")
            << 1 << QByteArray() << false << false << 2 << copied << QByteArray("DSC_1.NEF");
        QTest::newRow("read back wrong twice") << 2 << QByteArray() << false << false << 1
                                               << VerifiedCopy::Outcome::Failed << QByteArray();
        QTest::newRow("another file in the way") << 0 << QByteArray("other") << false << false << 1
                                                 << copied << QByteArray("DSC_1 (2).NEF");
        QTest::newRow("one of the same size in the way")
            << 0 << QByteArray("same size") << false << false << 1 << copied
            << QByteArray("DSC_1 (2).NEF");
        QTest::newRow("the same file there")
            << 0 << QByteArray("same") << false << false << 2 << VerifiedCopy::Outcome::AlreadyThere
            << QByteArray("DSC_1.NEF");
        QTest::newRow("grows on the card while read")
            << 0 << QByteArray() << true << false << 2 << VerifiedCopy::Outcome::Failed
            << QByteArray();
        // Only the file looked at is copied: one put in its place, the same
        // bytes and times, is another file.
        QTest::newRow("another file in its place on the card since it was looked at")
            << 0 << QByteArray() << false << true << 1 << VerifiedCopy::Outcome::Failed
            << QByteArray();
    }

    void copy()
    {
        QFETCH(int, corruptedReadBacks);
        QFETCH(QByteArray, inTheWay);
        QFETCH(bool, grows);
        QFETCH(bool, swapped);
        QFETCH(int, destinations);
        QFETCH(QByteArray, name);
        QTemporaryDir temp;
        const QByteArray root = QFile::encodeName(temp.path());
        QByteArray content(3 * 1024 * 1024 + 17, 'x');
        for (int i = 0; i < content.size(); i += 4093)
            content[i] = char(i / 4093);
        const QByteArray source = root + "/card/DCIM/DSC_1.NEF";
        QVERIFY(QDir().mkpath(temp.filePath("card/DCIM")));
        QVERIFY(writeFile(source, content));
        const timespec old[2] = {{1500000000, 5}, {1600000000, 123456789}};
        QVERIFY(::utimensat(AT_FDCWD, source.constData(), old, 0) == 0);

        std::vector<VerifiedCopy::Target> targets;
        for (int d = 0; d < destinations; ++d)
            targets.push_back({root + "/copy" + QByteArray::number(d) + "/DCIM", "DSC_1.NEF"});
        QByteArray keep;
        if (!inTheWay.isEmpty()) {
            keep = inTheWay == "same"        ? content
                   : inTheWay == "same size" ? QByteArray(content.size(), 'y')
                                             : QByteArray("other");
            for (VerifiedCopy::Target &target : targets) {
                QVERIFY(QDir().mkpath(QFile::decodeName(target.folder)));
                QVERIFY(writeFile(target.folder + "/DSC_1.NEF", keep));
                target.existing = keep.size() == content.size()
                                      ? ImportPlan::AtDestination::SameSize
                                      : ImportPlan::AtDestination::Other;
            }
        }

        int readBacks = 0;
        VerifiedCopy::Hooks hooks;
        hooks.readBack = [&](char *data, qint64 length, int attempt) {
            QVERIFY(length > 0);
            if (attempt < corruptedReadBacks && readBacks++ % 4 == 1)
                data[length / 2] ^= 1;
        };
        hooks.afterRead = [&](const QByteArray &path, qint64 bytes) {
            QCOMPARE(path, source);
            if (grows && bytes == 2 * 1024 * 1024)
                QVERIFY(quorvel::test::writeFile(source, content + "more"));
        };
        const ImportPlan::File lookedAt = planned(source);
        if (swapped) {
            QVERIFY(writeFile(source + ".new", content));
            QVERIFY(::utimensat(AT_FDCWD, (source + ".new").constData(), old, 0) == 0);
            QVERIFY(::rename((source + ".new").constData(), source.constData()) == 0);
        }
        VerifiedCopy copy(hooks);
        const VerifiedCopy::Result result = copy.copy({source, lookedAt}, targets);
        QTEST(result.outcome, "outcome");
        for (const VerifiedCopy::Target &target : targets) {
            QVERIFY2(temporaries(QFile::decodeName(target.folder)).isEmpty(),
                     qPrintable(temporaries(QFile::decodeName(target.folder)).join(u' ')));
            if (!keep.isEmpty())
                QCOMPARE(readFile(target.folder + "/DSC_1.NEF"), keep);
            if (name.isEmpty()) {
                QCOMPARE(quorvel::test::entries(target.folder).size(), keep.isEmpty() ? 0 : 1);
                continue;
            }
            QCOMPARE(readFile(target.folder + '/' + name), content);
            if (result.outcome != VerifiedCopy::Outcome::Copied)
                continue;
            const struct stat status = quorvel::test::statOf(target.folder + '/' + name);
            QCOMPARE(status.st_mtim.tv_sec, old[1].tv_sec);
            QCOMPARE(status.st_mtim.tv_nsec, old[1].tv_nsec);
        }
        if (result.outcome == VerifiedCopy::Outcome::Failed)
            QVERIFY(!result.why.isEmpty());
        else
            QCOMPARE(result.placed.front().renamed, name != "DSC_1.NEF");
        // The card as it was: never written, its times untouched.
        if (!grows) {
            QCOMPARE(readFile(source), content);
            QCOMPARE(quorvel::test::statOf(source).st_mtim.tv_sec, old[1].tv_sec);
        }
    }

    void numberedNames_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("numbered");
        QTest::newRow("extension kept")
            << QByteArray("DSC_0001.NEF") << QByteArray("DSC_0001 (2).NEF");
        QTest::newRow("no extension") << QByteArray("README") << QByteArray("README (2)");
        QTest::newRow("two dots") << QByteArray("a.b.JPG") << QByteArray("a.b (2).JPG");
    }

    void numberedNames()
    {
        QFETCH(QByteArray, name);
        QTEST(VerifiedCopy::numberedName(name, 2), "numbered");
    }
};

QTEST_GUILESS_MAIN(tst_VerifiedCopy)
#include "tst_VerifiedCopy.moc"
