#pragma once

#include <QStringView>

class QFile;

namespace quorvel::files {

// Opens the regular file at path for reading, under the exact bytes of its
// name (see decodeFileName): QFile itself would re-encode a name that is not
// valid UTF-8 into some other name. Returns 0, or the errno of the failure;
// anything but a regular file (a folder, a pipe whose reading would wait for
// a writer that never comes) is refused with EINVAL and left unopened.
int openRegularFile(QFile &file, QStringView path);

} // namespace quorvel::files
