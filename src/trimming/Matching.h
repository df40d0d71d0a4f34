#pragma once

// Matching is by base name: whoever matches names gets the rule with it.
#include "trimming/BaseName.h"

#include <QStringList>
#include <vector>

namespace quorvel::files {
class NameList;
}

namespace quorvel::trimming {

class PictureBaseNames;

// Indices, ascending, of the RAW names whose base name equals the base name of
// no picture. Names compare exactly: case counts, nothing is normalised.
// One pass over each list (a hash of the picture base names), so a card of
// 50,000 pictures against 50,000 RAW files takes milliseconds, not minutes.
std::vector<int> unmatchedRawFiles(const QStringList &rawNames, const QStringList &pictureNames);

// The RAW files "Trim files" takes now: the unmatched ones, and none at all when
// either list is empty, since the trim then moves nothing. The trim and the
// marks on the RAW list both ask this, so that they can never disagree.
std::vector<int> rawFilesToTrim(const files::NameList &rawNames, const PictureBaseNames &pictures);

} // namespace quorvel::trimming
