#include "files/FileIdentity.h"

#include "files/FileNames.h"

#include <sys/stat.h>

namespace quorvel::files {

FileIdentity FileIdentity::of(QStringView path)
{
    struct stat status = {};
    if (::lstat(encodeFileName(path).constData(), &status) != 0)
        return {};
    return {quint64(status.st_dev), quint64(status.st_ino)};
}

} // namespace quorvel::files
