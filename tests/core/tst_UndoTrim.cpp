#include "files/FileNames.h"
#include "platform/MessageBox.h"
#include "platform/Trash.h"
#include "support/core/ByteFiles.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/RecordingRecycler.h"
#include "support/core/RecordingTrimHost.h"
#include "trimming/TrimHost.h"
#include "trimming/TrimOperation.h"
#include "trimming/UndoTrim.h"

#include <cerrno>
#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <sys/mount.h>
#include <unistd.h>

using namespace quorvel;
using quorvel::test::exists;
using quorvel::test::readFile;
using quorvel::test::writeFile;

namespace {

// The main window as the trim and its undo see it, with the lists of the
// card each test starts from.
class Host final : public test::RecordingTrimHost
{
public:
    Host()
    {
        pictures = {"IMG_0001.jpg"};
        raws = {"IMG_0001.nef", "IMG_0002.nef", "IMG_0003.NEF"};
        folder.clear();
    }
};

// Every file of folder with its bytes; a volume's own trash is not the card's.
QMap<QByteArray, QByteArray> contents(const QByteArray &folder)
{
    QMap<QByteArray, QByteArray> files;
    for (const QByteArray &name : test::entries(folder)) {
        if (!name.startsWith('.'))
            files.insert(name, readFile(folder + '/' + name));
    }
    return files;
}

} // namespace

class tst_UndoTrim : public QObject
{
    Q_OBJECT

    QByteArrayList m_mounts;

private slots:
    void cleanup()
    {
        while (!m_mounts.isEmpty())
            ::umount2(m_mounts.takeLast().constData(), MNT_DETACH);
    }

    void trimThenUndo_data()
    {
        QTest::addColumn<bool>("secondVolume");
        QTest::addColumn<bool>("sidecars");
        QTest::addColumn<QString>("meanwhile");
        // The third RAW file, which no picture matches.
        QTest::addColumn<QByteArray>("third");
        const QByteArray plain = "IMG_0003.NEF";
        for (const bool second : {false, true}) {
            const char *volume = second ? "second volume" : "home volume";
            QTest::addRow("%s, all back", volume) << second << false << "nothing" << plain;
            QTest::addRow("%s, with sidecars", volume) << second << true << "nothing" << plain;
            QTest::addRow("%s, a name taken", volume) << second << true << "name taken" << plain;
            QTest::addRow("%s, one left the trash", volume) << second << false << "left" << plain;
            QTest::addRow("%s, a sidecar's place in the trash taken", volume)
                << second << true << "replaced" << plain;
            QTest::addRow("%s, a name with a line break taken", volume)
                << second << true << "third's name taken" << QByteArray("IMG\n0003.NEF");
        }
    }
    void trimThenUndo()
    {
        QFETCH(bool, secondVolume);
        QFETCH(bool, sidecars);
        QFETCH(QString, meanwhile);
        QFETCH(QByteArray, third);

        QTemporaryDir temp;
        const QByteArray root = QFile::encodeName(temp.path());
        qputenv("XDG_DATA_HOME", root + "/data");
        QByteArray folder = root + "/card";
        if (secondVolume) {
            const QString why = test::mountTmpfs(folder, "size=4m,mode=0755", m_mounts);
            if (!why.isEmpty())
                QSKIP(qPrintable(why));
        } else {
            QVERIFY(QDir().mkpath(QFile::decodeName(folder)));
        }
        // Contents unlike each other, with every byte value, so a mix-up or a
        // truncation shows.
        QByteArray binary;
        for (int i = 0; i < 256; ++i)
            binary.append(char(i));
        const QByteArrayList names = {"IMG_0001.nef", "IMG_0001.jpg", "IMG_0001.xmp",
                                      "IMG_0002.nef", "IMG_0002.xmp", "IMG_0002.nef.xmp",
                                      third + ".pp3", third};
        for (const QByteArray &name : names)
            QVERIFY(writeFile(folder + '/' + name, name + binary + name));
        const QMap<QByteArray, QByteArray> before = contents(folder);

        Host host;
        host.raws.last() = files::decodeFileName(third);
        host.folder = QFile::decodeName(folder);
        test::FakeMessageBox messages;
        messages.answer(platform::IDYES);
        test::RecordingRecycler recycler(messages);
        trimming::TrimOperation trim(host, messages, recycler.function(), QStringLiteral("x"));
        trim.setSidecars(sidecars);
        trim.run();

        QByteArrayList gone = {"IMG_0002.nef", third};
        if (sidecars)
            gone << "IMG_0002.nef.xmp"
                 << "IMG_0002.xmp" << third + ".pp3";
        std::sort(gone.begin(), gone.end());
        QByteArrayList moved;
        for (const platform::TrashedFile &file : trim.trashed()) {
            moved << file.originalPath.mid(folder.size() + 1);
            QVERIFY(exists(file.trashedPath));
            QVERIFY(exists(file.infoPath));
            // On the card's own volume, never copied across to the home.
            QCOMPARE(file.trashedPath.startsWith(folder), secondVolume);
        }
        std::sort(moved.begin(), moved.end());
        QCOMPARE(moved, gone);
        QCOMPARE(recycler.paths().size(), gone.size()); // each asked of the trash once
        QVERIFY(messages.last().prompt.startsWith("You have deleted 2 file(s)"));

        const auto trashed = [&](const QByteArray &name) {
            for (const platform::TrashedFile &file : trim.trashed()) {
                if (file.originalPath.endsWith('/' + name))
                    return file;
            }
            return platform::TrashedFile();
        };
        QMap<QByteArray, QByteArray> expected = before;
        QByteArray stays;    // the one that must stay in the trash, with its record
        QByteArray left;     // the one taken out of the trash: its record stays
        QByteArray replaced; // the one whose place in the trash another file took
        if (meanwhile.endsWith("name taken")) {
            stays = meanwhile == "name taken" ? QByteArray("IMG_0002.nef") : third;
            QVERIFY(writeFile(folder + '/' + stays, "a new file under the old name"));
            expected[stays] = "a new file under the old name";
        } else if (meanwhile == "left") {
            left = third;
            QCOMPARE(::unlink(trashed(left).trashedPath.constData()), 0);
            expected.remove(left);
        } else if (meanwhile == "replaced") {
            replaced = "IMG_0002.xmp";
            const QByteArray place = trashed(replaced).trashedPath;
            QVERIFY(writeFile(place + ".new", "another program's file"));
            QCOMPARE(::rename((place + ".new").constData(), place.constData()), 0);
            expected.remove(replaced);
        }

        messages.clear();
        trimming::UndoTrim undo(host, messages);
        const int restored = undo.run(trim.trashed());
        QCOMPARE(contents(folder), expected);
        QCOMPARE(restored, int(gone.size()) - (meanwhile == "nothing" ? 0 : 1));
        QCOMPARE(host.refreshes, 2);
        QCOMPARE(host.lastDone, int(gone.size()));
        QVERIFY(!host.working);
        for (const platform::TrashedFile &file : trim.trashed()) {
            const bool kept = !stays.isEmpty() && file.originalPath.endsWith('/' + stays);
            const bool wasLeft = !left.isEmpty() && file.originalPath.endsWith('/' + left);
            const bool taken = !replaced.isEmpty() && file.originalPath.endsWith('/' + replaced);
            QCOMPARE(exists(file.infoPath), kept || wasLeft || taken);
            QCOMPARE(exists(file.trashedPath), kept || taken);
        }
        if (!stays.isEmpty())
            QCOMPARE(readFile(trashed(stays).trashedPath), before[stays]);
        if (!replaced.isEmpty())
            QCOMPARE(readFile(trashed(replaced).trashedPath), QByteArray("another program's file"));

        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().title, QStringLiteral("Undo Trim"));
        const QString count = QStringLiteral("%1 file(s) put back where they were.").arg(restored);
        if (meanwhile == "nothing") {
            QCOMPARE(messages.last().prompt, count);
            QCOMPARE(messages.last().flags, platform::MB_ICONINFORMATION);
        } else {
            const QByteArray name = stays + left + replaced;
            const QString reason =
                meanwhile == "left"
                    ? QStringLiteral("it is no longer in the trash, or its folder is gone")
                : meanwhile == "replaced"
                    ? QStringLiteral("another file has taken its place in the trash")
                    : QStringLiteral("another file has taken its name");
            // A line break in a name is shown, not made: the report's lines
            // stay one a file.
            const QString shown = QFile::decodeName(folder + '/' + name)
                                      .replace(QStringLiteral("\n"), QStringLiteral("\\n"));
            QCOMPARE(messages.last().prompt,
                     count + QStringLiteral("\n\n1 file(s) stay in the trash:\n") + shown +
                         QStringLiteral(" (") + reason + QStringLiteral(")"));
            QCOMPARE(messages.last().flags, platform::MB_ICONWARNING);
        }
    }

    // A long report names the first files and counts the rest.
    void longReportIsCut()
    {
        QList<trimming::UndoTrim::Failure> failures;
        for (int i = 0; i < 25; ++i)
            failures.append({QStringLiteral("/card/F%1.nef").arg(i), EXDEV});
        const QString prompt = trimming::UndoTrim::reportPrompt(3, failures);
        QVERIFY(prompt.startsWith("3 file(s) put back where they were.\n\n25 file(s) stay "
                                  "in the trash:\n/card/F0.nef (error no: 18)\n"));
        QVERIFY(prompt.contains("/card/F19.nef (error no: 18)\nand 5 more"));
        QVERIFY(!prompt.contains("F20"));
    }
};

QTEST_APPLESS_MAIN(tst_UndoTrim)
#include "tst_UndoTrim.moc"
