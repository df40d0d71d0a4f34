#include "support/core/UnprivilegedUser.h"

#include <QProcess>
#include <QStandardPaths>
#include <unistd.h>

namespace quorvel::test {

QString UnprivilegedUser::unavailable()
{
    if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        return QStringLiteral("setpriv is needed to run as an unprivileged user");
    if (::geteuid() != 0)
        return QStringLiteral("only root can start a copy as another user");
    return {};
}

void UnprivilegedUser::start(QProcess &process, const QString &program,
                             const QStringList &arguments)
{
    process.start(QStringLiteral("setpriv"),
                  QStringList{QStringLiteral("--reuid=%1").arg(id),
                              QStringLiteral("--regid=%1").arg(group),
                              QStringLiteral("--clear-groups"), program} +
                      arguments);
}

} // namespace quorvel::test
