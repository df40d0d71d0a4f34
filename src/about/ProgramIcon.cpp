#include "about/ProgramIcon.h"

#include <QIcon>

// The icons live in a static library, where the linker drops a resource file
// that no code refers to; naming its initialiser here keeps it in every binary
// that asks for the icon. Q_INIT_RESOURCE must be used outside any namespace.
static void initProgramIconResources()
{
    Q_INIT_RESOURCE(quorvel);
}

namespace quorvel {

QIcon programIcon()
{
    initProgramIconResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/quorvel-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace quorvel
