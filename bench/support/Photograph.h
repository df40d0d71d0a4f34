#pragma once

#include <QImage>
#include <QSize>

namespace quorvel::bench {

// A gradient with fine grain, so that a JPEG of it at quality 90 is about as
// dense as a camera's; shade tells the variants apart.
QImage photograph(QSize size, int shade = 0);

} // namespace quorvel::bench
