#pragma once

#include "files/Volume.h"

#include <QList>

namespace quorvel::platform {

// The volumes a user would recognise, in the order the drive lists show them:
// the root, the home volume if it is separate, and disks mounted under /media,
// /run/media and /mnt. Pseudo filesystems are left out.
QList<files::Volume> mountedVolumes();

} // namespace quorvel::platform
