// The single-instance lock under a race: copies started at the same moment,
// exactly one of which may run, and locks left behind by copies that were
// killed, which must not keep the next one from starting. The same race
// between two copies of the real program is in tst_EndToEnd.

#include "platform/InstanceLock.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using quorvel::platform::InstanceLock;

namespace {

constexpr int racers = 8;

// A copy of this test that takes the lock when told to: it waits for a line
// on its input, tries, says "got" or "held", and keeps whatever it got until
// its input closes.
int holdLock(const QString &name)
{
    std::string line;
    std::getline(std::cin, line);
    const std::unique_ptr<InstanceLock> lock = InstanceLock::tryAcquire(name);
    std::puts(lock ? "got" : "held");
    std::fflush(stdout);
    while (std::getline(std::cin, line)) {
    }
    return 0;
}

} // namespace

class tst_InstanceLock : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::unique_ptr<QProcess>> m_processes;

    QString runtime() const { return m_dir->filePath(QStringLiteral("runtime")); }

    QProcess &startHolder(const QString &name)
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        process->setProcessEnvironment(environment);
        process->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold"), name});
        m_processes.push_back(std::move(process));
        return *m_processes.back();
    }

    static QByteArray answerOf(QProcess &process)
    {
        QDeadlineTimer deadline(60000);
        while (!process.canReadLine() && !deadline.hasExpired())
            process.waitForReadyRead(100);
        return process.readLine().trimmed();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir().mkpath(runtime()));
        QFile::setPermissions(runtime(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void cleanup()
    {
        for (auto &process : m_processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished();
            }
        }
        m_processes.clear();
        m_dir.reset();
    }

    // Eight copies told to take the lock at once: one gets it, every other
    // is told it is held. Twenty times over.
    void exactlyOneOfManyAtOnce()
    {
        for (int round = 0; round < 20; ++round) {
            std::vector<QProcess *> holders;
            for (int i = 0; i < racers; ++i)
                holders.push_back(&startHolder(QStringLiteral("race")));
            for (QProcess *holder : holders)
                QVERIFY(holder->waitForStarted());
            for (QProcess *holder : holders)
                holder->write("go\n");
            int got = 0;
            int held = 0;
            for (QProcess *holder : holders) {
                const QByteArray answer = answerOf(*holder);
                got += answer == "got";
                held += answer == "held";
            }
            QCOMPARE(got, 1);
            QCOMPARE(held, racers - 1);
            for (QProcess *holder : holders) {
                holder->closeWriteChannel();
                QVERIFY(holder->waitForFinished(60000));
            }
            m_processes.clear();
        }
    }

    // A copy killed while holding the lock leaves its lock file behind; the
    // next copy starts all the same. So does one that finds a lock file it
    // may not write, or a link planted in its place; neither is followed.
    void leftoversDoNotBlock_data()
    {
        QTest::addColumn<QString>("leftover");
        QTest::newRow("holder killed") << QStringLiteral("killed");
        QTest::newRow("lock file of someone else") << QStringLiteral("foreign");
        QTest::newRow("link planted in its place") << QStringLiteral("link");
    }
    void leftoversDoNotBlock()
    {
        QFETCH(QString, leftover);
        const QString lockFile = runtime() + QStringLiteral("/leftover.lock");
        const QString target = m_dir->filePath(QStringLiteral("target"));
        if (leftover == u"killed") {
            QProcess &first = startHolder(QStringLiteral("leftover"));
            QVERIFY(first.waitForStarted());
            first.write("go\n");
            QCOMPARE(answerOf(first), QByteArray("got"));
            ::kill(pid_t(first.processId()), SIGKILL);
            QVERIFY(first.waitForFinished());
            QVERIFY(QFile::exists(lockFile));
        } else if (leftover == u"foreign") {
            QFile file(lockFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            QCOMPARE(::chown(QFile::encodeName(lockFile).constData(), 65534, 65534), 0);
        } else {
            QVERIFY(QFile::link(target, lockFile));
        }

        QProcess &next = startHolder(QStringLiteral("leftover"));
        QVERIFY(next.waitForStarted());
        next.write("go\n");
        QCOMPARE(answerOf(next), QByteArray("got"));
        next.closeWriteChannel();
        QVERIFY(next.waitForFinished());
        QVERIFY2(!QFile::exists(target), "the lock followed a planted link");
    }
};

int main(int argc, char *argv[])
{
    if (argc > 2 && std::strcmp(argv[1], "--hold") == 0)
        return holdLock(QString::fromLocal8Bit(argv[2]));
    QCoreApplication application(argc, argv);
    tst_InstanceLock test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_InstanceLock.moc"
