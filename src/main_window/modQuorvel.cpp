#include "main_window/modQuorvel.h"

#include "files/FolderList.h"
#include "files/FolderReader.h"
#include "main_window/FileLists.h"

namespace quorvel::main_window::modQuorvel {

void RefreshFileLists(FileLists &lists)
{
    // In step both lists show one folder: one reading of it serves both.
    const auto sharing = lists.folderReadings().share();
    lists.pictureList().refresh();
    lists.rawList().refresh();
    lists.writeCounts();
}

} // namespace quorvel::main_window::modQuorvel
