#pragma once

#include "pictures/ColourSpace.h"

#include <memory>
#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QPair>
#include <QThreadPool>

class QImage;

namespace quorvel::pictures {

// Turns pictures from their colour space into the screen's with Little CMS.
// The transform for a pair of profiles is made on first use, on the thread
// that needs it, and kept for every later picture of that pair: making one
// costs more than applying it to a screenful of pixels. Between two profiles
// of three curves and a matrix, which is what cameras and most screens have,
// the pixels are turned through tables made from those profiles and checked
// against Little CMS's own transform when they are made; a picture of many
// megapixels is turned in bands on threads of its own beside the caller.
// Safe on any thread; the workers share one.
class ColourTransforms
{
public:
    ColourTransforms();
    ~ColourTransforms();
    ColourTransforms(const ColourTransforms &) = delete;
    ColourTransforms &operator=(const ColourTransforms &) = delete;

    // image, whose numbers mean colours in from, turned to mean the same
    // colours in to, in place. Untouched when both are the same space, or
    // when no transform between them can be made. True when it was turned.
    // A 32-bit image keeps its format and its alpha; another is converted to
    // one first.
    bool apply(QImage &image, const ColourSpace &from, const ColourSpace &to);

private:
    struct Transform;
    using Key = QPair<QByteArray, QByteArray>;

    std::shared_ptr<const Transform> transform(const ColourSpace &from, const ColourSpace &to);

    QMutex m_mutex;
    QHash<Key, std::shared_ptr<const Transform>> m_transforms;
    // The threads that turn the bands of a large picture beside the caller.
    QThreadPool m_bands;
};

} // namespace quorvel::pictures
