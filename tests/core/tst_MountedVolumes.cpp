#include "platform/MountedVolumes.h"
#include "platform/MountWatcher.h"
#include "support/core/ByteFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/mount.h>

using quorvel::platform::mountedVolumes;

class tst_MountedVolumes : public QObject
{
    Q_OBJECT

private slots:
    void rootFirstThenRealDisksOnly();
    void userMountsAreOffered();
    void watcherTellsOfMountAndUnmount();
};

// A real mount and unmount, where the test may mount (as root, outside a
// container that forbids it); each is told of by the watcher.
void tst_MountedVolumes::watcherTellsOfMountAndUnmount()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::unique_ptr<quorvel::platform::MountWatcher> watcher =
        quorvel::platform::watchMounts();
    QSignalSpy changes(watcher.get(), &quorvel::platform::MountWatcher::changed);
    QCoreApplication::processEvents();
    QCOMPARE(changes.count(), 0); // nothing changed yet, nothing told

    QByteArrayList mounts;
    const QByteArray where = QFile::encodeName(dir.filePath(QStringLiteral("card")));
    if (const QString why = quorvel::test::mountTmpfs(where, "size=64k", mounts); !why.isEmpty())
        QSKIP(qPrintable(why));
    auto unmount = qScopeGuard([&where] { ::umount2(where.constData(), MNT_DETACH); });
    QVERIFY(changes.wait(60000));

    changes.clear();
    unmount.dismiss();
    QCOMPARE(::umount2(where.constData(), MNT_DETACH), 0);
    QVERIFY(changes.wait(60000));
}

void tst_MountedVolumes::rootFirstThenRealDisksOnly()
{
    const auto volumes = mountedVolumes();
    QVERIFY(!volumes.isEmpty());
    QCOMPARE(volumes.first().mountPoint, QStringLiteral("/"));

    QSet<QString> seen;
    for (const auto &volume : volumes) {
        const QString &mountPoint = volume.mountPoint;
        QVERIFY2(!seen.contains(mountPoint), qPrintable("listed twice: " + mountPoint));
        seen.insert(mountPoint);
        QVERIFY2(QFileInfo(mountPoint).isDir(), qPrintable(mountPoint));
        for (const char *pseudo : {"/proc", "/sys", "/dev", "/run/user", "/run/lock"}) {
            const QString base = QString::fromLatin1(pseudo);
            QVERIFY2(mountPoint != base && !mountPoint.startsWith(base + u'/'),
                     qPrintable(mountPoint));
        }
        QVERIFY2(!mountPoint.contains(QStringLiteral("cgroup")), qPrintable(mountPoint));
        if (mountPoint == u"/")
            continue;
        const QStorageInfo storage(mountPoint);
        QCOMPARE(storage.rootPath(), mountPoint);
        for (const char *type : {"proc", "sysfs", "cgroup", "cgroup2", "devtmpfs", "devpts",
                                 "tmpfs", "overlay", "squashfs"}) {
            QVERIFY2(storage.fileSystemType() != type, qPrintable(mountPoint));
        }
    }
}

// Every real disk mounted where desktops mount disks, or holding the home
// folder, is offered.
void tst_MountedVolumes::userMountsAreOffered()
{
    const auto volumes = mountedVolumes();
    QSet<QString> offered;
    for (const auto &volume : volumes)
        offered.insert(volume.mountPoint);

    static const QSet<QByteArray> notDisks = {"proc",   "sysfs", "cgroup",  "cgroup2",  "devtmpfs",
                                              "devpts", "tmpfs", "overlay", "squashfs", "autofs"};
    const QString home = QDir::homePath();
    int checked = 0;
    for (const QStorageInfo &storage : QStorageInfo::mountedVolumes()) {
        const QString root = storage.rootPath();
        if (!storage.isValid() || notDisks.contains(storage.fileSystemType()))
            continue;
        const bool userMount = root.startsWith(QStringLiteral("/media/")) ||
                               root.startsWith(QStringLiteral("/run/media/")) ||
                               root.startsWith(QStringLiteral("/mnt/"));
        const bool holdsHome = QStorageInfo(home).rootPath() == root;
        if (userMount || holdsHome || root == u"/") {
            QVERIFY2(offered.contains(root), qPrintable(root));
            ++checked;
        }
    }
    QVERIFY(checked >= 1);
}

QTEST_GUILESS_MAIN(tst_MountedVolumes)
#include "tst_MountedVolumes.moc"
