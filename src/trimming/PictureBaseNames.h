#pragma once

#include <QSet>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace quorvel::trimming {

// The base names of a picture list, hashed once, for telling which RAW files
// have no picture. The marks on the RAW list are brought up to date after
// every change of either list; keeping this between changes means a new RAW
// pattern costs one look-up per RAW file, not a new hash of 40,000 pictures.
class PictureBaseNames
{
public:
    explicit PictureBaseNames(const QStringList &pictureNames);
    // The hash holds views into the names it keeps: it must not be copied.
    PictureBaseNames(const PictureBaseNames &) = delete;
    PictureBaseNames &operator=(const PictureBaseNames &) = delete;

    // The list they were taken from.
    const QStringList &names() const { return m_names; }
    bool isEmpty() const { return m_names.isEmpty(); }
    // True when some picture has rawName's base name, compared exactly.
    bool keeps(QStringView rawName) const;
    // Indices, ascending, of the RAW names that no picture keeps.
    std::vector<int> unmatched(const QStringList &rawNames) const;

private:
    QStringList m_names;
    QSet<QStringView> m_bases;
};

} // namespace quorvel::trimming
