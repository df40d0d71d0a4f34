#include "files/FolderReader.h"

#include "files/FolderListing.h"
#include "files/FolderSnapshot.h"

namespace quorvel::files {

FolderReader::FolderReader() = default;

FolderReader::~FolderReader() = default;

QStringList FolderReader::files(const QString &folder, const WildcardPattern &pattern)
{
    return FolderListing::files(*reading(folder), pattern);
}

NameList FolderReader::fileNames(const QString &folder, const WildcardPattern &pattern)
{
    return FolderListing::fileNames(*reading(folder), pattern);
}

QStringList FolderReader::subfolders(const QString &folder)
{
    return FolderListing::subfolders(*reading(folder));
}

std::shared_ptr<const FolderSnapshot> FolderReader::reading(const QString &folder)
{
    if (m_sharing == 0)
        return std::make_shared<const FolderSnapshot>(folder);
    if (const auto kept = m_readings.constFind(folder); kept != m_readings.constEnd())
        return kept.value();
    // A folder that can't be read throws here and is not kept: the next
    // listing of it tries the disk again.
    auto fresh = std::make_shared<const FolderSnapshot>(folder);
    m_readings.insert(folder, fresh);
    return fresh;
}

void FolderReader::endSharing()
{
    if (--m_sharing == 0)
        m_readings.clear();
}

} // namespace quorvel::files
