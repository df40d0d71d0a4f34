#include "culling/StatusLine.h"

#include "culling/CullingSession.h"
#include "files/FileNames.h"

#include <cerrno>

namespace quorvel::culling {

namespace {

// The position and the colour space go close together; each thing said is set
// apart from them.
void append(QString &line, const QString &part, const QString &gap)
{
    if (!part.isEmpty())
        line += (line.isEmpty() ? QString() : gap) + part;
}

} // namespace

QString StatusLine::text(const CullingSession &session, const QString &colourSpace,
                         const QString &colourNotes) const
{
    QString line;
    const int index = session.index();
    if (index >= 0) {
        line = QStringLiteral("%1 / %2  %3")
                   .arg(index + 1)
                   .arg(QString::number(session.count()), session.name(index));
    }
    append(line, colourSpace, QStringLiteral("  "));
    append(line, m_news, QStringLiteral("    "));
    append(line, colourNotes, QStringLiteral("    "));
    return files::visibleName(line);
}

QString StatusLine::movedToTrash(const QString &name)
{
    return QStringLiteral("%1 moved to the trash (Ctrl+Z puts it back)").arg(name);
}

QString StatusLine::notMovedToTrash(const QString &name, int error)
{
    if (error == ESTALE)
        return QStringLiteral("%1 stays: another file has taken its place since it was shown")
            .arg(name);
    return QStringLiteral("%1 could not be moved to the trash: %2")
        .arg(name, qt_error_string(error));
}

QString StatusLine::putBack(const CullingSession::PutBack &back)
{
    switch (back.error) {
    case 0:
        return QStringLiteral("%1 is back from the trash").arg(back.name);
    case EEXIST:
        return QStringLiteral("%1 stays in the trash: another file has taken its name")
            .arg(back.name);
    case ESTALE:
        return QStringLiteral(
                   "%1 stays in the trash: another file has taken its place in the trash")
            .arg(back.name);
    default:
        return QStringLiteral("%1 could not be put back: %2")
            .arg(back.name, qt_error_string(back.error));
    }
}

QString StatusLine::nothingToPutBack()
{
    return QStringLiteral("Nothing to put back");
}

QString StatusLine::noMorePictures()
{
    return QStringLiteral("No more pictures");
}

QString StatusLine::notShownYet()
{
    return QStringLiteral("Not shown yet: nothing deleted");
}

QString StatusLine::noFocusFrame(const QString &name, const QString &problem)
{
    return QStringLiteral("no focus frame for %1: %2").arg(name, problem);
}

QString StatusLine::oneToOneAtFocusPoint()
{
    return QStringLiteral("one to one at the focus point");
}

QString StatusLine::oneToOneAtCentre()
{
    return QStringLiteral("one to one at the centre: no focus point recorded");
}

QString StatusLine::oneToOneAtSharpest()
{
    return QStringLiteral("one to one at the sharpest area: no focus point recorded");
}

} // namespace quorvel::culling
