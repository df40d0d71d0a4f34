#pragma once

namespace quorvel::files {
class FolderList;
class FolderReader;
} // namespace quorvel::files

namespace quorvel::main_window {

// The main window's two file lists as the list refresh and the trim's
// commands see them: the lists' models, the reading of folders they share,
// the counts beside them and the selection. They need no widget.
class FileLists
{
public:
    // What the lists read their folders through.
    virtual files::FolderReader &folderReadings() = 0;
    virtual files::FolderList &pictureList() = 0;
    virtual files::FolderList &rawList() = 0;
    // Rewrites both count boxes from their lists.
    virtual void writeCounts() = 0;
    // Leaves both lists' selections on the given entries (-1: none).
    virtual void selectEntries(int rawIndex, int pictureIndex) = 0;

protected:
    ~FileLists() = default;
};

} // namespace quorvel::main_window
