#include "support/PaintCounter.h"

#include <QEvent>

namespace quorvel::bench {

bool PaintCounter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint)
        ++paints;
    return QObject::eventFilter(watched, event);
}

} // namespace quorvel::bench
