#pragma once

#include "trimming/PictureBaseNames.h"

#include <memory>
#include <QStringList>
#include <vector>

namespace quorvel::trimming {

// What "Trim files" would take if pressed now, kept up to date as the lists
// change. The picture side's base names are hashed again only when the
// picture list itself changed, so a change of the RAW side alone costs one
// look-up per RAW file.
class TrimPreview
{
public:
    // Indices, ascending, into rawNames of the files the trim would move.
    const std::vector<int> &update(const QStringList &rawNames, const QStringList &pictureNames);
    const std::vector<int> &rawFiles() const { return m_rawFiles; }

private:
    std::unique_ptr<PictureBaseNames> m_pictures;
    QStringList m_raws;
    std::vector<int> m_rawFiles;
};

} // namespace quorvel::trimming
