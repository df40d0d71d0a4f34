#pragma once

#include "files/FileIdentity.h"

namespace quorvel::files {

// Which folder a reading came from. A path names whatever is there now; a
// card swapped for another with the same label, or a folder renamed over
// another, keeps the path and changes this.
using FolderIdentity = FileIdentity;

} // namespace quorvel::files
