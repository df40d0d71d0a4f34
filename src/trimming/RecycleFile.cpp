#include "trimming/RecycleFile.h"

#include "trimming/MoveToTrash.h"
#include "ui/FileNames.h"
#include "ui/MessageBox.h"

#include <cerrno>

namespace quorvel::modQuorvel {

int RecycleFile(const QString &filePath, bool confirm, ui::MessageBox &messages)
{
    // The bytes are taken before asking, so that what the user agrees to is
    // exactly the file that moves.
    const QByteArray path = encodeFileName(filePath);
    if (confirm) {
        const QString prompt =
            QStringLiteral("Do you want to move this file to the trash?\r\n\r\n") + filePath;
        const int answer =
            messages.show(prompt, ui::MB_YESNO | ui::MB_ICONWARNING | ui::MB_DEFBUTTON2);
        if (answer != ui::IDYES)
            return ECANCELED;
    }
    return moveToTrash(path);
}

} // namespace quorvel::modQuorvel
