#pragma once

#include "files/FileIdentity.h"

#include <functional>
#include <QByteArray>
#include <QString>
#include <QStringView>

namespace quorvel::platform {
class MessageBox;
class TrashSession;
struct TrashedFile;
} // namespace quorvel::platform

namespace quorvel::trimming {

// Moves one file to the desktop's trash, from where the user can restore it;
// nothing is ever erased outright. Returns 0 when the file has left its folder
// for the trash, otherwise the system's error number (ENOENT for a file that
// has gone, EACCES, EROFS, EXDEV, EISDIR for a folder...) with the file left
// where it was. Shows nothing of its own, except that with confirm true it
// first asks through messages and returns ECANCELED when the answer is not Yes.
// When where is given, it tells on success where the file went, so that the
// move can be undone without searching the trash. When batch is given, the
// file goes through it (see TrashSession), as each of a trim's files does.
int RecycleFile(const QString &filePath, bool confirm, platform::MessageBox &messages,
                platform::TrashedFile *where = nullptr, platform::TrashSession *batch = nullptr);

// One file to move, as its folder and its name, both as the bytes the
// filesystem holds: a trim reads a card's names as bytes and must move the
// very names it read, never a text decoded again for each file.
struct RecycleTarget
{
    QByteArray folder; // absolute
    QByteArray name;
    // The folder, held open by a trim that has checked it is the one it read,
    // or -1 where the folder is found by its path.
    int folderFd = -1;
    // The file as the user saw it, when known: a file found under the name
    // in its place is left where it is (ESTALE).
    files::FileIdentity seen = {};

    static RecycleTarget ofPath(QStringView filePath);
    // The full path, as messages and tests name the file.
    QString path() const;
};

// What the trim and the viewer call to move a file, so that tests can stand in
// for the trash where a real one can't show the case. Both have asked the user
// themselves before they call, so it asks nothing: RecycleFile with confirm
// false.
using RecycleFunction = std::function<int(const RecycleTarget &file, platform::TrashedFile *where,
                                          platform::TrashSession *batch)>;

// The program's own RecycleFunction: the file goes from its open folder
// through batch where it has both, else as RecycleFile moves it.
int recycleTarget(const RecycleTarget &file, platform::TrashedFile *where,
                  platform::TrashSession *batch);

} // namespace quorvel::trimming
