// The real program bringing a card in through its window under Xvfb, driven
// with real keys: the menu, the card's folder typed in, the preview, the
// progress window while a file is held up, and the summary.

#include "support/core/OpenGate.h"
#include "support/widgets/XvfbSession.h"

#include <memory>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <utime.h>

using quorvel::test::OpenGate;
using quorvel::test::XvfbSession;

class tst_ImportWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> temp;
    std::unique_ptr<XvfbSession> x;
    std::unique_ptr<QProcess> program;

    // A window of the program titled by titleRegex, the main window (the only
    // large one) or another, as asked.
    qulonglong window(const QString &titleRegex, bool large, int timeoutMs = 15000)
    {
        QDeadlineTimer deadline(timeoutMs);
        do {
            const QStringList found =
                x->xdotool({"search", "--all", "--onlyvisible", "--pid",
                            QString::number(program->processId()), "--name", titleRegex})
                    .split(u'\n', Qt::SkipEmptyParts);
            for (const QString &id : found) {
                if ((x->geometry(id.toULongLong()).width() >= 900) == large)
                    return id.toULongLong();
            }
            QThread::msleep(100);
        } while (!deadline.hasExpired());
        return 0;
    }

private slots:
    void cleanup()
    {
        if (program && program->state() != QProcess::NotRunning) {
            program->kill();
            program->waitForFinished();
        }
        program.reset();
        temp.reset();
    }

    void cardBroughtInThroughTheWindow()
    {
        temp = std::make_unique<QTemporaryDir>();
        const QString card = temp->filePath("card");
        const QString home = temp->filePath("home");
        const QStringList names = {"DCIM/100NIKON/DSC_0001.JPG", "DCIM/100NIKON/DSC_0001.NEF",
                                   "DCIM/101NIKON/DSC_0002.NEF"};
        const qint64 shot = QDateTime(QDate(2026, 12, 7), QTime(20, 0)).toSecsSinceEpoch();
        for (const QString &name : names) {
            QVERIFY(QDir().mkpath(QFileInfo(card + u'/' + name).path()));
            QFile file(card + u'/' + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(64 * 1024, char('a' + names.indexOf(name))));
            file.close();
            const utimbuf times{shot, shot};
            QCOMPARE(utime(QFile::encodeName(file.fileName()).constData(), &times), 0);
        }
        for (const char *folder : {"home", "runtime", "photos", "data"})
            QVERIFY(QDir().mkpath(temp->filePath(folder)));
        QFile::setPermissions(temp->filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        x = std::make_unique<XvfbSession>();
        if (x->display().isEmpty())
            QSKIP(qPrintable(x->failure()));
        program = std::make_unique<QProcess>();
        QProcessEnvironment env = x->environment();
        env.insert("HOME", home);
        env.insert("XDG_CONFIG_HOME", home + "/.config");
        env.insert("XDG_DATA_HOME", temp->filePath("data"));
        env.insert("XDG_RUNTIME_DIR", temp->filePath("runtime"));
        program->setProcessEnvironment(env);
        program->setWorkingDirectory(temp->filePath("photos"));
        program->setProcessChannelMode(QProcess::ForwardedChannels);
        program->start(QStringLiteral(QUORVEL_BINARY), {});
        QVERIFY(program->waitForStarted());
        const qulonglong main = window("^Quorvel$", true);
        QVERIFY2(main, "the main window did not appear");

        // File, Import from Card…
        const QList<qulonglong> before = x->windowsOf(program->processId());
        x->keys(main, {"alt+f"});
        QVERIFY2(x->waitForNewWindow(program->processId(), before), "Alt+F opened no menu");
        x->xdotool({"key", "i"});
        const qulonglong importWindow = window("^Import from Card$", false);
        QVERIFY2(importWindow, "File, I opened no import window");

        // The card's folder typed in; Tab ends the typing and the preview
        // follows, with the destination offered under the Pictures folder.
        QStringList typing = {"alt+f"};
        for (const QChar c : card) {
            const QHash<QChar, QString> named = {
                {u'/', "slash"}, {u'_', "underscore"}, {u'-', "minus"}, {u'.', "period"}};
            typing << named.value(c, QString(c));
        }
        x->keys(importWindow, typing << "Tab");

        // The progress window is up while the card's first file is held.
        const qint64 pid = program->processId();
        const OpenGate gate(QFile::encodeName(card + u'/' + names[1]), [this, pid] {
            return x->waitForWindow("^Importing$", pid, 15000) != 0;
        });
        if (!gate.unavailable().isEmpty())
            QSKIP(qPrintable(gate.unavailable()));
        // Import waits for the preview, which the card's walk makes on a
        // thread of its own: a press before it lands does nothing, so Alt+I
        // is pressed until the copy has begun and the progress window shown.
        for (int press = 0; press < 30 && !gate.stepped(); ++press) {
            x->keys(importWindow, {"alt+i"});
            QTest::qWaitFor([&gate] { return gate.stepped(); }, 1000);
        }
        const qulonglong summary = window("^Quorvel$", false, 30000);
        QVERIFY2(summary, "no summary after the import");
        QVERIFY2(gate.stepped(), "no progress window while a file was copied");

        const QString copy = home + "/Pictures/2026-12-07";
        for (const QString &name : names)
            QCOMPARE(QFileInfo(copy + u'/' + name).size(), 64 * 1024);
        QDirIterator left(copy, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        int files = 0;
        while (left.hasNext()) {
            left.next();
            ++files;
        }
        QCOMPARE(files, names.size()); // nothing under a temporary name
        x->keys(summary, {"Return"});
        QVERIFY(QTest::qWaitFor([&] { return !window("^Quorvel$", false, 0); }, 15000));
        QCOMPARE(program->state(), QProcess::Running);
        const QSettings kept(home + "/.config/Quorvel/Quorvel.conf", QSettings::IniFormat);
        QCOMPARE(kept.value("Import/Destination").toString(), copy);
    }
};

QTEST_MAIN(tst_ImportWindow)
#include "tst_ImportWindow.moc"
