#include "files/WildcardPattern.h"
#include "platform/MessageBox.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/RecordingRecycler.h"
#include "support/core/RecordingTrimHost.h"
#include "support/core/TestFiles.h"
#include "trimming/TreeTrimOperation.h"
#include "trimming/TreeTrimPlan.h"
#include "trimming/TreeTrimTable.h"

#include <cerrno>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using quorvel::test::touchFiles;

namespace {

// Tells when the folders were shown and closed: after how many messages.
class RecordingFolderWindow : public trimming::TreeTrimOperation::FolderWindow
{
public:
    explicit RecordingFolderWindow(const test::FakeMessageBox &messages) : m_messages(messages) {}

    void showFolders(const trimming::TreeTrimTable &table) override
    {
        events << QStringLiteral("show %1 rows at %2")
                      .arg(table.rows().size())
                      .arg(m_messages.count());
    }
    void closeFolders() override
    {
        events << QStringLiteral("close at %1").arg(m_messages.count());
    }

    QStringList events;

private:
    const test::FakeMessageBox &m_messages;
};

} // namespace

class tst_TreeTrimOperation : public QObject
{
    Q_OBJECT

private slots:
    void runCoversTheWholeTree_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("sidecars");
        // Each message's first line, in order.
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("window");
        // Below the card, in the order they went.
        QTest::addColumn<QStringList>("moved");

        const QStringList shownOnce{"show 4 rows at 0", "close at 1"};
        const QString question = "You are about to trim your RAW-files (pattern: *.nef (Nikon)) so "
                                 "only ";
        QTest::newRow("answered No")
            << "no" << false << QStringList{question} << shownOnce << QStringList{};
        QTest::newRow("Yes") << "yes" << false
                             << QStringList{question, "You have deleted 3 file(s)"} << shownOnce
                             << QStringList{"B.nef", "100/C.nef", "100/D.nef"};
        QTest::newRow("Yes, with sidecars")
            << "yes" << true << QStringList{question, "You have deleted 3 file(s)"} << shownOnce
            << QStringList{"B.nef", "100/C.nef", "100/C.xmp", "100/D.nef"};
        QTest::newRow("one file fails, the run goes on")
            << "fail" << false
            << QStringList{question, "For some reason the file 100/C.nef can't be deleted. ",
                           "You have deleted 2 file(s)"}
            << shownOnce << QStringList{"B.nef", "100/C.nef", "100/D.nef"};
        // Another folder put under the name while the question is open: its
        // files are not the ones listed, none of them moves, and it is said
        // once for the folder.
        QTest::newRow("a folder swapped while asked")
            << "swap" << false
            << QStringList{question,
                           "Nothing was moved from CARD/100: it is no longer the folder that was "
                           "listed. Refresh the lists and look again before you trim.",
                           "You have deleted 1 file(s)"}
            << shownOnce << QStringList{"B.nef"};
        // A picture copied back in while the question is open keeps its RAW
        // file, and the summary says so.
        QTest::newRow("a picture back while asked")
            << "back" << false
            << QStringList{question, "You have deleted 2 file(s)",
                           "1 kept: their pictures are back"}
            << shownOnce << QStringList{"B.nef", "100/D.nef"};
        QTest::newRow("nothing to trim, a folder left alone")
            << "nothing" << false << QStringList{"No files to trim. Change path or file pattern."}
            << QStringList{"show 3 rows at 0", "close at 1"} << QStringList{};
    }
    void runCoversTheWholeTree()
    {
        QFETCH(QString, situation);
        QFETCH(bool, sidecars);
        QFETCH(QStringList, messages);
        QFETCH(QStringList, window);
        QFETCH(QStringList, moved);

        QTemporaryDir temp;
        const QString card = temp.filePath("card");
        if (situation == "nothing") {
            touchFiles(card, {"A.jpg", "A.nef"});
            touchFiles(card + "/100", {"C.nef"});
        } else {
            touchFiles(card, {"A.jpg", "A.nef", "B.nef"});
            touchFiles(card + "/100", {"A.jpg", "C.nef", "C.xmp", "D.nef"});
            touchFiles(card + "/101", {"E.nef"});
        }
        const trimming::TreeTrimPlan plan(
            card, card, files::WildcardPattern(QStringLiteral("*.jpg")),
            files::WildcardPattern(QStringLiteral("*.nef")), true, sidecars);

        test::FakeMessageBox box;
        test::RecordingRecycler recycler;
        test::RecordingTrimHost host;
        host.pictures = {"A.jpg"};
        host.raws = {"A.nef", "B.nef"};
        RecordingFolderWindow folders(box);
        if (situation != "no")
            box.answer(platform::IDYES);
        if (situation == "fail")
            recycler.fail(card + "/100/C.nef", EACCES);
        if (situation == "back")
            box.onNextShow([&] { touchFiles(card + "/100", {"C.jpg"}); });
        if (situation == "swap") {
            box.onNextShow([&] {
                QVERIFY(QDir(card).rename("100", "100 before"));
                touchFiles(card + "/100", {"A.jpg", "C.nef", "C.xmp", "D.nef"});
            });
        }
        trimming::TreeTrimOperation trim(host, box, recycler.function(), "maker@example.org");
        trim.run(plan, folders, sidecars);

        QStringList firstLines;
        for (const test::FakeMessageBox::Message &message : box.messages()) {
            firstLines << message.prompt.section(QStringLiteral("\n"), 0, 0).replace(card, "CARD");
            // What the summary gains follows its first line.
            if (message.prompt.startsWith("You have deleted") &&
                message.prompt.contains("their pictures are back"))
                firstLines << message.prompt.section(QStringLiteral("\n"), 1, 1);
        }
        QCOMPARE(firstLines, messages);
        QCOMPARE(folders.events, window);
        QStringList went;
        for (const QString &path : recycler.paths())
            went << QDir(card).relativeFilePath(path);
        QCOMPARE(went, moved);
        QCOMPARE(trim.trashed().size(), size_t(moved.size() - (situation == "fail" ? 1 : 0)));
        if (situation == "fail")
            QVERIFY(
                box.messages()[1].prompt.endsWith("Reported error no: " + QString::number(EACCES)));
        if (situation == "swap")
            QVERIFY(
                box.messages()[1].prompt.endsWith("Reported error no: " + QString::number(ESTALE)));

        if (messages.size() == 1) {
            QVERIFY(host.events.isEmpty()); // nothing begun, nothing re-read
            return;
        }
        // The question names the whole run; the summary counts it all.
        QVERIFY(box.messages()[0].prompt.contains(
            "remains\n3 RAW file(s) in 2 folder(s) go to the trash; 1 RAW folder(s) left "
            "alone\n"));
        QCOMPARE(box.messages()[0].flags, 0x134);
        if (sidecars) {
            QVERIFY(box.messages()[0].prompt.contains(
                "left alone\n1 sidecar file(s) go to the trash with their RAW files\n\n"));
            QVERIFY(box.last().prompt.startsWith(
                "You have deleted 3 file(s)\nand 1 sidecar file(s) with them\n"));
        }
        QCOMPARE(host.events.first(), QStringLiteral("begin"));
        QCOMPARE(host.events.mid(host.events.size() - 3),
                 (QStringList{"select 1 0", "refresh", "end"}));
        QCOMPARE(host.lastDone, 3);
    }
};

QTEST_GUILESS_MAIN(tst_TreeTrimOperation)
#include "tst_TreeTrimOperation.moc"
