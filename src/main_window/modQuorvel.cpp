#include "main_window/modQuorvel.h"

#include "main_window/frmMain.h"
#include "ui/FileListBox.h"

namespace quorvel::main_window::modQuorvel {

void RefreshFileLists(frmMain &form)
{
    // In step both lists show one folder: one reading of it serves both.
    const auto sharing = form.folderReadings().share();
    form.fb1->Refresh();
    form.fb2->Refresh();
    form.writeCounts();
}

} // namespace quorvel::main_window::modQuorvel
