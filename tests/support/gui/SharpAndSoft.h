#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

namespace quorvel::test {

// Detail a lens in focus draws: squares of block pixels in random greys,
// with hard edges between them, of high contrast; from seed, so that a run
// is repeatable. contrast: the greys' range around mid-grey, up to 255.
QImage squares(QSize size, int block, int contrast = 255, quint32 seed = 1);

// picture as a lens out of focus would draw it: each pixel the average of a
// box of (2 * radius + 1) pixels a side, three times over (about a Gaussian
// of radius pixels); the greys' range stays much as it was for blocks larger
// than the blur. Only within keeps its own pixels.
QImage blurredOutside(const QImage &picture, int radius, QRect within = {});

} // namespace quorvel::test
