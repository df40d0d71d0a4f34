#pragma once

#include <QByteArray>

namespace quorvel::platform {

// The platform's trash, behind one function so that another platform's can be
// dropped in beside it. path is the file's full path as bytes, exactly as the
// filesystem holds it. Returns 0 on success or the errno of the step that failed;
// a folder is never moved, and gives EISDIR.
int moveToTrash(const QByteArray &path);

} // namespace quorvel::platform
