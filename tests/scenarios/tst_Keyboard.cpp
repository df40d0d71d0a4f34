// The keyboard on the three windows: access keys, the tab order, the file
// list's own keys, and Enter and Esc, sent as real key events to the real
// windows.

#include "about/frmAbout.h"
#include "files/VolumeTable.h"
#include "main_window/frmMain.h"
#include "main_window/modQuorvel.h"
#include "platform/MessageBox.h"
#include "support/core/FakeLauncher.h"
#include "support/core/FakeMessageBox.h"
#include "support/core/TestFiles.h"
#include "support/gui/ExifFields.h"
#include "support/gui/Photograph.h"
#include "support/widgets/MainWindowFixture.h"
#include "support/widgets/XvfbSession.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/CommandButton.h"
#include "ui/DirListBox.h"
#include "ui/DriveListBox.h"
#include "ui/FileListBox.h"
#include "ui/TextBox.h"
#include "viewer/dlgShowPicture.h"

#include <functional>
#include <memory>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace quorvel;
using quorvel::test::FakeLauncher;
using quorvel::test::FakeMessageBox;
using quorvel::test::touchFiles;
using quorvel::test::trashedNames;
using quorvel::test::XvfbSession;

class tst_Keyboard : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> temp;
    QString photos;
    QString dataHome;
    test::MainWindowFixture fixture;
    FakeMessageBox &messages = fixture.messages();
    FakeLauncher &launcher = fixture.launcher();
    QList<QPointer<QTimer>> polls;
    std::unique_ptr<XvfbSession> x;
    std::unique_ptr<QProcess> program;

    main_window::frmMain &start()
    {
        main_window::frmMain &form = fixture.start(photos);
        if (!form.isVisible())
            qFatal("the main window refused to start");
        form.activateWindow();
        if (!QTest::qWaitForWindowActive(&form))
            qFatal("the main window did not become active");
        return form;
    }

    static const QStringList &controlNames()
    {
        static const QStringList names = {
            "Drive1",  "Dir1",        "ComboPicture", "fb1",        "txtNoFiles1",
            "cmdInfo", "Drive2",      "Dir2",         "checkSync",  "ComboRaw",
            "fb2",     "txtNoFiles2", "cmdRefresh",   "cmdQuorvel", "cmdExit"};
        return names;
    }

    static QWidget *control(main_window::frmMain &w, const QString &name)
    {
        QWidget *const controls[] = {w.Drive1,      w.Dir1,       w.ComboPicture, w.fb1,
                                     w.txtNoFiles1, w.cmdInfo,    w.Drive2,       w.Dir2,
                                     w.checkSync,   w.ComboRaw,   w.fb2,          w.txtNoFiles2,
                                     w.cmdRefresh,  w.cmdQuorvel, w.cmdExit};
        const qsizetype index = controlNames().indexOf(name);
        if (index < 0)
            qFatal("no control %s", qPrintable(name));
        return controls[index];
    }

    // The control that has the keyboard focus, named as the window names it:
    // a pattern box counts as focused while its text field is.
    static QString focusedControl(main_window::frmMain &w)
    {
        QWidget *focus = QApplication::focusWidget();
        if (!focus)
            return QStringLiteral("<none>");
        for (const QString &name : controlNames()) {
            QWidget *candidate = control(w, name);
            if (focus == candidate || candidate->isAncestorOf(focus))
                return name;
        }
        return QStringLiteral("<%1>").arg(QString::fromLatin1(focus->metaObject()->className()));
    }

    static void press(QKeyCombination key)
    {
        QWidget *target = QApplication::focusWidget();
        if (!target)
            target = QApplication::activeWindow();
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
    }

    // Runs action once the viewer is up: it is modal, so the test goes on
    // inside its event loop. A button's access key presses it the way a click
    // does, down and then up a moment later, so the viewer opens a little
    // after the key.
    void whileViewerOpen(main_window::frmMain &w, std::function<void()> action)
    {
        auto *poll = new QTimer(this);
        polls << poll;
        poll->setInterval(5);
        connect(poll, &QTimer::timeout, this, [&w, action, poll] {
            if (!w.viewer() || !w.viewer()->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            // Keys go to the active window, as the user's do.
            if (!QTest::qWaitForWindowActive(w.viewer()))
                qWarning("the viewer did not become the active window");
            action();
        });
        poll->start();
    }

    // Selects the picture list's first entry with the keyboard.
    void choosePicture(main_window::frmMain &w)
    {
        w.fb1->setFocus();
        QTest::keyClick(w.fb1, Qt::Key_Home);
        if (w.fb1->ListIndex() != 0)
            qFatal("Home selected no picture");
    }

    // The real program, started in photos on the private X server.
    qulonglong startProgram()
    {
        if (!x)
            x = std::make_unique<XvfbSession>();
        if (x->display().isEmpty())
            return 0;
        program = std::make_unique<QProcess>();
        QProcessEnvironment env = x->environment();
        env.insert("HOME", temp->filePath("home"));
        env.insert("XDG_DATA_HOME", dataHome);
        env.insert("XDG_RUNTIME_DIR", temp->filePath("runtime"));
        QDir().mkpath(temp->filePath("home"));
        QDir().mkpath(temp->filePath("runtime"));
        QFile::setPermissions(temp->filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        program->setProcessEnvironment(env);
        program->setWorkingDirectory(photos);
        program->setProcessChannelMode(QProcess::ForwardedChannels);
        program->start(QStringLiteral(QUORVEL_BINARY), {});
        program->waitForStarted();
        return otherWindow("^Quorvel$", 0, true);
    }

    // A window of the program titled by titleRegex other than except; the main
    // window (the only large one) or a message box, as asked.
    qulonglong otherWindow(const QString &titleRegex, qulonglong except, bool large = false,
                           int timeoutMs = 15000)
    {
        QDeadlineTimer deadline(timeoutMs);
        do {
            const QStringList found =
                x->xdotool({"search", "--all", "--onlyvisible", "--pid",
                            QString::number(program->processId()), "--name", titleRegex})
                    .split(u'\n', Qt::SkipEmptyParts);
            for (const QString &id : found) {
                const qulonglong window = id.toULongLong();
                if (window != except && (x->geometry(window).width() >= 900) == large)
                    return window;
            }
            QThread::msleep(100);
        } while (!deadline.hasExpired());
        return 0;
    }

private slots:
    void init()
    {
        temp = std::make_unique<QTemporaryDir>();
        photos = temp->filePath("photos");
        dataHome = temp->filePath("data");
        QDir().mkpath(dataHome);
        qputenv("XDG_DATA_HOME", dataHome.toLocal8Bit());
        QDir().mkpath(photos);
        for (const char *name : {"DSC_0001.jpg", "DSC_0002.jpg", "DSC_0003.jpg"}) {
            QImage image(60, 40, QImage::Format_RGB32);
            image.fill(Qt::darkCyan);
            QVERIFY(image.save(photos + "/" + name));
        }
        touchFiles(photos, {"DSC_0001.nef", "DSC_0002.nef", "DSC_0004.nef", "DSC_0005.nef"});
        fixture.reset();
    }

    void cleanup()
    {
        if (program && program->state() != QProcess::NotRunning) {
            program->kill();
            program->waitForFinished();
        }
        program.reset();
        for (const QPointer<QTimer> &poll : std::as_const(polls))
            delete poll;
        polls.clear();
        fixture.reset();
        temp.reset();
    }

    // The window opens with the focus on the folder list, first in tab order.
    void mainWindowStartsOnThePictureFolder()
    {
        main_window::frmMain &w = start();
        QCOMPARE(focusedControl(w), QStringLiteral("Dir1"));
    }

    void mainWindowTabOrder_data()
    {
        QTest::addColumn<bool>("pictureChosen");
        QTest::addColumn<bool>("sidesApart");
        QTest::addColumn<QStringList>("order");
        const QStringList head = {"Dir1",         "Drive1",      "txtNoFiles1",
                                  "fb2",          "txtNoFiles2", "ComboRaw",
                                  "ComboPicture", "cmdQuorvel",  "cmdRefresh"};
        // Disabled controls are passed over.
        QTest::newRow("as started")
            << false << false << head + QStringList{"fb1", "checkSync", "cmdExit"};
        QTest::newRow("picture chosen")
            << true << false << head + QStringList{"cmdInfo", "fb1", "checkSync", "cmdExit"};
        QTest::newRow("sides apart")
            << false << true << head + QStringList{"fb1", "Drive2", "Dir2", "checkSync", "cmdExit"};
    }
    void mainWindowTabOrder()
    {
        QFETCH(bool, pictureChosen);
        QFETCH(bool, sidesApart);
        QFETCH(QStringList, order);
        main_window::frmMain &w = start();
        if (sidesApart) {
            w.checkSync->setFocus();
            QTest::keyClick(w.checkSync, Qt::Key_Space);
            QVERIFY(!w.syncDirs());
        }
        if (pictureChosen) {
            choosePicture(w);
            QVERIFY(w.cmdInfo->isEnabled());
        }

        w.Dir1->setFocus();
        QStringList forward;
        for (int i = 0; i <= order.size(); ++i) {
            forward << focusedControl(w);
            press(Qt::Key_Tab);
        }
        QCOMPARE(forward, order + QStringList{order.first()});

        w.Dir1->setFocus();
        QStringList backward;
        for (int i = 0; i <= order.size(); ++i) {
            backward << focusedControl(w);
            press(Qt::SHIFT | Qt::Key_Backtab);
        }
        QStringList reversed{order.first()};
        for (qsizetype i = order.size() - 1; i >= 0; --i)
            reversed << order.at(i);
        QCOMPARE(backward, reversed);
    }

    // Each access key works wherever the focus is, lists and text fields included.
    void accessKeys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("command");
        for (const char *focus : {"Dir1", "Drive1", "fb1", "fb2", "ComboPicture", "ComboRaw",
                                  "txtNoFiles1", "checkSync", "cmdRefresh"}) {
            for (const char *command : {"Trim", "Refresh", "Show Picture", "Help About"})
                QTest::addRow("%s, in %s", command, focus) << focus << command;
        }
    }
    void accessKeys()
    {
        QFETCH(QString, focus);
        QFETCH(QString, command);
        main_window::frmMain &w = start();
        if (command == "Show Picture")
            choosePicture(w);
        control(w, focus)->setFocus();
        QCOMPARE(focusedControl(w), focus);

        if (command == "Trim") {
            press(Qt::ALT | Qt::Key_T); // answered No by the fake
            QTRY_COMPARE(messages.count(), 1);
            QCOMPARE(messages.last().title, QStringLiteral("Delete *.nef (Nikon) files"));
            QVERIFY(messages.last().prompt.endsWith(
                "Are you absolutly sure you want to delete file(s) ?"));
            QCOMPARE(trashedNames(dataHome), QStringList());
        } else if (command == "Refresh") {
            touchFiles(photos, {"DSC_0009.jpg", "DSC_0009.nef"});
            press(Qt::ALT | Qt::Key_R);
            QTRY_COMPARE(w.txtNoFiles1->Text(), QStringLiteral("4"));
            QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("5"));
        } else if (command == "Show Picture") {
            QString shown;
            whileViewerOpen(w, [&] {
                shown = w.viewer()->Tag();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
            });
            press(Qt::ALT | Qt::Key_P);
            QTRY_COMPARE(shown, photos + "/DSC_0001.jpg");
            QTRY_VERIFY(!w.viewer()->isVisible());
            QTRY_VERIFY(!w.cmdInfo->isEnabled());
        } else if (command == "Help About") {
            press(Qt::ALT | Qt::Key_H);
            QVERIFY(QTest::qWaitFor([&] { return w.mnuHelp->isVisible(); }));
            QTest::keyClick(w.mnuHelp, Qt::Key_A);
            QVERIFY(w.aboutBox());
            QVERIFY(w.aboutBox()->isVisible());
            QVERIFY(QTest::qWaitForWindowActive(w.aboutBox()));
            QCOMPARE(QApplication::focusWidget(), w.aboutBox()->cmdOK);
        }
    }

    // "Show Picture" is disabled until a picture is chosen and after every
    // use: its access key then does nothing either.
    void disabledShowPictureIgnoresItsKey()
    {
        main_window::frmMain &w = start();
        // A key that reaches a button presses it down at once and clicks it a
        // moment later; a disabled button stays up, so no click is pending,
        // and once what the key set off has run, nothing opened.
        press(Qt::ALT | Qt::Key_P);
        QVERIFY(!w.cmdInfo->isDown());
        QCoreApplication::processEvents();
        QVERIFY(!w.viewer());

        choosePicture(w);
        bool closed = false;
        whileViewerOpen(w, [&] {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
            closed = QTest::qWaitFor([&] { return !w.viewer()->isVisible(); });
        });
        press(Qt::ALT | Qt::Key_P);
        QTRY_VERIFY(closed);
        QTRY_VERIFY(!w.cmdInfo->isEnabled());

        bool reopened = false;
        whileViewerOpen(w, [&] {
            reopened = true;
            w.viewer()->hide();
        });
        press(Qt::ALT | Qt::Key_P);
        QVERIFY(!w.cmdInfo->isDown());
        QCoreApplication::processEvents();
        QVERIFY(!reopened);
    }

    // The picture list's own keys: moving the selection chooses a picture
    // (which makes "Show Picture" usable), Enter opens it.
    void pictureListKeys_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("selected");
        QTest::newRow("Down from nothing") << QList<int>{Qt::Key_Down} << QString() << 0;
        QTest::newRow("Down, Down") << QList<int>{Qt::Key_Down, Qt::Key_Down} << QString() << 1;
        QTest::newRow("End") << QList<int>{Qt::Key_End} << QString() << 2;
        QTest::newRow("End, Up") << QList<int>{Qt::Key_End, Qt::Key_Up} << QString() << 1;
        QTest::newRow("End, Home") << QList<int>{Qt::Key_End, Qt::Key_Home} << QString() << 0;
        QTest::newRow("Space") << QList<int>{Qt::Key_Space} << QString() << 0;
        QTest::newRow("typing a name") << QList<int>{} << QStringLiteral("DSC_0003") << 2;
    }
    void pictureListKeys()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QString, typed);
        QFETCH(int, selected);
        main_window::frmMain &w = start();
        // Reached by Tab, as the user reaches it.
        for (int i = 0; i < 20 && focusedControl(w) != "fb1"; ++i)
            press(Qt::Key_Tab);
        QCOMPARE(focusedControl(w), QStringLiteral("fb1"));
        QCOMPARE(w.fb1->ListIndex(), -1);
        for (int key : keys)
            QTest::keyClick(w.fb1, Qt::Key(key));
        if (!typed.isEmpty())
            QTest::keyClicks(w.fb1, typed);
        QCOMPARE(w.fb1->ListIndex(), selected);
        QVERIFY(w.cmdInfo->isEnabled());

        QString shown;
        whileViewerOpen(w, [&] {
            shown = w.viewer()->Tag();
            w.viewer()->hide();
        });
        QTest::keyClick(w.fb1, Qt::Key_Return);
        QTRY_VERIFY(!w.cmdInfo->isEnabled());
        QCOMPARE(shown, photos + "/" + w.fb1->List(selected));
        QVERIFY(!w.cmdInfo->isEnabled());
    }

    // The folder list: arrows move through the folders shown, Enter opens
    // one, and the lists and counts follow at once.
    void folderListKeys()
    {
        touchFiles(photos + "/day2", {"IMG_1.jpg", "IMG_1.nef", "IMG_2.nef"});
        main_window::frmMain &w = start();
        QCOMPARE(focusedControl(w), QStringLiteral("Dir1"));
        QTest::keyClick(w.Dir1, Qt::Key_Down); // the one subfolder, listed under photos
        QTest::keyClick(w.Dir1, Qt::Key_Return);
        QCOMPARE(w.fb1->Path(), photos + "/day2");
        QCOMPARE(w.fb2->Path(), photos + "/day2");
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("1"));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("2"));

        QTest::keyClick(w.Dir1, Qt::Key_Up);
        QTest::keyClick(w.Dir1, Qt::Key_Return);
        QCOMPARE(w.fb1->Path(), photos);
        QCOMPARE(w.txtNoFiles1->Text(), QStringLiteral("3"));
        QCOMPARE(w.txtNoFiles2->Text(), QStringLiteral("4"));
    }

    // Enter in a list with nothing chosen opens nothing.
    void enterWithoutAPictureOpensNothing()
    {
        main_window::frmMain &w = start();
        w.fb1->setFocus();
        QTest::keyClick(w.fb1, Qt::Key_Return);
        QVERIFY(!w.viewer());
        QCOMPARE(messages.count(), 0);
    }

    // Enter and Space press the focused button, as on any desktop.
    void focusedButtonPressedByEnterOrSpace_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Space") << int(Qt::Key_Space);
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
    }
    void focusedButtonPressedByEnterOrSpace()
    {
        QFETCH(int, key);
        main_window::frmMain &w = start();
        w.cmdQuorvel->setFocus();
        QTest::keyClick(w.cmdQuorvel, Qt::Key(key),
                        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QTRY_COMPARE(messages.count(), 1);
        QCOMPARE(messages.last().title, QStringLiteral("Delete *.nef (Nikon) files"));
    }

    void viewerKeys_data()
    {
        QTest::addColumn<QList<QKeyCombination>>("keys");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("trashed");
        using L = QList<QKeyCombination>;
        QTest::newRow("Alt+C") << L{Qt::ALT | Qt::Key_C} << 0 << false << true << false;
        QTest::newRow("Enter on Close")
            << L{QKeyCombination(Qt::Key_Return)} << 0 << false << true << false;
        // Space shows the next picture, even with Close focused.
        QTest::newRow("Space on Close")
            << L{QKeyCombination(Qt::Key_Space)} << 0 << false << false << false;
        QTest::newRow("Esc does nothing")
            << L{QKeyCombination(Qt::Key_Escape)} << 0 << false << false << false;
        // The viewer is modal: the main window's access keys don't reach past it.
        QTest::newRow("Alt+T, Alt+R do nothing")
            << L{Qt::ALT | Qt::Key_T, Qt::ALT | Qt::Key_R} << 0 << false << false << false;
        QTest::newRow("Alt+D, No")
            << L{Qt::ALT | Qt::Key_D} << int(platform::IDNO) << true << false << false;
        QTest::newRow("Alt+D, Yes")
            << L{Qt::ALT | Qt::Key_D} << int(platform::IDYES) << true << true << true;
        QTest::newRow("Tab, Enter on Delete, No")
            << L{QKeyCombination(Qt::Key_Tab), QKeyCombination(Qt::Key_Return)}
            << int(platform::IDNO) << true << false << false;
    }
    void viewerKeys()
    {
        QFETCH(QList<QKeyCombination>, keys);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, closed);
        QFETCH(bool, trashed);
        main_window::frmMain &w = start();
        choosePicture(w);
        if (answer)
            messages.answer(answer);

        bool stillOpen = false;
        QString startFocus;
        whileViewerOpen(w, [&] {
            viewer::dlgShowPicture *viewer = w.viewer();
            if (!QTest::qWaitForWindowActive(viewer))
                return;
            startFocus =
                QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
            for (QKeyCombination key : keys) {
                if (viewer->isVisible())
                    QTest::keyClick(QApplication::focusWidget(), key.key(),
                                    key.keyboardModifiers());
            }
            // An access key presses its button a moment later, as a click would.
            (void)QTest::qWaitFor(
                [&] { return !viewer->isVisible() || (asked && messages.count() > 0); },
                closed || asked ? 5000 : 300);
            stillOpen = viewer->isVisible();
            viewer->hide();
        });
        press(Qt::ALT | Qt::Key_P);
        QTRY_VERIFY(w.viewer() && !w.viewer()->isVisible() && !w.cmdInfo->isEnabled());
        QCOMPARE(startFocus, QStringLiteral("OKButton"));
        QCOMPARE(messages.count() >= 1, asked);
        if (asked)
            QCOMPARE(messages.messages().first().title, QStringLiteral("Delete file"));
        QCOMPARE(!stillOpen, closed);
        QCOMPARE(trashedNames(dataHome), trashed ? QStringList{"DSC_0001.jpg"} : QStringList{});
    }

    void viewerTabOrder()
    {
        main_window::frmMain &w = start();
        choosePicture(w);
        QStringList order;
        whileViewerOpen(w, [&] {
            if (!QTest::qWaitForWindowActive(w.viewer()))
                return;
            for (int i = 0; i < 3; ++i) {
                order << QApplication::focusWidget()->objectName();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            for (int i = 0; i < 2; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
                order << QApplication::focusWidget()->objectName();
            }
            w.viewer()->hide();
        });
        press(Qt::ALT | Qt::Key_P);
        QTRY_VERIFY(w.viewer() && !w.viewer()->isVisible() && !w.cmdInfo->isEnabled());
        QCOMPARE(order,
                 (QStringList{"OKButton", "cmdDelete", "OKButton", "OKButton", "cmdDelete"}));
    }

    // The About box reached from the menu with the keyboard: OK holds the
    // focus whatever Tab does, and Enter or Esc close it.
    void aboutBoxKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("Space") << int(Qt::Key_Space);
    }
    void aboutBoxKeys()
    {
        QFETCH(int, key);
        main_window::frmMain &w = start();
        press(Qt::ALT | Qt::Key_H);
        QVERIFY(QTest::qWaitFor([&] { return w.mnuHelp->isVisible(); }));
        QTest::keyClick(w.mnuHelp, Qt::Key_A);
        QPointer<about::frmAbout> box = w.aboutBox();
        QVERIFY(box);
        QVERIFY(QTest::qWaitForWindowActive(box));
        QCOMPARE(QApplication::focusWidget(), box->cmdOK);
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), box->cmdOK);
        press(Qt::SHIFT | Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), box->cmdOK);

        QTest::keyClick(box->cmdOK, Qt::Key(key),
                        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QVERIFY(!box || !box->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(box.isNull());
        QCOMPARE(launcher.count(), 0);
        QCOMPARE(messages.count(), 0);
    }

    // The same keys on the real program, pressed on a real keyboard of a
    // private X server: the trim question by Alt+T, No by Enter, Yes by Alt+Y.
    void realProgramTrimsFromTheKeyboard()
    {
        const qulonglong main = startProgram();
        if (x->display().isEmpty())
            QSKIP(qPrintable(x->failure()));
        QVERIFY2(main, "the main window did not appear");

        const QString question = QStringLiteral("^Delete \\*\\.nef \\(Nikon\\) files$");
        x->keys(main, {"alt+t"});
        qulonglong box = otherWindow(question, main);
        QVERIFY2(box, "Alt+T asked nothing");
        x->keys(box, {"Return"}); // No is the default answer
        QVERIFY(x->waitUntilGone(question, program->processId()));
        QCOMPARE(trashedNames(dataHome), QStringList());

        x->keys(main, {"alt+t"});
        box = otherWindow(question, main);
        QVERIFY2(box, "Alt+T asked nothing the second time");
        x->keys(box, {"alt+y"});
        const qulonglong summary = otherWindow("^Thanks using Quorvel $", main);
        QVERIFY2(summary, "no report after the trim");
        QCOMPARE(trashedNames(dataHome), (QStringList{"DSC_0004.nef", "DSC_0005.nef"}));
        x->keys(summary, {"Return"});
        QVERIFY(x->waitUntilGone("^Thanks using Quorvel $", program->processId()));
        // The progress window goes with the report.
        QVERIFY(QTest::qWaitFor([&] { return !otherWindow("^Quorvel$", main, false, 0); }, 15000));
        QCOMPARE(program->state(), QProcess::Running);
    }

    // Tab from the folder list to the picture list, Down chooses the first
    // picture, Enter opens it; in the viewer Alt+D asks, Esc answers No, Alt+C
    // closes; "Show Picture" is then disabled again and Alt+P opens nothing.
    void realProgramViewsFromTheKeyboard()
    {
        const qulonglong main = startProgram();
        if (x->display().isEmpty())
            QSKIP(qPrintable(x->failure()));
        QVERIFY2(main, "the main window did not appear");

        QStringList keys;
        for (int i = 0; i < 9; ++i)
            keys << "Tab";
        x->keys(main, keys + QStringList{"Down", "Return"});
        const QString viewerTitle = QStringLiteral("^Quorvel - Show picture$");
        const qulonglong viewer = otherWindow(viewerTitle, main);
        QVERIFY2(viewer, "Tab, Down, Enter opened no picture");

        x->keys(viewer, {"alt+d"});
        const qulonglong question = otherWindow("^Delete file$", main);
        QVERIFY2(question, "Alt+D asked nothing");
        x->keys(question, {"Escape"});
        QVERIFY(x->waitUntilGone("^Delete file$", program->processId()));
        QCOMPARE(trashedNames(dataHome), QStringList());
        QVERIFY(x->findWindow(viewerTitle, program->processId()));

        x->keys(viewer, {"alt+c"});
        QVERIFY(x->waitUntilGone(viewerTitle, program->processId()));

        x->keys(main, {"alt+p"});
        QVERIFY2(!otherWindow(viewerTitle, main, false, 1500),
                 "a disabled button opened the viewer");
        QCOMPARE(program->state(), QProcess::Running);
    }

    void realProgramAboutBoxClosesWithEnter()
    {
        const qulonglong main = startProgram();
        if (x->display().isEmpty())
            QSKIP(qPrintable(x->failure()));
        QVERIFY2(main, "the main window did not appear");
        const QList<qulonglong> before = x->windowsOf(program->processId());
        x->keys(main, {"alt+h"});
        QVERIFY2(x->waitForNewWindow(program->processId(), before), "Alt+H opened no menu");
        x->xdotool({"key", "a"});
        const qulonglong about = otherWindow("^About Quorvel$", main);
        QVERIFY2(about, "Alt+H, A opened no About box");
        x->keys(about, {"Tab", "Return"});
        QVERIFY(x->waitUntilGone("^About Quorvel$", program->processId()));
        QCOMPARE(program->state(), QProcess::Running);
    }

    // The viewer's choices as the real program keeps them, in its settings
    // file under HOME: "" until written.
    QString keptChoice(const QString &key) const
    {
        QDirIterator files(temp->filePath("home"), {"*.conf"}, QDir::Files | QDir::Hidden,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray &line : file.readAll().split('\n')) {
                if (line.startsWith(key.toUtf8() + '='))
                    return QString::fromUtf8(line.mid(key.size() + 1)).trimmed();
            }
        }
        return QString();
    }

    // F, P and Z on a picture that records where the camera focused; F and P
    // are kept for the next run, which starts with them on: its F turns the
    // frame off. (What the frame and Z show is the viewer's tests' part.)
    void realProgramKeepsTheFocusKeys()
    {
        QFile focused(photos + "/DSC_0001.jpg");
        QVERIFY(focused.open(QIODevice::WriteOnly));
        focused.write(
            test::withExifFields(test::jpegOf(test::photograph(QSize(600, 400)), 90),
                                 {{"Exif.Photo.SubjectArea", QStringLiteral("180 260")}}));
        focused.close();
        const QString viewerTitle = QStringLiteral("^Quorvel - Show picture$");
        QStringList keys;
        for (int i = 0; i < 9; ++i)
            keys << "Tab";
        for (const QStringList &viewerKeys : {QStringList{"f", "p", "z", "z"}, QStringList{"f"}}) {
            const qulonglong main = startProgram();
            if (x->display().isEmpty())
                QSKIP(qPrintable(x->failure()));
            QVERIFY2(main, "the main window did not appear");
            x->keys(main, keys + QStringList{"Down", "Return"});
            const qulonglong viewer = otherWindow(viewerTitle, main);
            QVERIFY2(viewer, "Tab, Down, Enter opened no picture");
            x->keys(viewer, viewerKeys);
            x->keys(viewer, {"alt+c"});
            QVERIFY(x->waitUntilGone(viewerTitle, program->processId()));
            QCOMPARE(program->state(), QProcess::Running);
            program->kill();
            program->waitForFinished();
        }
        QCOMPARE(keptChoice("focusFrame"), QStringLiteral("false"));
        QCOMPARE(keptChoice("peaking"), QStringLiteral("true"));
    }

    // Leaving ends the program's event loops, and a test process has no
    // fresh one to start afterwards: these run last.
    void leavingKeys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("byMenu");
        for (const char *focus : {"Dir1", "fb1", "fb2", "ComboRaw", "checkSync"}) {
            QTest::addRow("Alt+X, in %s", focus) << focus << false;
            QTest::addRow("Alt+F X, in %s", focus) << focus << true;
        }
    }
    void leavingKeys()
    {
        QFETCH(QString, focus);
        QFETCH(bool, byMenu);
        main_window::frmMain &w = start();
        control(w, focus)->setFocus();
        if (byMenu) {
            press(Qt::ALT | Qt::Key_F);
            QVERIFY(QTest::qWaitFor([&] { return w.mnuFile->isVisible(); }));
            QTest::keyClick(w.mnuFile, Qt::Key_X);
        } else {
            press(Qt::ALT | Qt::Key_X);
        }
        QTRY_COMPARE(messages.count(), 1);
        QCOMPARE(messages.last().title, QStringLiteral("Thanks for using Quorvel "));
        QVERIFY(w.isEnding());
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(tst_Keyboard)
#include "tst_Keyboard.moc"
