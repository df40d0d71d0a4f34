#include "trimming/RecycleFile.h"

#include "files/FileNames.h"
#include "platform/MessageBox.h"
#include "platform/Trash.h"

#include <cerrno>

namespace quorvel::trimming {

int RecycleFile(const QString &filePath, bool confirm, platform::MessageBox &messages,
                platform::TrashedFile *where, platform::TrashSession *batch)
{
    // The bytes are taken before asking, so that what the user agrees to is
    // exactly the file that moves.
    const QByteArray path = files::encodeFileName(filePath);
    if (confirm) {
        const QString prompt =
            QStringLiteral("Do you want to move this file to the trash?\r\n\r\n") +
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

} // namespace quorvel::trimming
