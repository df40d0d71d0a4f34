#include "platform/linux/XdgOpenLauncher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

// Any page will do: the launcher hands on whatever it is given.
const char anyPage[] = "https://quorvel.example.org/";

} // namespace

// The launcher against the desktop's real opener: a stand-in xdg-open on PATH
// records what it is given, so the test sees exactly what a browser would.
class tst_XdgOpenLauncher : public QObject
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

void tst_XdgOpenLauncher::initTestCase()
{
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

QString tst_XdgOpenLauncher::opened() const
{
    QFile log(m_log);
    if (!log.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(log.readAll());
}

void tst_XdgOpenLauncher::noOpenerMeansFailure()
{
    qputenv("PATH", QFile::encodeName(m_dir.filePath(QStringLiteral("empty"))));
    quorvel::platform::XdgOpenLauncher launcher;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("web browser")));
    QVERIFY(!launcher.openUrl(QUrl(QString::fromLatin1(anyPage))));
    QVERIFY(opened().isEmpty());
}

void tst_XdgOpenLauncher::pageGoesToTheOpenerUnchanged()
{
    qputenv("PATH", QFile::encodeName(m_dir.filePath(QStringLiteral("bin"))));
    quorvel::platform::XdgOpenLauncher launcher;
    QVERIFY(launcher.openUrl(QUrl(QString::fromLatin1(anyPage))));
    // The opener runs detached; wait for it to have written.
    QTRY_COMPARE(opened(), QStringLiteral("1|https://quorvel.example.org/|\n"));
}

void tst_XdgOpenLauncher::everyRequestStartsTheOpener()
{
    QFile::remove(m_log);
    quorvel::platform::XdgOpenLauncher launcher;
    const QUrl page(QString::fromLatin1(anyPage));
    QVERIFY(launcher.openUrl(page));
    QTRY_COMPARE(opened().count(QLatin1Char('\n')), 1);
    QVERIFY(launcher.openUrl(page));
    QTRY_COMPARE(opened().count(QLatin1Char('\n')), 2);
    QCOMPARE(opened(), QStringLiteral("1|https://quorvel.example.org/|\n").repeated(2));
}

QTEST_GUILESS_MAIN(tst_XdgOpenLauncher)
#include "tst_XdgOpenLauncher.moc"
