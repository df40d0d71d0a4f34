#include "platform/linux/XdgOpenLauncher.h"
#include "about/Maker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

const char underXvfb[] = "QUORVEL_TEST_UNDER_XVFB";

} // namespace

// The launcher against the desktop's real opener: a stand-in xdg-open on PATH
// records what it is given, so the test sees exactly what a browser would.
class tst_DesktopLauncher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void noOpenerMeansFailure();
    void pageGoesToTheOpenerUnchanged();
    void everyRequestStartsTheOpener();

private:
    QString opened() const;

    QTemporaryDir m_dir;
    QString m_log;
};

void tst_DesktopLauncher::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X display to open pages; install xvfb and xauth to run it headless");
    QVERIFY(m_dir.isValid());

    // Whatever the machine's desktop is, go through xdg-open.
    for (const char *name : {"BROWSER", "DEFAULT_BROWSER", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION",
                             "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
        qunsetenv(name);

    m_log = m_dir.filePath(QStringLiteral("opened.log"));
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("bin")));
    QFile opener(m_dir.filePath(QStringLiteral("bin/xdg-open")));
    QVERIFY(opener.open(QIODevice::WriteOnly));
    opener.write("#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" >> '" + QFile::encodeName(m_log) +
                 "'\nprintf '\\n' >> '" + QFile::encodeName(m_log) + "'\n");
    opener.close();
    QVERIFY(opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QString tst_DesktopLauncher::opened() const
{
    QFile log(m_log);
    if (!log.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(log.readAll());
}

void tst_DesktopLauncher::noOpenerMeansFailure()
{
    // Must run before any success: Qt remembers the opener it found.
    qputenv("PATH", QFile::encodeName(m_dir.filePath(QStringLiteral("empty"))));
    quorvel::platform::XdgOpenLauncher launcher;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("web browser")));
    QVERIFY(!launcher.openUrl(QUrl(QString::fromLatin1(quorvel::about::makerPage))));
    QVERIFY(opened().isEmpty());
}

void tst_DesktopLauncher::pageGoesToTheOpenerUnchanged()
{
    qputenv("PATH", QFile::encodeName(m_dir.filePath(QStringLiteral("bin"))));
    quorvel::platform::XdgOpenLauncher launcher;
    QVERIFY(launcher.openUrl(QUrl(QString::fromLatin1(quorvel::about::makerPage))));
    // The opener runs detached; wait for it to have written.
    QTRY_COMPARE(opened(), QStringLiteral("1|https://quorvel.example.org/|\n"));
}

void tst_DesktopLauncher::everyRequestStartsTheOpener()
{
    QFile::remove(m_log);
    quorvel::platform::XdgOpenLauncher launcher;
    const QUrl page(QString::fromLatin1(quorvel::about::makerPage));
    QVERIFY(launcher.openUrl(page));
    QTRY_COMPARE(opened().count(QLatin1Char('\n')), 1);
    QVERIFY(launcher.openUrl(page));
    QTRY_COMPARE(opened().count(QLatin1Char('\n')), 2);
    QCOMPARE(opened(), QStringLiteral("1|https://quorvel.example.org/|\n").repeated(2));
}

int main(int argc, char *argv[])
{
    // The offscreen platform the other tests use cannot hand pages to the
    // desktop, so run again under a private X server where one can be had.
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (!qEnvironmentVariableIsSet(underXvfb) && !xvfbRun.isEmpty() &&
        !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() &&
        !QStandardPaths::findExecutable(QStringLiteral("xauth")).isEmpty()) {
        qputenv(underXvfb, "1");
        qputenv("QT_QPA_PLATFORM", "xcb");
        QStringList arguments = {QStringLiteral("-a"), QStringLiteral("-s"),
                                 QStringLiteral("-screen 0 640x480x24 -nolisten tcp"),
                                 QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath()};
        for (int i = 1; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        const int status = QProcess::execute(xvfbRun, arguments);
        return status < 0 ? 1 : status;
    }

    QGuiApplication application(argc, argv);
    tst_DesktopLauncher test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_DesktopLauncher.moc"
