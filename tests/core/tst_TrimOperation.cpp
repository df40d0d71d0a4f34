#include "platform/MessageBox.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/RecordingRecycler.h"
#include "support/core/RecordingTrimHost.h"
#include "trimming/TrimHost.h"
#include "trimming/TrimOperation.h"

#include <QTest>

using namespace quorvel;
using quorvel::test::FakeMessageBox;

using quorvel::test::RecordingRecycler;
using quorvel::test::RecordingTrimHost;

class tst_TrimOperation : public QObject
{
    Q_OBJECT

private:
    RecordingTrimHost host;
    FakeMessageBox messages;
    // Moves nothing: the names are the host's, not files of the test's.
    RecordingRecycler recycler;

    trimming::TrimOperation trim()
    {
        return trimming::TrimOperation(host, messages, recycler.function(),
                                       QStringLiteral("quorvel@example.org"));
    }

private slots:
    void init()
    {
        host = RecordingTrimHost();
        messages.clear();
        recycler.clear();
    }

    void emptyListsTrimNothing_data()
    {
        QTest::addColumn<QStringList>("pictures");
        QTest::addColumn<QStringList>("raws");
        QTest::newRow("no pictures") << QStringList{} << QStringList{"A.nef"};
        QTest::newRow("no RAW files") << QStringList{"A.jpg"} << QStringList{};
    }
    void emptyListsTrimNothing()
    {
        QFETCH(QStringList, pictures);
        QFETCH(QStringList, raws);
        host.pictures = pictures;
        host.raws = raws;
        trim().run();
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.last().prompt,
                 QStringLiteral("No files to trim. Change path or file pattern."));
        QCOMPARE(messages.last().flags, 0x40);
        QCOMPARE(messages.last().title, QString());
        QVERIFY(recycler.paths().isEmpty());
        QVERIFY(host.events.isEmpty()); // no pointer change, no refresh
    }

    void askingFirst()
    {
        host.pictures = {"IMG_0001.jpg"};
        host.raws = {"IMG_0002.nef"};
        trim().run(); // no scripted answer: the fake says No
        QCOMPARE(messages.count(), 1);
        const auto &question = messages.last();
        QCOMPARE(question.prompt,
                 QStringLiteral(
                     "You are about to trim your RAW-files (pattern: *.nef (Nikon)) so only \n"
                     "the files with the same name as your picture files (pattern: *.jpg) remains"
                     "\n\nAre you absolutly sure you want to delete file(s) ?"));
        QCOMPARE(question.title, QStringLiteral("Delete *.nef (Nikon) files"));
        QCOMPARE(question.flags, 0x134);
        QVERIFY(recycler.paths().isEmpty());
        QVERIFY(host.events.isEmpty());
    }

    void onlyTheUnmatchedGo()
    {
        host.pictures = {"IMG_0001.jpg", "IMG_0003.jpg"};
        host.raws = {"IMG_0001.nef", "IMG_0002.nef", "IMG_0003.nef", "IMG_0004.nef"};
        messages.answer(platform::IDYES);
        trim().run();
        QCOMPARE(recycler.paths(),
                 (QStringList{host.folder + "/IMG_0002.nef", host.folder + "/IMG_0004.nef"}));
        QCOMPARE(host.events, (QStringList{"begin", "progress 1/2", "progress 2/2", "select 3 1",
                                           "refresh", "end"}));
        QCOMPARE(messages.count(), 2);
        QCOMPARE(messages.last().title, QStringLiteral("Thanks using Quorvel "));
        QCOMPARE(messages.last().flags, 0x40);
        QVERIFY(
            messages.last().prompt.startsWith(QStringLiteral("You have deleted 2 file(s)\n\n")));
    }

    void summaryText()
    {
        QCOMPARE(
            trimming::TrimOperation::summaryPrompt(1, QStringLiteral("quorvel@example.org")),
            QStringLiteral(
                "You have deleted 1 file(s)\n\n"
                "If you REGRET the file(s) can be found in the Recycle Bin and restored :-)\n\n"
                "This program is fully functional but still under development.\n\n"
                "If you enjoy using the program and want to support the development please send "
                "comments and suggestions. \n"
                "Your are also welcome to donate $5 to my paypal account \n\n"
                "quorvel@example.org  \n\n"
                "and send me an e-mail to the same address. \n"
                "I will immediately send you a link, where you can find the latest updated "
                "version for your future use."));
    }

    void failuresAreReportedAndTheRunGoesOn()
    {
        host.pictures = {"KEEP.jpg"};
        host.raws = {"A.nef", "B.nef", "C.nef"};
        recycler.fail(host.folder + "/A.nef", 2);
        recycler.fail(host.folder + "/C.nef", -5);
        messages.answer(platform::IDYES);
        trim().run();
        QCOMPARE(recycler.paths().size(), 3);
        QCOMPARE(messages.count(), 4);
        QCOMPARE(messages.messages()[1].prompt,
                 QStringLiteral(
                     "For some reason the file A.nef can't be deleted. \n\nReported error no: 2"));
        QCOMPARE(messages.messages()[1].flags, 0);
        QCOMPARE(messages.messages()[1].title, QString());
        QVERIFY(messages.messages()[2].prompt.endsWith(QStringLiteral("Reported error no: -5")));
        QVERIFY(messages.last().prompt.startsWith(QStringLiteral("You have deleted 1 file(s)")));
        QVERIFY(host.events.contains("refresh"));
    }

    // A name can't forge the message's layout, and the file that goes is
    // still the one so named.
    void failureShowsControlCharactersVisibly()
    {
        host.pictures = {"KEEP.jpg"};
        host.raws = {"A\r\n\r\nReported error no: 0\r\nB.nef"};
        recycler.fail(host.folder + "/" + host.raws.first(), 13);
        messages.answer(platform::IDYES);
        trim().run();
        QCOMPARE(recycler.paths(), QStringList{host.folder + "/" + host.raws.first()});
        QCOMPARE(messages.messages()[1].prompt,
                 QStringLiteral("For some reason the file A\\r\\n\\r\\nReported error no: "
                                "0\\r\\nB.nef can't be deleted. \n\nReported error no: 13"));
    }

    void joinsAtAVolumeRoot()
    {
        host.folder = QStringLiteral("/");
        host.pictures = {"A.jpg"};
        host.raws = {"B.nef"};
        messages.answer(platform::IDYES);
        trim().run();
        QCOMPARE(recycler.paths(), QStringList{"/B.nef"});
    }

    void nothingToGoStillSummarisesAndRefreshes()
    {
        host.pictures = {"A.jpg", "B.jpg"};
        host.raws = {"A.nef", "B.nef"};
        messages.answer(platform::IDYES);
        trim().run();
        QVERIFY(recycler.paths().isEmpty());
        QVERIFY(messages.last().prompt.startsWith(QStringLiteral("You have deleted 0 file(s)")));
        QCOMPARE(host.events, (QStringList{"begin", "select 1 1", "refresh", "end"}));
    }

    // A refresh that fails (the folder was pulled out meanwhile) still ends the
    // busy state, and the failure goes on to the handler's guard.
    void failingRefreshStillEndsWork()
    {
        struct Failing final : RecordingTrimHost
        {
            void refreshFileLists() override { throw std::runtime_error("gone"); }
        } failing;
        failing.pictures = {"A.jpg"};
        failing.raws = {"B.nef"};
        messages.answer(platform::IDYES);
        trimming::TrimOperation operation(failing, messages, recycler.function(),
                                          QStringLiteral("x"));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, operation.run());
        QCOMPARE(failing.events.last(), QStringLiteral("end"));
    }
};

QTEST_APPLESS_MAIN(tst_TrimOperation)
#include "tst_TrimOperation.moc"
