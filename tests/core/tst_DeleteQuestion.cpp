#include "culling/CullingSession.h"
#include "culling/DeleteQuestion.h"
#include "support/core/FakeMessageBox.h"

#include <cerrno>
#include <QTest>

using namespace quorvel;
using culling::CullingSession;
using culling::DeleteQuestion;
using Result = DeleteQuestion::Result;

Q_DECLARE_METATYPE(DeleteQuestion::Result)

class tst_DeleteQuestion : public QObject
{
    Q_OBJECT

private slots:
    void ask_data();
    void ask();
};

void tst_DeleteQuestion::ask_data()
{
    QTest::addColumn<QString>("onScreen");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("recycleResult");
    QTest::addColumn<Result>("result");
    QTest::addColumn<QStringList>("told"); // after the question

    const QString a = QStringLiteral("/card/DCIM/a.jpg");
    QTest::newRow("yes: moved, and said so")
        << a << platform::IDYES << 0 << Result::Answered
        << QStringList{"File deleted. \n\nIf you REGRET the file can be found\n"
                       "in the Recycle Bin and restored :-)"};
    QTest::newRow("no: nothing moves") << a << platform::IDNO << 0 << Result::No << QStringList();
    QTest::newRow("yes, and the trash refuses")
        << a << platform::IDYES << EACCES << Result::Answered
        << QStringList{QStringLiteral("For some reason the file can't be deleted. \n\n"
                                      "Reported error no: %1")
                           .arg(EACCES)};
    QTest::newRow("nothing on screen: no question")
        << QString() << platform::IDYES << 0 << Result::NothingShown << QStringList();
}

void tst_DeleteQuestion::ask()
{
    QFETCH(QString, onScreen);
    QFETCH(int, answer);
    QFETCH(int, recycleResult);
    QFETCH(Result, result);
    QFETCH(QStringList, told);

    QStringList recycled;
    CullingSession session(
        [&](const trimming::RecycleTarget &file, platform::TrashedFile *,
            platform::TrashSession *) {
            recycled << file.path();
            return recycleResult;
        },
        [](const platform::TrashedFile &) { return 0; });
    session.startWithoutList();
    session.setOnScreen(onScreen);
    test::FakeMessageBox messages;
    messages.answer(answer);
    int gone = 0;
    // A picture landing while the question is open changes the screen, not
    // the file the answer is about.
    messages.onNextShow([&] { session.setOnScreen(QStringLiteral("/card/DCIM/b.jpg")); });

    QCOMPARE(DeleteQuestion::ask(messages, session, [&] { ++gone; }), result);
    if (result == Result::NothingShown) {
        QCOMPARE(messages.count(), 0);
        QVERIFY(recycled.isEmpty());
        return;
    }
    QCOMPARE(messages.messages().at(0).prompt,
             "You are about to delete file:\n" + onScreen +
                 "\n\nAre you absolutly you want to delete file ?");
    QCOMPARE(messages.messages().at(0).flags, 0x134);
    QCOMPARE(messages.messages().at(0).title, QStringLiteral("Delete file"));
    QStringList after;
    for (qsizetype i = 1; i < messages.count(); ++i)
        after << messages.messages().at(i).prompt;
    QCOMPARE(after, told);
    QCOMPARE(recycled, answer == platform::IDYES ? QStringList{onScreen} : QStringList());
    QCOMPARE(gone, result == Result::Answered && recycleResult == 0 ? 1 : 0);
}

QTEST_GUILESS_MAIN(tst_DeleteQuestion)
#include "tst_DeleteQuestion.moc"
