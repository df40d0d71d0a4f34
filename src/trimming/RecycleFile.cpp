#include "trimming/RecycleFile.h"

#include "files/FileNames.h"
#include "platform/MessageBox.h"
#include "platform/Trash.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace quorvel::trimming {

int RecycleFile(const QString &filePath, bool confirm, platform::MessageBox &messages,
                platform::TrashedFile *where, platform::TrashSession *batch)
{
    // The bytes are taken before asking, so that what the user agrees to is
    // exactly the file that moves.
    const QByteArray path = files::encodeFileName(filePath);
    if (confirm) {
        const QString prompt = QStringLiteral("Do you want to move this file to the trash?\n\n") +
                               files::visibleName(filePath);
        const int answer = messages.show(prompt, platform::MB_YESNO | platform::MB_ICONWARNING |
                                                     platform::MB_DEFBUTTON2);
        if (answer != platform::IDYES)
            return ECANCELED;
    }
    platform::TrashedFile trashed;
    const int result =
        batch ? batch->moveToTrash(path, trashed) : platform::moveToTrash(path, trashed);
    if (result == 0 && where)
        *where = trashed;
    return result;
}

RecycleTarget RecycleTarget::ofPath(QStringView filePath)
{
    const QByteArray path = files::encodeFileName(filePath);
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return {QByteArray("."), path};
    return {slash == 0 ? QByteArray("/") : path.first(slash), path.mid(slash + 1)};
}

QString RecycleTarget::path() const
{
    return files::joinPath(files::decodeFileName(folder), files::decodeFileName(name));
}

int recycleTarget(const RecycleTarget &file, platform::TrashedFile *where,
                  platform::TrashSession *batch)
{
    const QByteArray path =
        file.folder + (file.folder.endsWith('/') ? QByteArray() : QByteArray("/")) + file.name;
    if (file.seen.isKnown()) {
        // Looked at just before the move: what remains is the time of one
        // rename, where before it was the user's time to look and decide.
        struct stat status = {};
        const bool inFolder = file.folderFd >= 0;
        if (::fstatat(inFolder ? file.folderFd : AT_FDCWD,
                      (inFolder ? file.name : path).constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            return errno;
        if (files::FileIdentity{quint64(status.st_dev), quint64(status.st_ino)} != file.seen)
            return ESTALE;
    }
    platform::TrashedFile trashed;
    int result = 0;
    if (file.folderFd >= 0 && batch) {
        result = batch->moveToTrash(file.folderFd, file.folder, file.name, trashed);
    } else {
        result = batch ? batch->moveToTrash(path, trashed) : platform::moveToTrash(path, trashed);
    }
    if (result == 0 && where)
        *where = trashed;
    return result;
}

} // namespace quorvel::trimming
