#include "trimming/TrimPreview.h"

#include "trimming/Matching.h"

namespace quorvel::trimming {

const std::vector<int> &TrimPreview::update(const QStringList &rawNames,
                                            const QStringList &pictureNames)
{
    // A list that was not read again is the same shared data, which compares
    // equal at once; one read again compares name by name, still far cheaper
    // than hashing it.
    const bool picturesChanged = !m_pictures || m_pictures->names() != pictureNames;
    if (!picturesChanged && m_raws == rawNames)
        return m_rawFiles;
    if (picturesChanged)
        m_pictures = std::make_unique<PictureBaseNames>(pictureNames);
    m_raws = rawNames;
    m_rawFiles = rawFilesToTrim(m_raws, *m_pictures);
    return m_rawFiles;
}

} // namespace quorvel::trimming
