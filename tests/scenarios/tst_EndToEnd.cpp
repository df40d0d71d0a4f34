// The real program, started as its own process on a private X server and
// driven with real key and mouse input.

#include "support/core/TestFiles.h"
#include "support/widgets/XvfbSession.h"

#include <memory>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <signal.h>

using quorvel::test::XvfbSession;

class tst_EndToEnd : public QObject
{
    Q_OBJECT

    std::unique_ptr<XvfbSession> x;
    std::unique_ptr<QTemporaryDir> temp;
    QString photos;
    std::vector<std::unique_ptr<QProcess>> copies;

    // A copy of the program, set up to start in photos but not started yet.
    QProcess &prepareCopy()
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = x->environment();
        env.insert("HOME", temp->filePath("home"));
        env.insert("XDG_DATA_HOME", temp->filePath("home/.local/share"));
        env.insert("XDG_RUNTIME_DIR", temp->filePath("runtime"));
        env.insert("XDG_CONFIG_HOME", temp->filePath("home/.config"));
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(photos);
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->setProgram(QStringLiteral(QUORVEL_BINARY));
        copies.push_back(std::move(process));
        return *copies.back();
    }

    QProcess &startCopy()
    {
        QProcess &process = prepareCopy();
        process.start();
        process.waitForStarted();
        return process;
    }

    static bool waitForExit(QProcess &process, int timeoutMs = 15000)
    {
        return process.state() == QProcess::NotRunning || process.waitForFinished(timeoutMs);
    }

    // The main window of a copy: titled "Quorvel" and larger than a message box.
    qulonglong mainWindow(QProcess &copy)
    {
        const qulonglong window = x->waitForWindow("^Quorvel$", copy.processId());
        if (window && x->geometry(window).width() < 900)
            return 0;
        return window;
    }

    // What a copy of the program shows: its main window, the small box that
    // refuses a second copy, or nothing yet.
    enum class Shows { Nothing, MainWindow, Refusal };
    Shows shows(QProcess &copy, qulonglong &window) const
    {
        window = x->findWindow(QStringLiteral("^Quorvel$"), copy.processId());
        if (!window)
            return Shows::Nothing;
        return x->geometry(window).width() >= 900 ? Shows::MainWindow : Shows::Refusal;
    }

private slots:
    void initTestCase()
    {
        x = std::make_unique<XvfbSession>();
        if (x->display().isEmpty())
            QSKIP(qPrintable(x->failure()));
    }

    void init()
    {
        temp = std::make_unique<QTemporaryDir>();
        photos = temp->filePath("photos");
        QDir().mkpath(temp->filePath("home/.local/share"));
        QDir().mkpath(temp->filePath("runtime"));
        QFile::setPermissions(temp->filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir().mkpath(photos);
        for (int i = 1; i <= 20; ++i) {
            QImage image(120, 80, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i * 15, 200, 200));
            QVERIFY(image.save(
                QStringLiteral("%1/IMG_%2.jpg").arg(photos).arg(i, 4, 10, QLatin1Char('0'))));
        }
        quorvel::test::touchFiles(photos, {"IMG_0001.nef", "IMG_0099.nef"});
    }

    void cleanup()
    {
        for (auto &copy : copies) {
            if (copy->state() != QProcess::NotRunning) {
                copy->kill();
                copy->waitForFinished();
            }
        }
        copies.clear();
        temp.reset();
    }

    void oneCopyAtATime()
    {
        QProcess &first = startCopy();
        QVERIFY2(mainWindow(first), "the main window did not appear");

        QProcess &second = startCopy();
        const qulonglong refusal = x->waitForWindow("^Quorvel$", second.processId());
        QVERIFY2(refusal, "the second copy showed nothing");
        QVERIFY2(x->geometry(refusal).width() < 900, "the second copy showed a main window");
        x->keys(refusal, {"Return"});
        QVERIFY(waitForExit(second));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(first.state(), QProcess::Running);

        // A copy that was killed leaves nothing behind that blocks the next.
        ::kill(pid_t(first.processId()), SIGKILL);
        QVERIFY(waitForExit(first));
        QProcess &third = startCopy();
        QVERIFY2(mainWindow(third), "a killed copy blocked the next start");
    }

    // The real program, two copies started at the same moment, several
    // times: exactly one shows its main window; the other shows "Quorvel is
    // already running" and, once that is closed, ends with 1. Each round's
    // winner is then killed, leaving its lock behind for the next round.
    void twoProgramsStartedTogether()
    {
        for (int round = 0; round < 4; ++round) {
            QProcess &a = prepareCopy();
            QProcess &b = prepareCopy();
            a.start();
            b.start();
            QVERIFY(a.waitForStarted());
            QVERIFY(b.waitForStarted());

            QProcess *winner = nullptr;
            QProcess *loser = nullptr;
            qulonglong refusal = 0;
            bool bothMain = false;
            QDeadlineTimer deadline(60000);
            while (!deadline.hasExpired() && !(winner && loser)) {
                qulonglong windowA = 0;
                qulonglong windowB = 0;
                const Shows showsA = shows(a, windowA);
                const Shows showsB = shows(b, windowB);
                bothMain = bothMain || (showsA == Shows::MainWindow && showsB == Shows::MainWindow);
                if (showsA == Shows::MainWindow && showsB == Shows::Refusal) {
                    winner = &a;
                    loser = &b;
                    refusal = windowB;
                } else if (showsB == Shows::MainWindow && showsA == Shows::Refusal) {
                    winner = &b;
                    loser = &a;
                    refusal = windowA;
                }
                QThread::msleep(100);
            }
            QVERIFY2(!bothMain, "both copies showed a main window");
            QVERIFY2(winner && loser, "expected one main window and one refusal");

            // The refused copy waits for its message to be read, then ends.
            QCOMPARE(loser->state(), QProcess::Running);
            x->keys(refusal, {QStringLiteral("Return")});
            QVERIFY(loser->waitForFinished(30000));
            QCOMPARE(loser->exitStatus(), QProcess::NormalExit);
            QCOMPARE(loser->exitCode(), 1);
            qulonglong window = 0;
            QCOMPARE(shows(*winner, window), Shows::MainWindow);
            QCOMPARE(winner->state(), QProcess::Running);

            ::kill(pid_t(winner->processId()), SIGKILL);
            QVERIFY(winner->waitForFinished(30000));
            copies.clear();
        }
    }

    void aboutBoxFromTheMenuClosesWithEsc()
    {
        QProcess &copy = startCopy();
        const qulonglong window = mainWindow(copy);
        QVERIFY(window);
        const QList<qulonglong> before = x->windowsOf(copy.processId());
        x->keys(window, {"alt+h"});
        QVERIFY2(x->waitForNewWindow(copy.processId(), before), "Alt+H opened no menu");
        x->xdotool({"key", "a"});
        const qulonglong about = x->waitForWindow("^About Quorvel$", copy.processId());
        QVERIFY2(about, "the About box did not open");
        x->keys(about, {"Escape"});
        QVERIFY(x->waitUntilGone("^About Quorvel$", copy.processId()));
        QCOMPARE(copy.state(), QProcess::Running);
    }

    void doubleClickedPictureOpensTheViewer()
    {
        QProcess &copy = startCopy();
        const qulonglong window = mainWindow(copy);
        QVERIFY(window);
        const QRect frame = x->geometry(window);
        // The picture list starts 248, 56 pixels into the window's client
        // area, under the menu bar; a point a little lower hits a name.
        const int px = frame.x() + 248 + 40;
        const int py = frame.y() + 56 + 40;
        x->xdotool({"mousemove", "--sync", QString::number(px), QString::number(py)});
        x->xdotool({"click", "--repeat", "2", "--delay", "60", "1"});
        const qulonglong viewer = x->waitForWindow("^Quorvel - Show picture$", copy.processId());
        QVERIFY2(viewer, "the viewer did not open");
        x->keys(viewer, {"alt+c"});
        QVERIFY(x->waitUntilGone("^Quorvel - Show picture$", copy.processId()));
        QCOMPARE(copy.state(), QProcess::Running);
    }

    // A trim through the real window, taken back with Ctrl+Z: the folder is
    // as it was, byte for byte, and the trash as empty as before.
    void trimThenCtrlZPutsTheFolderBack()
    {
        const QStringList before = QDir(photos).entryList(QDir::Files, QDir::Name);
        QProcess &copy = startCopy();
        const qulonglong window = mainWindow(copy);
        QVERIFY(window);
        x->keys(window, {"alt+t"});
        const qulonglong question = x->waitForWindow(
            QStringLiteral(R"(^Delete \*\.nef \(Nikon\) files$)"), copy.processId());
        QVERIFY2(question, "the trim asked nothing");
        x->keys(question, {"alt+y"});
        const qulonglong summary = x->waitForWindow("^Thanks using Quorvel $", copy.processId());
        QVERIFY2(summary, "the trim reported nothing");
        x->keys(summary, {"Return"});
        QVERIFY(x->waitUntilGone("^Thanks using Quorvel $", copy.processId()));
        QVERIFY(!QFile::exists(photos + "/IMG_0099.nef"));
        const QDir trash(temp->filePath("home/.local/share/Trash"));
        QCOMPARE(QDir(trash.filePath("files")).entryList(QDir::Files), QStringList{"IMG_0099.nef"});

        x->keys(window, {"ctrl+z"});
        const qulonglong report = x->waitForWindow("^Undo Trim$", copy.processId());
        QVERIFY2(report, "Ctrl+Z put nothing back");
        x->keys(report, {"Return"});
        QVERIFY(x->waitUntilGone("^Undo Trim$", copy.processId()));
        QCOMPARE(QDir(photos).entryList(QDir::Files, QDir::Name), before);
        QFile back(photos + "/IMG_0099.nef");
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll(), QByteArray("IMG_0099.nef"));
        QVERIFY(QDir(trash.filePath("files")).isEmpty());
        QVERIFY(QDir(trash.filePath("info")).isEmpty());
    }

    // A user culling with the keys alone: five pictures on, one back, one
    // rejected with Delete and put back with Ctrl+Z.
    void cullingWithTheKeys()
    {
        QProcess &copy = startCopy();
        const qulonglong window = mainWindow(copy);
        QVERIFY(window);
        const QRect frame = x->geometry(window);
        x->xdotool({"mousemove", "--sync", QString::number(frame.x() + 248 + 40),
                    QString::number(frame.y() + 56 + 40)});
        x->xdotool({"click", "1"});
        x->keys(window, {"Home", "Return"});
        const qulonglong viewer = x->waitForWindow("^Quorvel - Show picture$", copy.processId());
        QVERIFY2(viewer, "Enter on the first name did not open the viewer");

        const QString fourth = photos + QStringLiteral("/IMG_0004.jpg");
        const QString trashed = temp->filePath("home/.local/share/Trash/files/IMG_0004.jpg");
        QFile original(fourth);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray bytes = original.readAll();
        original.close();

        // IMG_0001 to IMG_0005, then back to IMG_0004, which Delete rejects.
        x->keys(viewer, {"Right", "Right", "Down", "Next", "Left", "Delete"});
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(fourth), 15000);
        QVERIFY(QFile::exists(trashed));
        QCOMPARE(QDir(photos).entryList({"*.jpg"}).size(), 19);
        QVERIFY(x->findWindow("^Quorvel - Show picture$", copy.processId()));

        x->keys(viewer, {"ctrl+z"});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(fourth), 15000);
        QVERIFY(!QFile::exists(trashed));
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(original.readAll(), bytes);
        QCOMPARE(QDir(photos).entryList({"*.jpg"}).size(), 20);

        x->keys(viewer, {"alt+c"});
        QVERIFY(x->waitUntilGone("^Quorvel - Show picture$", copy.processId()));
        QCOMPARE(copy.state(), QProcess::Running);
    }

    void leaving_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("close box") << "close";
        QTest::newRow("Exit Quorvel button") << "button";
        QTest::newRow("File, Exit") << "menu";
    }
    void leaving()
    {
        QFETCH(QString, how);
        QProcess &copy = startCopy();
        const qulonglong window = mainWindow(copy);
        QVERIFY(window);
        if (how == "close")
            QVERIFY(x->requestClose(window));
        else if (how == "button")
            x->keys(window, {"alt+x"});
        else
            x->keys(window, {"alt+f", "x"});
        const qulonglong farewell =
            x->waitForWindow("^Thanks for using Quorvel $", copy.processId());
        QVERIFY2(farewell, "no farewell");
        x->keys(farewell, {"Return"});
        QVERIFY2(waitForExit(copy), "the program did not end after the farewell");
        QCOMPARE(copy.exitStatus(), QProcess::NormalExit);
        QCOMPARE(copy.exitCode(), 0);
    }
};

QTEST_MAIN(tst_EndToEnd)
#include "tst_EndToEnd.moc"
