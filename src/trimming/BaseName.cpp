#include "trimming/BaseName.h"

namespace quorvel::trimming {

QStringView baseName(QStringView fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot < 0 ? fileName : fileName.first(dot);
}

} // namespace quorvel::trimming
