#include "trimming/PictureBaseNames.h"

#include "trimming/Matching.h"

namespace quorvel::trimming {

PictureBaseNames::PictureBaseNames(const QStringList &pictureNames) : m_names(pictureNames)
{
    m_bases.reserve(m_names.size());
    for (const QString &picture : std::as_const(m_names))
        m_bases.insert(baseName(picture));
}

bool PictureBaseNames::keeps(QStringView rawName) const
{
    return m_bases.contains(baseName(rawName));
}

std::vector<int> PictureBaseNames::unmatched(const QStringList &rawNames) const
{
    std::vector<int> result;
    for (qsizetype i = 0; i < rawNames.size(); ++i) {
        if (!keeps(rawNames.at(i)))
            result.push_back(int(i));
    }
    return result;
}

} // namespace quorvel::trimming
