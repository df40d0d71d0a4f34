#include "trimming/Matching.h"

#include <QSet>

namespace quorvel::trimming {

QStringView baseName(QStringView fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? fileName : fileName.first(dot);
}

std::vector<int> unmatchedRawFiles(const QStringList &rawNames, const QStringList &pictureNames)
{
    QSet<QStringView> pictures;
    pictures.reserve(pictureNames.size());
    for (const QString &picture : pictureNames)
        pictures.insert(baseName(picture));

    std::vector<int> unmatched;
    for (qsizetype i = 0; i < rawNames.size(); ++i) {
        if (!pictures.contains(baseName(rawNames.at(i))))
            unmatched.push_back(int(i));
    }
    return unmatched;
}

} // namespace quorvel::trimming
