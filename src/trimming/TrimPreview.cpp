#include "trimming/TrimPreview.h"

#include "trimming/Matching.h"

namespace quorvel::trimming {
namespace {

// A list read again comes as a new list; compared byte for byte, it is still
// far cheaper than indexing or matching it again.
bool same(const std::shared_ptr<const files::NameList> &a,
          const std::shared_ptr<const files::NameList> &b)
{
    return a == b || (a && b && *a == *b);
}

} // namespace

const std::vector<int> &TrimPreview::update(std::shared_ptr<const files::NameList> rawNames,
                                            std::shared_ptr<const files::NameList> pictureNames)
{
    const bool picturesChanged = !m_pictures || !same(m_pictures->sharedNames(), pictureNames);
    const bool rawsChanged = !same(m_raws, rawNames);
    // Whatever is kept refers to the lists shown now, not to ones replaced.
    m_raws = std::move(rawNames);
    if (picturesChanged)
        m_pictures = std::make_unique<PictureBaseNames>(std::move(pictureNames));
    else
        m_pictures->adopt(std::move(pictureNames));
    if (picturesChanged || rawsChanged)
        m_rawFiles = rawFilesToTrim(*m_raws, *m_pictures);
    return m_rawFiles;
}

} // namespace quorvel::trimming
