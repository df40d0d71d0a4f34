#pragma once

namespace quorvel::main_window {

class FileLists;

namespace modQuorvel {

// Re-reads both file lists of the main window and rewrites both counts, after
// files were moved away. Changes no folder and no pattern. A list that can't
// be read throws FolderError to the caller.
void RefreshFileLists(FileLists &lists);

} // namespace modQuorvel

} // namespace quorvel::main_window
