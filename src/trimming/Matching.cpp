#include "trimming/Matching.h"

#include "files/NameList.h"
#include "trimming/PictureBaseNames.h"

namespace quorvel::trimming {

std::vector<int> unmatchedRawFiles(const QStringList &rawNames, const QStringList &pictureNames)
{
    return PictureBaseNames(pictureNames).unmatched(files::NameList::encoded(rawNames));
}

std::vector<int> rawFilesToTrim(const files::NameList &rawNames, const PictureBaseNames &pictures)
{
    if (rawNames.isEmpty() || pictures.isEmpty())
        return {};
    return pictures.unmatched(rawNames);
}

} // namespace quorvel::trimming
