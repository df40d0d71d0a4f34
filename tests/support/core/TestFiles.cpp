#include "support/core/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace quorvel::test {

void touchFiles(const QString &folder, const QStringList &names)
{
    QDir().mkpath(folder);
    for (const QString &name : names) {
        QFile file(folder + u'/' + name);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot create %s", qPrintable(file.fileName()));
        file.write(name.toUtf8());
    }
}

QStringList trashedNames(const QString &dataHome)
{
    return QDir(dataHome + QStringLiteral("/Trash/files"))
        .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace quorvel::test
