#include "platform/MountedVolumes.h"

#include <QDir>
#include <QSet>
#include <QStorageInfo>

namespace quorvel::platform {

using files::Volume;

namespace {

bool isPseudo(const QByteArray &type)
{
    static const QSet<QByteArray> pseudo = {
        "proc",        "sysfs",           "devtmpfs", "devpts",   "cgroup",      "cgroup2",
        "securityfs",  "debugfs",         "tracefs",  "pstore",   "bpf",         "mqueue",
        "hugetlbfs",   "configfs",        "fusectl",  "autofs",   "binfmt_misc", "rpc_pipefs",
        "nsfs",        "efivarfs",        "overlay",  "squashfs", "ramfs",       "selinuxfs",
        "fuse.portal", "fuse.gvfsd-fuse", "tmpfs"};
    return pseudo.contains(type);
}

bool isUserMount(const QString &root)
{
    for (const char *base : {"/media/", "/run/media/", "/mnt/"}) {
        if (root.startsWith(QLatin1String(base)))
            return true;
    }
    return false;
}

} // namespace

QList<Volume> mountedVolumes()
{
    QList<Volume> volumes{{QStringLiteral("/"), {}}};
    QSet<QString> listed{QStringLiteral("/")};
    const QString home = QDir::homePath();
    for (const QStorageInfo &storage : QStorageInfo::mountedVolumes()) {
        const QString root = storage.rootPath();
        // A disk mounted twice on the same folder (an automounter's second
        // try, a bind mount over it) is still one drive to the user.
        if (listed.contains(root) || !storage.isValid() || isPseudo(storage.fileSystemType()))
            continue;
        const bool holdsHome = home == root || home.startsWith(root + u'/');
        if (holdsHome || isUserMount(root)) {
            volumes.append({root, storage.name()});
            listed.insert(root);
        }
    }
    return volumes;
}

} // namespace quorvel::platform
