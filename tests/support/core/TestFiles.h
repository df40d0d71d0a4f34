#pragma once

#include <QString>
#include <QStringList>

namespace quorvel::test {

// Creates empty files with these names in folder (and folder itself).
void touchFiles(const QString &folder, const QStringList &names);

// Names of the files in the trash under dataHome ($XDG_DATA_HOME), sorted.
QStringList trashedNames(const QString &dataHome);

} // namespace quorvel::test
