#include "ui/FolderReadings.h"

#include "ui/DirectoryListing.h"
#include "ui/FolderReading.h"

namespace quorvel {

FolderReadings::FolderReadings() = default;

FolderReadings::~FolderReadings() = default;

QStringList FolderReadings::files(const QString &folder, const WildcardPattern &pattern)
{
    return DirectoryListing::files(*reading(folder), pattern);
}

QStringList FolderReadings::subfolders(const QString &folder)
{
    return DirectoryListing::subfolders(*reading(folder));
}

std::shared_ptr<const FolderReading> FolderReadings::reading(const QString &folder)
{
    if (m_sharing == 0)
        return std::make_shared<const FolderReading>(folder);
    if (const auto kept = m_readings.constFind(folder); kept != m_readings.constEnd())
        return kept.value();
    // A folder that can't be read throws here and is not kept: the next
    // listing of it tries the disk again.
    auto fresh = std::make_shared<const FolderReading>(folder);
    m_readings.insert(folder, fresh);
    return fresh;
}

void FolderReadings::endSharing()
{
    if (--m_sharing == 0)
        m_readings.clear();
}

} // namespace quorvel
