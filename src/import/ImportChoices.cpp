#include "import/ImportChoices.h"

#include "import/ImportPlan.h"

#include <algorithm>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace quorvel::import {

namespace {

const QString destinationKey = QStringLiteral("Import/Destination");
const QString backupKey = QStringLiteral("Import/Backup");
const QString dayFormat = QStringLiteral("yyyy-MM-dd");

} // namespace

ImportChoices ImportChoices::load(const QSettings &settings)
{
    return {settings.value(destinationKey).toString(), settings.value(backupKey).toString()};
}

void ImportChoices::save(QSettings &settings) const
{
    settings.setValue(destinationKey, destination);
    settings.setValue(backupKey, backup);
    settings.sync();
}

QDate ImportChoices::shootingDayOf(const ImportPlan &plan)
{
    const auto &files = plan.files();
    if (files.empty())
        return {};
    const auto first =
        std::min_element(files.begin(), files.end(), [](const auto &a, const auto &b) {
            return a.modifiedSeconds < b.modifiedSeconds;
        });
    return QDateTime::fromSecsSinceEpoch(first->modifiedSeconds).date();
}

bool ImportChoices::isDayFolder(const QString &name)
{
    return name.size() == dayFormat.size() && QDate::fromString(name, dayFormat).isValid();
}

QString ImportChoices::destinationFor(const QString &picturesFolder, QDate shootingDay) const
{
    const QFileInfo last(QDir::cleanPath(destination));
    if (!destination.isEmpty() && !isDayFolder(last.fileName()))
        return last.filePath();
    const QString parent = destination.isEmpty() ? QDir::cleanPath(picturesFolder) : last.path();
    // With no file there is no day to name; the parent is still a good start.
    if (!shootingDay.isValid())
        return parent;
    return QDir(parent).filePath(shootingDay.toString(dayFormat));
}

} // namespace quorvel::import
