#pragma once

#include <QByteArrayView>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace quorvel::files {
class NameList;
}

namespace quorvel::trimming {

class PictureBaseNames;

// The base name of a file name: up to, not including, its last "."; a name
// without a "." is its own base name. IMG_0001.edit.jpg gives IMG_0001.edit.
QStringView baseName(QStringView fileName);
// Inline, and a plain loop: a name is a dozen bytes, and the trim takes the
// base name of every name of both lists, where a call into the general
// search would cost more than the hash that follows.
inline QByteArrayView baseName(QByteArrayView fileName)
{
    for (qsizetype i = fileName.size(); i-- > 0;) {
        if (fileName[i] == '.')
            return fileName.first(i);
    }
    return fileName;
}

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
