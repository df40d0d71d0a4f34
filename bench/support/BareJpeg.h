#pragma once

#include <QByteArray>
#include <QSize>

namespace quorvel::bench {

// The floor the picture benchmarks measure against: libjpeg decoding the file
// at eighths/8 of its size, and nothing else. Returns the decoded size, empty
// when the file can't be opened.
QSize decodeJpegBare(const QByteArray &path, int eighths);

} // namespace quorvel::bench
