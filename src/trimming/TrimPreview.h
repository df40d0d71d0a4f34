#pragma once

#include "files/NameList.h"
#include "trimming/PictureBaseNames.h"

#include <memory>
#include <vector>

namespace quorvel::trimming {

// What "Trim files" would take if pressed now, kept up to date as the lists
// change. It works on the lists' own names, shared with them, never on a copy
// as text: on a card that would be more than the lists themselves. The
// picture side is indexed again only when the picture list itself changed, so
// a change of the RAW side alone costs one look-up per RAW file.
class TrimPreview
{
public:
    // Indices, ascending, into rawNames of the files the trim would move.
    const std::vector<int> &update(std::shared_ptr<const files::NameList> rawNames,
                                   std::shared_ptr<const files::NameList> pictureNames);
    const std::vector<int> &rawFiles() const { return m_rawFiles; }

private:
    std::unique_ptr<PictureBaseNames> m_pictures;
    std::shared_ptr<const files::NameList> m_raws;
    std::vector<int> m_rawFiles;
};

} // namespace quorvel::trimming
