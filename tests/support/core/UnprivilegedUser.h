#pragma once

#include <QString>
#include <QStringList>
#include <sys/types.h>

class QProcess;

namespace quorvel::test {

// The user the permission tests run their subject as. We run as root, who
// passes every permission check, so a test that needs to see one fail starts
// a process of its own as this user: "nobody", without any groups.
class UnprivilegedUser
{
public:
    static constexpr uid_t id = 65534;
    static constexpr gid_t group = 65534;

    // Empty when a process can be started as the user; otherwise why not, for QSKIP.
    static QString unavailable();

    // Starts program with arguments in process, as the user. Everything else
    // (environment, working folder, channels) is as set on process.
    static void start(QProcess &process, const QString &program, const QStringList &arguments);
};

} // namespace quorvel::test
