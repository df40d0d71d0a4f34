#include "about/ProgramIcon.h"

#include "about/ProgramIconEngine.h"

#include <QIcon>

// The icons live in a static library, where the linker drops a resource file
// that no code refers to; naming its initialiser here keeps it in every binary
// that asks for the icon. Q_INIT_RESOURCE must be used outside any namespace.
static void initProgramIconResources()
{
    Q_INIT_RESOURCE(quorvel);
}

namespace quorvel::about {

QIcon programIcon()
{
    initProgramIconResources();
    return QIcon(new ProgramIconEngine);
}

QIcon programIconImage(int size)
{
    initProgramIconResources();
    return QIcon(QStringLiteral(":/icons/quorvel-%1.png").arg(size));
}

} // namespace quorvel::about
