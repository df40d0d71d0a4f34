#pragma once

#include <QByteArrayView>
#include <QStringView>

namespace quorvel::trimming {

// The base name of a file name: up to, not including, its last "."; a name
// without a "." is its own base name. IMG_0001.edit.jpg gives IMG_0001.edit.
// The one rule by which a RAW file and a picture belong together, apart from
// the matching built on it, so that the picture index can use it without
// depending on the matching that uses the index.
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

} // namespace quorvel::trimming
