#include "import/CardVolumes.h"

#include <QDir>
#include <QFileInfo>

namespace quorvel::import {

QList<files::Volume> CardVolumes::of(const QList<files::Volume> &volumes)
{
    QList<files::Volume> cards;
    for (const files::Volume &volume : volumes) {
        if (holdsCard(volume.mountPoint))
            cards.append(volume);
    }
    return cards;
}

bool CardVolumes::holdsCard(const QString &folder)
{
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("DCIM")}, QDir::Dirs | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (name.compare(QLatin1String("DCIM"), Qt::CaseInsensitive) == 0 &&
            !QFileInfo(QDir(folder).filePath(name)).isSymLink())
            return true;
    }
    return false;
}

QString CardVolumes::shownName(const files::Volume &volume)
{
    if (volume.label.isEmpty())
        return volume.mountPoint;
    return QStringLiteral("%1 (%2)").arg(volume.label, volume.mountPoint);
}

} // namespace quorvel::import
